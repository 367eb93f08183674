#include "designobjects/ObjectEditing.h"

#include <QStringList>

#include "designobjects/DesignDialogs.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/RecordSource.h"
#include "designobjects/TKGraphicControl.h"

namespace brindle::designobjects {

DesignDialogs* dialogsFor(const TKGraphicControl* o) {
    const DesignDocument* s = o ? o->document() : nullptr;
    return s ? s->designDialogs() : DesignDialogs::defaultDialogs();
}

void chooseBoundField(TKGraphicControl& o, bool memo, QString& name, QString& label) {
    DesignDocument* s = o.document();
    DesignDialogs* d = dialogsFor(&o);
    RecordSource* src = s ? s->recordSource() : nullptr;
    if (d && src) {
        const auto fields = src->bindableFields(memo);
        QStringList labels;
        int current = 0;
        for (const auto& f : fields) {
            // Designs made before a label's spelling changed bind by the former one.
            if (f.displayLabel == label || (!f.formerLabel.isEmpty() && f.formerLabel == label))
                current = int(labels.size());
            labels << f.displayLabel;
        }
        if (!labels.isEmpty()) {
            if (const auto i = d->selectField(labels, current); i && *i >= 0 && *i < labels.size()) {
                name = fields[size_t(*i)].name;
                label = fields[size_t(*i)].displayLabel;
                o.changed();
            }
        }
    }
    if (s) s->refreshData();
}

MenuEntry alignmentSubmenu(int current, const std::function<void(int)>& set) {
    constexpr int left = 0, right = 1, centre = 2;
    return MenuEntry::submenu(QStringLiteral("Alignment"),
                              {MenuEntry::check(QStringLiteral("Left"), current == left, [set] { set(left); }),
                               MenuEntry::check(QStringLiteral("Center"), current == centre, [set] { set(centre); }),
                               MenuEntry::check(QStringLiteral("Right"), current == right, [set] { set(right); })});
}

}  // namespace brindle::designobjects
