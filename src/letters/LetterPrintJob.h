#pragma once
// The letter print job: a template merged with each record of a record set
// and drawn, page after page and copy after copy, onto one page canvas
// (printer, PDF file or page recorder). No window: the status window, the
// preview and brindle-db all run this routine.
//
// Each record's letter is a fresh copy of the template with the record's
// values merged in one pass (LetterMerge); one Paginator serves the whole
// run, so the text box is the paper minus the template's margins on every
// back-end, and print and preview break lines and pages alike. After every
// page the progress is told the page count and asked whether the user wants
// to stop; a stop is confirmed with "Cancel print job?" before the job is
// aborted. A device failure aborts the job and ends it as failed with the
// device's error text, never as completed.
#include <QString>

#include "address/RecordSet.h"
#include "letters/LetterMerge.h"
#include "letters/MergeTokens.h"

namespace brindle::store {
class Table;
}
namespace brindle::common {
class UserDialogs;
}
namespace brindle::printing {
class PageCanvas;
}
namespace brindle::richtext {
class RichDocument;
}

namespace brindle::letters {

// Texts of the job.
extern const char* const kLetterPrintCompleted;  // "Letter Print Completed!"
extern const char* const kLetterPrintCanceled;   // "Letter Print Canceled!"
extern const char* const kLetterPrintFailed;     // "Letter Print Failed!"
extern const char* const kCancelPrintJob;        // "Cancel print job?"
QString printingPageText(int page);              // "Printing page " + page

struct LetterJob {
    address::RecordSetSpec records;  // All, FilterMatches or CurrentOnly; start from current
    int copies = 1;                  // of each letter, 1 to 999
    TokenContext context;            // today's date and the user's date pattern
};

class LetterProgress {
public:
    virtual ~LetterProgress() = default;
    // After every page: the status line ("Printing page 7").
    virtual void status(const QString& text) = 0;
    // After every page: whether the user pressed Cancel since the last time
    // (the request is cleared by asking).
    virtual bool cancelRequested() = 0;
};

struct LetterResult {
    enum class Outcome { Completed, Cancelled, Failed };
    Outcome outcome = Outcome::Completed;
    int pages = 0;    // pages drawn (every copy counted)
    int records = 0;  // records merged
    QString message;  // the final status line; for Failed, followed by the error on a new line
};

// The values of the tokens for the table's current record.
MergeValues recordValues(const store::Table& table, const TokenContext& context);

// Runs the job over `table` (an address file) and ends the canvas. The
// table's filter, order and current record are as before afterwards.
// `dialogs` receives "Current record is out of range..." and the cancel
// question. A filter that does not compile ends the job as failed.
LetterResult runLetterJob(const richtext::RichDocument& letterTemplate, store::Table& table, const LetterJob& job,
                          printing::PageCanvas& canvas, LetterProgress& progress, common::UserDialogs& dialogs);

}  // namespace brindle::letters
