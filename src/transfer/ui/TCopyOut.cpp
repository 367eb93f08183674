#include "transfer/ui/TCopyOut.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "common/UserDialogs.h"
#include "help/HelpTopics.h"

namespace brindle::transfer::ui {

TCopyOut::TCopyOut(store::Table& source, const QString& openFile, const QString& startFolder,
                   common::UserDialogs& dialogs, QWidget* parent)
    : HelpDialog(help::topic::Export, parent), source_(source), openFile_(openFile), folder_(startFolder),
      dialogs_(dialogs) {
    setWindowTitle(QStringLiteral("Copy Records Out"));
    auto* note = new QLabel(QStringLiteral(
        "Note: this is NOT a backup. The program does its best to verify that data is accurately and reliably "
        "copied, but it is up to you to verify it by opening and viewing the exported file. We do not recommend "
        "copying directly to a floppy disk."), this);
    note->setWordWrap(true);
    note->setObjectName(QStringLiteral("noteLabel"));

    choices_ = new QGroupBox(this);
    dbf_ = new QRadioButton(QStringLiteral("Copy to a &DBF file"), choices_);
    dbf_->setObjectName(QStringLiteral("dbfChoice"));
    dbf_->setWhatsThis(QStringLiteral("A new table with the address file's fields and memos, without an index."));
    text_ = new QRadioButton(QStringLiteral("Copy to an &ASCII file (comma delimited)"), choices_);
    text_->setObjectName(QStringLiteral("textChoice"));
    text_->setWhatsThis(QStringLiteral("One line per record, twenty quoted values separated by commas."));
    dbf_->setChecked(true);
    encoding_ = new QComboBox(choices_);
    encoding_->setObjectName(QStringLiteral("encodingBox"));
    encoding_->addItem(encodingName(TextEncoding::Utf8), static_cast<int>(TextEncoding::Utf8));
    encoding_->addItem(encodingName(TextEncoding::Windows1252), static_cast<int>(TextEncoding::Windows1252));
    encoding_->setWhatsThis(QStringLiteral(
        "UTF-8 holds every character; Windows-1252 is what older Windows programs read."));
    header_ = new QCheckBox(QStringLiteral("First line holds field names"), choices_);
    header_->setObjectName(QStringLiteral("headerBox"));
    header_->setWhatsThis(QStringLiteral("Writes a first line naming the twenty fields."));
    auto* textOptions = new QHBoxLayout;
    textOptions->setContentsMargins(24, 0, 0, 0);
    textOptions->addWidget(new QLabel(QStringLiteral("Encoding"), choices_));
    textOptions->addWidget(encoding_);
    textOptions->addWidget(header_);
    textOptions->addStretch();
    auto* choiceLayout = new QVBoxLayout(choices_);
    choiceLayout->addWidget(dbf_);
    choiceLayout->addWidget(text_);
    choiceLayout->addLayout(textOptions);
    connect(dbf_, &QRadioButton::toggled, this, [this] { formatChanged(); });

    progressArea_ = new QWidget(this);
    copying_ = new QLabel(progressArea_);
    copying_->setObjectName(QStringLiteral("copyingLabel"));
    gauge_ = new QProgressBar(progressArea_);
    gauge_->setObjectName(QStringLiteral("gauge"));
    gauge_->setRange(0, 100);
    auto* progressLayout = new QVBoxLayout(progressArea_);
    progressLayout->setContentsMargins(0, 0, 0, 0);
    progressLayout->addWidget(copying_);
    progressLayout->addWidget(gauge_);
    progressArea_->hide();

    saveAs_ = address::ui::plainButton(QStringLiteral("Save As"), QStringLiteral("saveAsButton"), this);
    saveAs_->setWhatsThis(QStringLiteral("Choose the new file's name; the copy starts at once."));
    auto* cancel = address::ui::plainButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"), this);
    cancel->setWhatsThis(QStringLiteral("Closes the window; during a copy, asks whether to stop it."));
    help_ = makeHelpButton();
    connect(saveAs_, &QPushButton::clicked, this, &TCopyOut::saveAsClicked);
    connect(cancel, &QPushButton::clicked, this, &TCopyOut::cancelClicked);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveAs_);
    buttons->addWidget(cancel);
    buttons->addWidget(help_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(choices_);
    layout->addWidget(progressArea_);
    layout->addLayout(buttons);
    setMinimumWidth(460);
    formatChanged();
}

ExportOptions TCopyOut::options() const {
    ExportOptions o;
    o.knownCount = knownCount;
    o.format = dbf_->isChecked() ? ExportFormat::Dbf : ExportFormat::Csv;
    o.encoding = static_cast<TextEncoding>(encoding_->currentData().toInt());
    o.headerLine = header_->isChecked();
    return o;
}

void TCopyOut::formatChanged() {
    encoding_->setEnabled(text_->isChecked());
    header_->setEnabled(text_->isChecked());
}

void TCopyOut::saveAsClicked() {
    const bool dbf = dbf_->isChecked();
    const QString chosen = dialogs_.chooseSaveFile(
        QStringLiteral("Save As"), folder_,
        dbf ? QStringLiteral("DBF files|*.DBF;*.dbf") : QStringLiteral("Text files|*.CSV;*.csv;*.TXT;*.txt"),
        dbf ? QStringLiteral("DBF") : QStringLiteral("CSV"));
    copyTo(chosen);
}

void TCopyOut::copyTo(const QString& chosen) {
    const ExportOptions o = options();
    const QString target = acceptExportTarget(chosen, openFile_, o.format, dialogs_);
    if (target.isEmpty()) return;
    folder_ = QFileInfo(target).absolutePath();
    copying_now_ = true;
    cancelRequested_ = false;
    choices_->hide();
    help_->hide();
    saveAs_->setEnabled(false);
    copying_->setText(QStringLiteral("Copying to ") + target);
    gauge_->setValue(0);
    progressArea_->show();
    QElapsedTimer timer;
    timer.start();
    RunControl c;
    c.progress = [this](int pct) { gauge_->setValue(pct); };
    c.cancelRequested = [this, &timer] {
        if (timer.elapsed() >= 40) {
            dialogs_.processEvents();
            timer.restart();
        }
        return cancelRequested_;
    };
    {
        common::BusyScope busy(dialogs_);
        result_ = exportRecords(source_, target, o, c);
    }
    copying_now_ = false;
    const QString message = result_.message();
    if (!message.isEmpty()) dialogs_.showInfo(message);
    accept();
}

void TCopyOut::cancelClicked() {
    if (copying_now_) {
        if (dialogs_.askYesNoDefaultNo(QStringLiteral("Cancel copy?"), QStringLiteral("Cancel"))) cancelRequested_ = true;
        return;
    }
    QDialog::reject();
}

void TCopyOut::reject() { cancelClicked(); }

}  // namespace brindle::transfer::ui
