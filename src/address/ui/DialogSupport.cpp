#include "address/ui/DialogSupport.h"

#include <QShortcut>
#include <QWhatsThis>

#include "address/ui/HelpAccess.h"
#include "common/ui/Placement.h"
#include "common/ui/QtUserDialogs.h"
#include "help/ui/ShowHelp.h"

namespace brindle::address::ui {

HelpDialog::HelpDialog(int helpTopic, QWidget* parent) : QDialog(parent), helpTopic_(helpTopic) {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    addHelpKey(this, helpTopic_);
}

QPushButton* HelpDialog::makeHelpButton(const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setAutoDefault(false);
    b->setObjectName(QStringLiteral("helpButton"));
    connect(b, &QPushButton::clicked, this, [this] { openHelpTopic(helpTopic_, this); });
    return b;
}

QToolButton* HelpDialog::makeMouseHelpButton() {
    auto* b = new QToolButton(this);
    b->setText(QStringLiteral("?"));
    b->setObjectName(QStringLiteral("mouseHelpButton"));
    b->setToolTip(QStringLiteral("Click here for mouse help"));
    connect(b, &QToolButton::clicked, this, [] { QWhatsThis::enterWhatsThisMode(); });
    return b;
}

int HelpDialog::execCentred(QWidget* mainWindow) {
    if (!isSizeGripEnabled()) adjustSize();  // resizable windows keep the size they chose
    common::centreWindow(this, mainWindow);
    return exec();
}

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
