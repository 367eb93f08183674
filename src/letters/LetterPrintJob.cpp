#include "letters/LetterPrintJob.h"

#include "common/UserDialogs.h"
#include "letters/LetterMerge.h"
#include "printing/PageCanvas.h"
#include "richtext/Paginator.h"
#include "richtext/RichDocument.h"
#include "store/Table.h"

#include <algorithm>
#include <exception>
#include <optional>

namespace brindle::letters {

const char* const kLetterPrintCompleted = "Letter Print Completed!";
const char* const kLetterPrintCanceled = "Letter Print Canceled!";
const char* const kLetterPrintFailed = "Letter Print Failed!";
const char* const kCancelPrintJob = "Cancel print job?";

QString printingPageText(int page) { return QStringLiteral("Printing page ") + QString::number(page); }

MergeValues recordValues(const store::Table& table, const TokenContext& context) {
    const FieldValue field = [&table](const char* name) {
        // Files of older generations may lack a field: its tokens merge as empty.
        return table.fieldIndex(name) < 0 ? QString() : QString::fromStdString(table.getText(name));
    };
    return tokenValues(field, context);
}

namespace {

LetterResult failed(LetterResult r, printing::PageCanvas& canvas, const QString& error) {
    canvas.abort();  // a half-written PDF never replaces the old file; a printer job never reaches the spooler
    r.outcome = LetterResult::Outcome::Failed;
    r.message = QString::fromLatin1(kLetterPrintFailed);
    if (!error.isEmpty()) r.message += QLatin1Char('\n') + error;
    return r;
}

}  // namespace

LetterResult runLetterJob(const richtext::RichDocument& letterTemplate, store::Table& table, const LetterJob& job,
                          printing::PageCanvas& canvas, LetterProgress& progress, common::UserDialogs& dialogs) {
    LetterResult r;
    const int copies = std::clamp(job.copies, 1, 999);
    std::optional<address::RecordSet> set;
    try {
        set.emplace(table, job.records);
    } catch (const std::exception& e) {
        return failed(r, canvas, QString::fromUtf8(e.what()));
    }

    const LetterMerge merge(letterTemplate);
    richtext::RichDocument letter;
    richtext::Paginator pages(letter);
    bool cancelled = false;
    try {
        bool paperSet = false;
        for (bool more = set->start(&dialogs); more && !cancelled; more = set->next()) {
            merge.merge(recordValues(table, job.context), letter);
            pages.relayout();
            if (!paperSet) {
                pages.applyPaper(canvas);
                paperSet = true;
            }
            ++r.records;
            for (int copy = 0; copy < copies && !cancelled; ++copy) {
                for (int start = 0; start >= 0 && !cancelled;) {
                    if (r.pages > 0) canvas.newPage();
                    const int next = pages.drawPage(canvas, start);
                    ++r.pages;
                    if (!canvas.errorString().isEmpty() || canvas.aborted())
                        return failed(r, canvas, canvas.errorString());
                    // Every page must move on through the letter; one that does
                    // not would print the same page for ever.
                    if (next >= 0 && next <= start)
                        return failed(r, canvas, QStringLiteral("The letter cannot be divided into pages."));
                    start = next;
                    progress.status(printingPageText(r.pages));
                    if (progress.cancelRequested() &&
                        dialogs.askYesNo(QString::fromLatin1(kCancelPrintJob), QStringLiteral("CANCEL")))
                        cancelled = true;
                }
            }
            if (job.records.choice == address::RecordChoice::CurrentOnly) break;
        }
    } catch (const std::exception& e) {
        return failed(r, canvas, QString::fromUtf8(e.what()));
    }
    if (cancelled) {
        canvas.abort();
        r.outcome = LetterResult::Outcome::Cancelled;
        r.message = QString::fromLatin1(kLetterPrintCanceled);
        return r;
    }
    if (!canvas.end()) return failed(r, canvas, canvas.errorString());
    r.message = QString::fromLatin1(kLetterPrintCompleted);
    return r;
}

}  // namespace brindle::letters
