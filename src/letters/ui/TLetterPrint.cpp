#include "letters/ui/TLetterPrint.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "address/AddressFile.h"
#include "common/Common.h"
#include "common/ProfileFile.h"
#include "common/UserDialogs.h"
#include "printer/CurrentPrinter.h"
#include "letters/ui/TRTFPreviewForm.h"
#include "richtext/Paginator.h"
#include "richtext/RichDocument.h"
#include "store/Table.h"

namespace brindle::letters::ui {

TLetterPrint::TLetterPrint(const richtext::RichDocument& letterTemplate, store::Table& table, LetterJob job,
                           printing::PageCanvas& canvas, common::UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), template_(letterTemplate), table_(table), job_(std::move(job)), canvas_(canvas), dialogs_(dialogs) {
    setWindowTitle(QStringLiteral("Print Status Screen"));
    auto* layout = new QVBoxLayout(this);
    message_ = new QLabel(QStringLiteral("Printing..."), this);
    message_->setAlignment(Qt::AlignCenter);
    QFont bold = message_->font();
    bold.setBold(true);
    message_->setFont(bold);
    message_->setMinimumWidth(320);
    layout->addWidget(message_);
    auto* row = new QHBoxLayout;
    button_ = new QPushButton(QStringLiteral("Cancel"), this);
    row->addStretch(1);
    row->addWidget(button_);
    row->addStretch(1);
    layout->addLayout(row);
    connect(button_, &QPushButton::clicked, this, &TLetterPrint::buttonClick);
}

int TLetterPrint::exec() {
    QTimer::singleShot(0, this, [this] { runJob(); });
    return QDialog::exec();
}

void TLetterPrint::runJob() {
    if (started_) return;
    started_ = true;
    result_ = runLetterJob(template_, table_, job_, canvas_, *this, dialogs_);
    finished_ = true;
    message_->setText(result_.message);
    button_->setText(QStringLiteral("OK"));
}

void TLetterPrint::status(const QString& text) {
    message_->setText(text);
    dialogs_.processEvents();  // lets Cancel be pressed between pages
}

bool TLetterPrint::cancelRequested() {
    const bool asked = cancel_;
    cancel_ = false;
    return asked;
}

void TLetterPrint::buttonClick() {
    const QString caption = button_->text();
    if (caption.compare(QStringLiteral("Cancel"), Qt::CaseInsensitive) == 0 ||
        caption.compare(QStringLiteral("STOP"), Qt::CaseInsensitive) == 0) {
        if (started_ && !finished_) cancel_ = true;
        else if (!started_) QDialog::reject();
        return;
    }
    accept();
}

// Escape and the title bar's close act as the button does.
void TLetterPrint::reject() { buttonClick(); }

LetterResult runLetterPrint(QWidget* parent, address::AddressFile& file, const richtext::RichDocument& letterTemplate,
                            const LetterPrintRequest& request, printer::CurrentPrinter& printer,
                            common::UserDialogs& dialogs) {
    LetterResult result;
    store::Table* table = file.table();
    if (!table) return result;
    // The letter's own paper; the window's copies count, not the printer's.
    const richtext::PageSetup& page = letterTemplate.page();
    QSizeF portrait = page.paperInches();
    if (page.landscape && portrait.width() > portrait.height()) portrait.transpose();
    printer.requestPaper(printer::CurrentPrinter::Custom, portrait);
    printer.setOrientation(page.landscape ? printing::Orientation::Landscape : printing::Orientation::Portrait);
    printer.setCopies(1);
    const std::unique_ptr<printing::PageCanvas> canvas = printer.openJob(dialogs, QStringLiteral("Letters"));
    if (!canvas) return result;

    LetterJob job;
    job.records.choice = request.choice;
    job.records.query = file.queryExpression();
    job.records.startFromCurrent = request.startFromCurrent;
    job.copies = request.copies;
    job.context = currentTokenContext();
    {
        TLetterPrint window(letterTemplate, *table, job, *canvas, dialogs, parent);
        window.exec();
        result = window.result();
    }
    file.refresh();
    return result;
}

void showLetterPreview(QWidget* parent, address::AddressFile& file, const richtext::RichDocument& letterTemplate,
                       common::UserDialogs& dialogs) {
    if (!file.table()) return;
    AddressFileRecords records(file, currentTokenContext());
    common::ProfileFile settings(common::settingsPath());
    TRTFPreviewForm form(letterTemplate, records, dialogs, &settings, parent);
    form.exec();
}

}  // namespace brindle::letters::ui
