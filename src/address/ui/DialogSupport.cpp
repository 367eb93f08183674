#include "address/ui/DialogSupport.h"

#include <QShortcut>
#include <QWhatsThis>

#include "address/ui/HelpAccess.h"
#include "common/ui/Placement.h"
#include "common/ui/QtUserDialogs.h"
#include "help/ui/ShowHelp.h"

namespace brindle::address::ui {

void keepTitleWhole(QWidget* window) {
    const int needed = common::QtUserDialogs::captionWidth(window->windowTitle(), window->font());
    if (window->minimumWidth() < needed) window->setMinimumWidth(needed);
}

void addHelpKey(QWidget* window, int topic) { help::installHelpKey(window, topic); }

QPushButton* plainButton(const QString& caption, const QString& name, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

}  // namespace brindle::address::ui
