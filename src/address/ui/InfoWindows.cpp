#include "address/ui/InfoWindows.h"

#include <QClipboard>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>

#include "address/ui/ConfigurationReport.h"
#include "address/HelpTopics.h"
#include "common/Common.h"
#include "common/ProfileFile.h"
#include "common/UserDialogs.h"
#include "help/HelpIndex.h"

namespace brindle::address::ui {

TGettingStarted::TGettingStarted(const QString& settingsPath, QWidget* parent)
    : HelpDialog(topic::MainWindow, parent), settingsPath_(settingsPath) {
    setWindowTitle(QStringLiteral("Getting Started"));
    setSizeGripEnabled(true);
    page_ = new QTextBrowser(this);
    page_->setObjectName(QStringLiteral("page"));
    page_->setOpenLinks(false);
    page_->setOpenExternalLinks(false);
    QFile file(help::helpFolder() + QStringLiteral("/getting-started.html"));
    if (file.open(QIODevice::ReadOnly)) {
        page_->setHtml(QString::fromUtf8(file.readAll()));
    } else {
        page_->setHtml(QStringLiteral("<h2>Getting Started</h2><p>The help pages are not installed.</p>"));
    }
    connect(page_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        followLink(url.toString());
    });
    doNotShow_ = new QCheckBox(QStringLiteral("Do not show this screen at start up"), this);
    doNotShow_->setObjectName(QStringLiteral("doNotShowBox"));
    doNotShow_->setChecked(common::ProfileFile(settingsPath_).readBool(QStringLiteral("Misc"),
                                                                       QStringLiteral("GettingStarted"), false));
    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TGettingStarted::okClicked);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(doNotShow_);
    bottom->addStretch();
    bottom->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(page_);
    layout->addLayout(bottom);
    resize(620, 480);
}

bool TGettingStarted::followLink(const QString& link) {
    const int t = gettingStartedTopic(link);
    if (t == 0) return false;
    lastTopic_ = t;
    openHelpTopic(t, this);
    return true;
}

void TGettingStarted::okClicked() {
    common::ProfileFile settings(settingsPath_);
    settings.writeBool(QStringLiteral("Misc"), QStringLiteral("GettingStarted"), doNotShow_->isChecked());
    accept();
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Brindle"));
    auto* name = new QLabel(QStringLiteral("Brindle"), this);
    QFont f = name->font();
    f.setPointSize(f.pointSize() + 8);
    f.setBold(true);
    name->setFont(f);
    auto* version = new QLabel(QStringLiteral("Version ") + versionText(), this);
    version->setObjectName(QStringLiteral("versionLabel"));
    auto* bits = new QLabel(QString::number(QSysInfo::WordSize) + QStringLiteral("-bit version"), this);
    bits->setObjectName(QStringLiteral("bitsLabel"));
    auto* blurb = new QLabel(QStringLiteral("A mailing-list manager: addresses, labels, envelopes, letters and reports."), this);
    blurb->setWordWrap(true);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    for (QLabel* l : {name, version, bits, blurb}) {
        l->setAlignment(Qt::AlignCenter);
        layout->addWidget(l);
    }
    layout->addWidget(ok, 0, Qt::AlignCenter);
}

TConfigurationInfo::TConfigurationInfo(const QString& report, common::UserDialogs& dialogs, QWidget* parent)
    : HelpDialog(topic::MainWindow, parent), dialogs_(dialogs) {
    setWindowTitle(QStringLiteral("Configuration Information"));
    setSizeGripEnabled(true);
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->setPlainText(QString(report).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    text_->setTabStopDistance(110);
    auto* copy = new QPushButton(QStringLiteral("Copy to Clipboard"), this);
    copy->setObjectName(QStringLiteral("copyButton"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(copy, &QPushButton::clicked, this, &TConfigurationInfo::copyClicked);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(copy);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addLayout(buttons);
    resize(640, 520);
}

void TConfigurationInfo::copyClicked() {
    QGuiApplication::clipboard()->setText(text_->toPlainText());
    dialogs_.showInfo(QStringLiteral("Information copied to the clipboard"), QStringLiteral("Configuration Information"));
}

}  // namespace brindle::address::ui
