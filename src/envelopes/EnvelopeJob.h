#pragma once
// One envelope print or preview job without a window: which address
// records take part and from where, and the loop that prints one envelope
// per record onto a page canvas at the feed offset.
#include <QRectF>
#include <QString>
#include <cstdint>
#include <string>

#include "address/RecordSet.h"
#include "envelopes/EnvelopeFeed.h"

namespace brindle::store {
class Table;
}
namespace brindle::common {
class UserDialogs;
}
namespace brindle::printing {
class PageCanvas;
}
namespace brindle::designobjects {
class DesignSurface;
}

namespace brindle::envelopes {

enum class WhatToPrint { AllRecords, MatchingFilter, OnlyCurrent };

// The records of a job over the address table, through the shared record
// set: all live records, the records the main window's filter matches, or
// only the current record (which keeps the filter and is not moved).
// Records the engine marks deleted and records flagged ISDEL are never
// printed; filter, order and record are put back when it goes.
class EnvelopeRecords {
public:
    EnvelopeRecords(store::Table& table, WhatToPrint what, bool startFromCurrent, common::UserDialogs& dialogs);
    EnvelopeRecords(const EnvelopeRecords&) = delete;
    EnvelopeRecords& operator=(const EnvelopeRecords&) = delete;

    bool atEnd() const { return atEnd_; }
    // To the next member; only one record for "only the current record".
    void next();
    bool onlyOne() const { return what_ == WhatToPrint::OnlyCurrent; }

private:
    WhatToPrint what_;
    address::RecordSet set_;
    bool atEnd_ = true;
};

// "Current record is out of range. Starting with first record"
QString outOfRangeMessage();

// The status window's side of a job: it shows the status text and, between
// envelopes, lets the user's input through and says whether the stop
// button was pressed.
class EnvelopeJobControl {
public:
    virtual ~EnvelopeJobControl() = default;
    virtual void status(const QString& text) { (void)text; }
    virtual bool stopPressed() = 0;
};

struct EnvelopeJobSettings {
    double envelopeWidth = 0;  // inches, the design's surface
    double envelopeHeight = 0;
    EnvelopeFeed feed;
    bool preview = false;
    // The printer's printable area in inches from the paper's corner, which
    // the preview outlines; empty: the canvas's own.
    QRectF printableArea;
};

struct EnvelopeJobResult {
    int envelopes = 0;
    bool cancelled = false;  // print: the user confirmed Cancel; the job was thrown away
    bool stopped = false;    // preview: stopped; the pages so far stay
    QString finalStatus;     // "\rEnvelope Print Completed!" and the like
};

// The question a Cancel during printing asks (caption "CANCEL").
QString cancelQuestion();

// Prints one envelope per record of `records` with the design of `surface`
// at the feed offset for the canvas's page. In preview, each page first
// gets the printable area outlined with a red dotted pen; printed pages
// never do. After each envelope the control is asked for the stop button:
// while printing, a Cancel the user confirms ends the loop at once and
// aborts the canvas (nothing reaches the printer); while previewing, Stop
// ends the loop and the pages made so far stay.
EnvelopeJobResult runEnvelopeJob(designobjects::DesignSurface& surface, EnvelopeRecords& records,
                                 printing::PageCanvas& canvas, const EnvelopeJobSettings& settings,
                                 EnvelopeJobControl& control, common::UserDialogs& dialogs);

}  // namespace brindle::envelopes
