#include "transfer/FieldMatching.h"

#include <algorithm>

#include "address/FieldCatalogue.h"

namespace brindle::transfer {

std::vector<ImportTarget> importTargets(TargetSet set) {
    std::vector<ImportTarget> out;
    for (const auto& f : address::kAddressFields) {
        const std::string_view name = f.name;
        const bool character = f.type == 'C' && (f.visible || name == "DATE");
        const bool memo = set == TargetSet::Dbf && f.type == 'M';
        if (!character && !memo) continue;
        out.push_back({QString::fromLatin1(f.name), QString::fromLatin1(f.label), f.type, f.width});
    }
    return out;
}

int findTarget(const std::vector<ImportTarget>& targets, const QString& text) {
    const QString t = text.trimmed();
    for (std::size_t i = 0; i < targets.size(); ++i)
        if (t.compare(targets[i].label, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    for (std::size_t i = 0; i < targets.size(); ++i)
        if (t.compare(targets[i].field, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    return -1;
}

FieldMatching::FieldMatching(std::vector<ImportTarget> targets, std::vector<QString> sourceNames)
    : targets_(std::move(targets)), sources_(std::move(sourceNames)), rows_(targets_.size(), -1) {}

int FieldMatching::rowOf(int source) const {
    const auto it = std::find(rows_.begin(), rows_.end(), source);
    return (source < 0 || it == rows_.end()) ? -1 : static_cast<int>(it - rows_.begin());
}

void FieldMatching::choose(int row, int source) {
    if (row < 0 || row >= rowCount()) return;
    if (source >= sourceCount()) return;
    if (source >= 0)
        for (int& r : rows_)
            if (r == source) r = -1;
    rows_[static_cast<std::size_t>(row)] = source;
}

void FieldMatching::clearAll() { std::fill(rows_.begin(), rows_.end(), -1); }

bool FieldMatching::anyMatched() const {
    return std::any_of(rows_.begin(), rows_.end(), [](int s) { return s >= 0; });
}

void FieldMatching::matchByName(const std::function<bool(int, int)>& allowed) {
    for (int s = 0; s < sourceCount(); ++s) {
        if (rowOf(s) >= 0) continue;
        const QString name = sources_[static_cast<std::size_t>(s)].trimmed();
        for (int r = 0; r < rowCount(); ++r) {
            if (rows_[static_cast<std::size_t>(r)] >= 0) continue;
            if (allowed && !allowed(s, r)) continue;
            const ImportTarget& t = targets_[static_cast<std::size_t>(r)];
            if (name.compare(t.label, Qt::CaseInsensitive) == 0 || name.compare(t.field, Qt::CaseInsensitive) == 0) {
                rows_[static_cast<std::size_t>(r)] = s;
                break;
            }
        }
    }
}

std::vector<std::pair<int, QString>> FieldMatching::pairs() const {
    std::vector<std::pair<int, QString>> out;
    for (int s = 0; s < sourceCount(); ++s) {
        const int r = rowOf(s);
        if (r >= 0) out.emplace_back(s, targets_[static_cast<std::size_t>(r)].field);
    }
    return out;
}

}  // namespace brindle::transfer
