#include "transfer/ui/ImportWindows.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "common/UserDialogs.h"
#include "help/HelpTopics.h"
#include "transfer/ui/MatchWindows.h"

namespace brindle::transfer::ui {

namespace {

const QString kNone = QStringLiteral("(none)");

// The current directory, put back after a file dialog.
class KeepCurrentDir {
public:
    KeepCurrentDir() : dir_(QDir::currentPath()) {}
    ~KeepCurrentDir() { QDir::setCurrent(dir_); }

private:
    QString dir_;
};

}  // namespace

ImportWindowBase::ImportWindowBase(int topic, const QString& caption, const QString& fileCaption,
                                   common::UserDialogs& dialogs, QWidget* parent)
    : HelpDialog(topic, parent), dialogs_(dialogs) {
    setWindowTitle(caption);
    fileRow_ = new QWidget(this);
    auto* fileLayout = new QHBoxLayout(fileRow_);
    fileLayout->setContentsMargins(0, 0, 0, 0);
    auto* caption1 = new QLabel(fileCaption, fileRow_);
    path_ = new QLabel(kNone, fileRow_);
    path_->setObjectName(QStringLiteral("pathLabel"));
    path_->setFrameShape(QFrame::StyledPanel);
    path_->setMinimumWidth(380);
    path_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fileLayout->addWidget(caption1);
    fileLayout->addWidget(path_, 1);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusLabel"));
    gauge_ = new QProgressBar(this);
    gauge_->setObjectName(QStringLiteral("gauge"));
    gauge_->setRange(0, 100);
    gauge_->hide();
    import_ = address::ui::plainButton(QStringLiteral("Import"), QStringLiteral("importButton"), this);
    import_->setEnabled(false);
    import_->setWhatsThis(QStringLiteral("Adds the records of the file to the open address file."));
    cancel_ = address::ui::plainButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"), this);
    cancel_->setWhatsThis(QStringLiteral("Closes the window; during an import, stops it after the current record."));
    connect(cancel_, &QPushButton::clicked, this, &ImportWindowBase::cancelClicked);
}

void ImportWindowBase::layOut(std::initializer_list<QPushButton*> actions, QLayout* options) {
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : actions) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(cancel_);
    buttons->addWidget(makeHelpButton());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fileRow_);
    if (options) layout->addLayout(options);
    layout->addWidget(status_);
    layout->addWidget(gauge_);
    layout->addLayout(buttons);
}

void ImportWindowBase::cancelClicked() {
    if (rebuilding_) return;
    if (importing_) {
        cancelRequested_ = true;
        return;
    }
    QDialog::reject();
}

void ImportWindowBase::reject() {
    // Escape and the window's close button act like Cancel.
    cancelClicked();
}

RunControl ImportWindowBase::runControl() {
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    RunControl c;
    c.progress = [this](int pct) { gauge_->setValue(pct); };
    c.status = [this](const QString& text) {
        status_->setText(text);
        if (text.startsWith(QLatin1String("Rebuilding"))) {
            rebuilding_ = true;
            cancel_->hide();
        }
        dialogs_.processEvents();
    };
    c.cancelRequested = [this, timer] {
        if (timer->elapsed() >= 40) {
            dialogs_.processEvents();
            timer->restart();
        }
        return cancelRequested_;
    };
    return c;
}

void ImportWindowBase::runImport(const std::function<ImportResult(const RunControl&)>& work) {
    importing_ = true;
    cancelRequested_ = false;
    rebuilding_ = false;
    gauge_->setValue(0);
    gauge_->show();
    import_->setEnabled(false);
    fileRow_->setEnabled(false);
    ImportResult result;
    {
        common::BusyScope busy(dialogs_);
        result = work(runControl());
    }
    gauge_->setValue(0);
    gauge_->hide();
    cancel_->show();
    status_->clear();
    importing_ = rebuilding_ = false;
    fileRow_->setEnabled(true);
    import_->setEnabled(true);
    // A cancelled import leaves the window open; the records so far stay.
    if (result.outcome != ImportOutcome::Cancelled) accept();
}

// ---- text ----

TAsciiImport::TAsciiImport(store::Table& target, common::UserDialogs& dialogs, QWidget* parent)
    : ImportWindowBase(help::topic::ImportAscii, QStringLiteral("ASCII File Import"), QStringLiteral("ASCII File Name"),
                       dialogs, parent),
      session_(target, dialogs) {
    auto* select = address::ui::plainButton(QStringLiteral("Select ASCII File"), QStringLiteral("selectButton"), this);
    select->setWhatsThis(QStringLiteral("Choose the text file to import (.csv, .txt or .prn)."));
    match_ = address::ui::plainButton(QStringLiteral("Match Fields"), QStringLiteral("matchButton"), this);
    match_->setWhatsThis(QStringLiteral("Choose which column of the file fills which address field."));
    separator_ = new QComboBox(this);
    separator_->setObjectName(QStringLiteral("separatorBox"));
    separator_->addItem(QStringLiteral("Comma"), QVariant::fromValue(int(',')));
    separator_->addItem(QStringLiteral("Semicolon"), QVariant::fromValue(int(';')));
    separator_->addItem(QStringLiteral("Tab"), QVariant::fromValue(int('\t')));
    separator_->setWhatsThis(QStringLiteral("The character between the values of a line, as judged from the first line."));
    encoding_ = new QComboBox(this);
    encoding_->setObjectName(QStringLiteral("encodingBox"));
    for (TextEncoding e : {TextEncoding::Utf8, TextEncoding::Windows1252, TextEncoding::Utf16LE, TextEncoding::Utf16BE})
        encoding_->addItem(encodingName(e), QVariant::fromValue(static_cast<int>(e)));
    encoding_->setWhatsThis(QStringLiteral("How the file's characters are written, as judged from the whole file."));
    header_ = new QCheckBox(QStringLiteral("First line holds field names"), this);
    header_->setObjectName(QStringLiteral("headerBox"));
    header_->setWhatsThis(QStringLiteral(
        "The first line names the columns: it is not imported, and columns named like address fields are matched."));
    connect(select, &QPushButton::clicked, this, &TAsciiImport::selectFileClicked);
    connect(match_, &QPushButton::clicked, this, &TAsciiImport::matchFieldsClicked);
    connect(import_, &QPushButton::clicked, this, &TAsciiImport::importClicked);
    connect(separator_, &QComboBox::currentIndexChanged, this, [this] { optionsChanged(); });
    connect(encoding_, &QComboBox::currentIndexChanged, this, [this] { optionsChanged(); });
    connect(header_, &QCheckBox::toggled, this, [this] { optionsChanged(); });

    auto* options = new QGridLayout;
    options->addWidget(new QLabel(QStringLiteral("Separator"), this), 0, 0);
    options->addWidget(separator_, 0, 1);
    options->addWidget(new QLabel(QStringLiteral("Encoding"), this), 0, 2);
    options->addWidget(encoding_, 0, 3);
    options->addWidget(header_, 1, 0, 1, 4);
    options->setColumnStretch(4, 1);
    layOut({select, match_, import_}, options);
    updateControls();
}

void TAsciiImport::selectFileClicked() {
    QString chosen;
    {
        KeepCurrentDir keep;
        chosen = dialogs_.chooseOpenFile(QStringLiteral("Select ASCII File"), QString(),
                                         QStringLiteral("Text files, CSV Files|*.csv;*.txt;*.prn;*.CSV;*.TXT;*.PRN|All files|*"),
                                         QStringLiteral("csv"));
    }
    useFile(chosen);
}

void TAsciiImport::useFile(const QString& path) {
    session_.chooseFile(path);
    updateControls();
}

void TAsciiImport::optionsChanged() {
    if (updating_ || !session_.hasFile()) return;
    session_.resample(static_cast<char>(separator_->currentData().toInt()), header_->isChecked(),
                      static_cast<TextEncoding>(encoding_->currentData().toInt()));
    updateControls();
}

void TAsciiImport::updateControls() {
    updating_ = true;
    const bool has = session_.hasFile();
    path_->setText(has ? session_.path() : kNone);
    match_->setEnabled(has);
    import_->setEnabled(session_.canImport());
    separator_->setEnabled(has);
    encoding_->setEnabled(has);
    header_->setEnabled(has);
    if (has) {
        separator_->setCurrentIndex(separator_->findData(int(session_.sample().separator)));
        encoding_->setCurrentIndex(encoding_->findData(static_cast<int>(session_.sample().encoding)));
        header_->setChecked(session_.sample().headerLine);
        status_->setText(QStringLiteral("%1 columns, %2%3")
                             .arg(session_.sample().columnCount())
                             .arg(encodingName(session_.sample().encoding))
                             .arg(session_.sample().byteOrderMark ? QStringLiteral(" with a byte-order mark") : QString()));
    } else {
        header_->setChecked(false);
        status_->clear();
    }
    updating_ = false;
}

void TAsciiImport::matchFieldsClicked() {
    if (!session_.hasFile()) return;
    TAsciiMatch dlg(session_.sample(), QFileInfo(session_.path()).fileName(), session_.matching(), this);
    if (dlg.execCentred(this) == QDialog::Accepted) session_.setMatching(dlg.matching());
    import_->setEnabled(session_.canImport());
}

void TAsciiImport::importClicked() {
    if (!session_.canImport()) return;
    runImport([this](const RunControl& c) { return session_.run(c); });
}

// ---- DBF ----

TDBFImport::TDBFImport(store::Table& target, const QString& targetPath, common::UserDialogs& dialogs, QWidget* parent)
    : ImportWindowBase(help::topic::ImportDbf, QStringLiteral("DBF File Import"), QStringLiteral("DBF File Name"),
                       dialogs, parent),
      session_(target, targetPath, dialogs) {
    auto* select = address::ui::plainButton(QStringLiteral("Select DBF File"), QStringLiteral("selectButton"), this);
    select->setWhatsThis(QStringLiteral("Choose the table to import (dBASE, FoxPro or Visual FoxPro)."));
    match_ = address::ui::plainButton(QStringLiteral("Match Fields"), QStringLiteral("matchButton"), this);
    match_->setWhatsThis(QStringLiteral("Choose which field of the table fills which address field."));
    connect(select, &QPushButton::clicked, this, &TDBFImport::selectFileClicked);
    connect(match_, &QPushButton::clicked, this, &TDBFImport::matchFieldsClicked);
    connect(import_, &QPushButton::clicked, this, &TDBFImport::importClicked);
    layOut({select, match_, import_});
    updateControls();
}

void TDBFImport::selectFileClicked() {
    QString chosen;
    {
        KeepCurrentDir keep;
        chosen = dialogs_.chooseOpenFile(QStringLiteral("Select DBF File"), QString(),
                                         QStringLiteral("DBF Files|*.dbf;*.DBF"), QStringLiteral("dbf"));
    }
    useFile(chosen);
}

void TDBFImport::useFile(const QString& path) {
    session_.chooseFile(path);
    updateControls();
}

void TDBFImport::updateControls() {
    path_->setText(session_.hasFile() ? session_.path() : kNone);
    match_->setEnabled(session_.hasFile());
    import_->setEnabled(session_.canImport());
}

void TDBFImport::matchFieldsClicked() {
    if (!session_.hasFile()) return;
    TDBFMatch dlg(*session_.source(), session_.fields(), QFileInfo(session_.path()).fileName(),
                  session_.matchingForWindow(), this);
    if (dlg.execCentred(this) == QDialog::Accepted) session_.setMatching(dlg.matching());
    updateControls();
}

void TDBFImport::importClicked() {
    if (!session_.canImport()) return;
    runImport([this](const RunControl& c) { return session_.run(c); });
}

// ---- older generations ----

TImportOlder::TImportOlder(store::Table& target, const QString& targetPath, Generation generation,
                           common::UserDialogs& dialogs, QWidget* parent)
    : ImportWindowBase(help::topic::ImportOlder, QString(), QStringLiteral("DBF File Name"), dialogs, parent),
      session_(target, targetPath, generation, dialogs) {
    setWindowTitle(session_.caption());
    auto* select = address::ui::plainButton(QStringLiteral("Select DBF File"), QStringLiteral("selectButton"), this);
    select->setWhatsThis(QStringLiteral("Choose the address table of the older version."));
    connect(select, &QPushButton::clicked, this, &TImportOlder::selectFileClicked);
    connect(import_, &QPushButton::clicked, this, &TImportOlder::importClicked);
    layOut({select, import_});
}

void TImportOlder::selectFileClicked() {
    QString chosen;
    {
        KeepCurrentDir keep;
        chosen = dialogs_.chooseOpenFile(QStringLiteral("Select DBF File"), QString(),
                                         QStringLiteral("DBF Files|*.dbf;*.DBF"), QStringLiteral("dbf"));
    }
    if (chosen.isEmpty()) return;
    useFile(chosen);
}

void TImportOlder::useFile(const QString& path) {
    session_.chooseFile(path);
    path_->setText(session_.hasFile() ? session_.path() : kNone);
    import_->setEnabled(session_.hasFile());
}

void TImportOlder::importClicked() {
    if (!session_.hasFile()) return;
    runImport([this](const RunControl& c) { return session_.run(c); });
}

}  // namespace brindle::transfer::ui
