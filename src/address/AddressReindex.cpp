#include "address/AddressReindex.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <memory>

#include "address/AddressSchema.h"
#include "common/Common.h"
#include "common/SystemTables.h"
#include "common/UserDialogs.h"

namespace brindle::address {

int TagProgressAccumulator::report(int percent) {
    if (percent > last_) total_ += percent - last_;
    last_ = percent;
    if (bar_ < 100) bar_ = std::min(100, static_cast<int>(std::lround(total_ * 100.0 / 2100.0)));
    return bar_;
}

void TagProgressAccumulator::reset() {
    total_ = 0;
    last_ = 0;
    bar_ = 0;
}

void OverallToTagReports::report(int overallPercent) {
    // Position in "tag units": tagCount * percent / 100 tags done.
    const int units = std::clamp(overallPercent, 0, 100) * tagCount_;  // 100 per tag
    const int tag = std::min(tagCount_ - 1, units / 100);
    const int within = units - tag * 100;
    while (tag_ < tag) {
        // Finish the tag in progress, then the next one starts from 0.
        if (within_ < 100) tagReport_(100);
        ++tag_;
        within_ = 0;
        tagReport_(0);
    }
    if (within > within_) {
        within_ = within;
        tagReport_(within);
    }
}

namespace {

QString stemPath(const QString& dbfPath) {
    const QFileInfo fi(dbfPath);
    return fi.absolutePath() + QLatin1Char('/') + fi.completeBaseName();
}

// The compound index beside a table, whatever its letter case.
QString cdxPathOf(const QString& dbfPath) {
    return common::resolveIgnoringCase(stemPath(dbfPath) + QStringLiteral(".CDX"));
}

}  // namespace

void rebuildAddressFile(store::Table& table, common::UserDialogs& dialogs, const ReindexObserver& observer) {
    auto show = [&](int bar, const QString& activity) {
        if (observer) observer(bar, activity);
        dialogs.processEvents();
    };
    common::BusyScope busy(dialogs);
    QString activity = QStringLiteral("Cleaning out old deleted records");
    show(0, activity);

    // The pack writes the kept records, their memos and the 26 new tags
    // beside the file and puts them in place together: until it succeeds the
    // old files, index included, stay as they were.
    TagProgressAccumulator bar;
    auto makeSplit = [&] {
        return std::make_unique<OverallToTagReports>(static_cast<int>(addressTags().size()),
                                                     [&](int tagPct) { show(bar.report(tagPct), activity); });
    };
    auto split = makeSplit();
    store::PackOptions options;
    options.tags = addressTags();
    options.indexProgress = [&](int pct) {
        if (activity != QStringLiteral("Rebuilding indexes")) {
            activity = QStringLiteral("Rebuilding indexes");
            show(0, activity);
        }
        split->report(pct);
        return true;
    };
    auto packProgress = [&](int pct) {
        show(std::clamp(pct, 0, 100), activity);
        return true;
    };
    try {
        try {
            table.pack(packProgress, options);
        } catch (const store::MemoDamageError& e) {
            // Records whose memo cannot be read keep every other field; their
            // memo references are cleared only when the user agrees.
            QString list;
            const auto& damage = e.damage();
            for (std::size_t i = 0; i < damage.size() && i < 10; ++i)
                list += QStringLiteral("\nRecord %1: %2").arg(damage[i].recno).arg(QString::fromStdString(damage[i].problem));
            if (damage.size() > 10) list += QStringLiteral("\n... and %1 more").arg(damage.size() - 10);
            const QString question =
                QStringLiteral("%1 record(s) refer to memo text that cannot be read:%2\n\n"
                               "Clear those memo references and keep the rest of each record?")
                    .arg(damage.size())
                    .arg(list);
            if (!dialogs.askYesNoDefaultNo(question, QStringLiteral("REINDEX"))) {
                dialogs.showInfo(QStringLiteral("Nothing was changed."));
                return;
            }
            options.repairMemos = true;
            activity = QStringLiteral("Cleaning out old deleted records");
            bar.reset();
            split = makeSplit();
            const store::PackResult r = table.pack(packProgress, options);
            dialogs.showInfo(QStringLiteral("Memo references were cleared in %1 record(s).").arg(r.clearedMemos.size()));
        }
    } catch (const store::CancelledError&) {
        throw;
    } catch (const std::exception&) {
        dialogs.showInfo(QStringLiteral("Unable to create index files"));
    }
}

int rebuildSystemTables(const QString& sysdataFolder, common::UserDialogs& dialogs, const ReindexObserver& observer) {
    int rebuilt = 0;
    QString folder = sysdataFolder;
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    for (const auto& spec : common::systemReindexOrder()) {
        if (observer) observer(0, spec.activity);
        dialogs.processEvents();
        std::unique_ptr<store::Table> t;
        try {
            t = store::Table::open(folder.toStdString(), spec.file.toStdString(), store::OpenMode::Exclusive);
            // The index file of the tag's order, or folder + name + ".CDX" when
            // the tag cannot be selected (a missing or damaged index file).
            QString indexFile;
            try {
                const int area = t->tagArea(spec.tag.toStdString());
                if (area > 0) {
                    t->setOrder(area);
                    indexFile = QString::fromStdString(t->indexFileName());
                }
            } catch (const std::exception&) {
                indexFile.clear();
            }
            if (indexFile.isEmpty()) indexFile = cdxPathOf(QString::fromStdString(t->path()));
            try {
                t->deleteIndexFile();
            } catch (const std::exception&) {
            }
            if (QFile::exists(indexFile)) QFile::remove(indexFile);
            t->pack([&](int pct) {
                if (observer) observer(std::clamp(pct, 0, 100), spec.activity);
                dialogs.processEvents();
                return true;
            });
            t->indexTag(spec.tag.toStdString(), spec.expression.toStdString(), [&](int pct) {
                if (observer) observer(std::clamp(pct, 0, 100), spec.activity);
                dialogs.processEvents();
                return true;
            });
            t->close();
            ++rebuilt;
        } catch (const std::exception&) {
            if (t) {
                try {
                    t->close();
                } catch (...) {
                }
            }
        }
    }
    if (observer) observer(0, QString());
    return rebuilt;
}

}  // namespace brindle::address
