#include "help/ui/HelpDialog.h"

#include <QPushButton>
#include <QToolButton>
#include <QWhatsThis>

#include "common/ui/Placement.h"
#include "help/ui/ShowHelp.h"

namespace brindle::help {

HelpDialog::HelpDialog(int helpTopic, QWidget* parent) : QDialog(parent), helpTopic_(helpTopic) {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    installHelpKey(this, helpTopic_);
}

QPushButton* HelpDialog::makeHelpButton(const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setAutoDefault(false);
    b->setObjectName(QStringLiteral("helpButton"));
    connect(b, &QPushButton::clicked, this, [this] { showHelpTopic(helpTopic_, this); });
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

}  // namespace brindle::help
