#include "envelopes/EnvelopeJob.h"

#include <algorithm>

#include <exception>

#include "common/UserDialogs.h"
#include "designobjects/DesignSurface.h"
#include "printing/PageCanvas.h"
#include "store/Table.h"

namespace brindle::envelopes {

QString outOfRangeMessage() { return QString::fromLatin1(address::kOutOfRangeMessage); }

QString cancelQuestion() { return QStringLiteral("Cancel Envelope Printing?"); }

namespace {

address::RecordSetSpec recordSetSpec(const store::Table& table, WhatToPrint what, bool startFromCurrent) {
    address::RecordSetSpec spec;
    spec.startFromCurrent = startFromCurrent;
    switch (what) {
    case WhatToPrint::AllRecords: spec.choice = address::RecordChoice::All; break;
    case WhatToPrint::MatchingFilter:
        // The main window's filter as the table carries it.
        spec.choice = address::RecordChoice::FilterMatches;
        spec.query = table.filter();
        break;
    case WhatToPrint::OnlyCurrent:
        spec.choice = address::RecordChoice::CurrentOnly;
        spec.currentKeepsFilter = true;
        break;
    }
    return spec;
}

}  // namespace

EnvelopeRecords::EnvelopeRecords(store::Table& table, WhatToPrint what, bool startFromCurrent,
                                 common::UserDialogs& dialogs)
    : what_(what), set_(table, recordSetSpec(table, what, startFromCurrent)) {
    atEnd_ = !set_.start(&dialogs);
}

void EnvelopeRecords::next() {
    if (!atEnd_) atEnd_ = !set_.next();
}

EnvelopeJobResult runEnvelopeJob(designobjects::DesignSurface& surface, EnvelopeRecords& records,
                                 printing::PageCanvas& canvas, const EnvelopeJobSettings& settings,
                                 EnvelopeJobControl& control, common::UserDialogs& dialogs) {
    EnvelopeJobResult result;
    canvas.setStatusHandler([&control](const QString& text) { control.status(text); });
    canvas.setStatusPattern(QStringLiteral("Printing Page %p\r%0\r%1"));
    canvas.setMargins({});
    const QPointF offset = feedOffset(canvas.pageWidth(), canvas.pageHeight(), settings.envelopeWidth,
                                      settings.envelopeHeight, settings.feed);
    const QRectF printable = settings.printableArea.isEmpty() ? canvas.printableRect() : settings.printableArea;
    surface.setPrinting(true);
    try {
        bool first = true;
        while (!records.atEnd() && !canvas.aborted()) {
            if (!first) canvas.newPage();
            first = false;
            if (settings.preview) {
                // Where the printer can print, for the user's eyes only.
                canvas.setPen(0x000000FF, printing::PenStyle::Dot, printing::PenMode::Copy, 1);
                canvas.setBrush(0x00FFFFFF, printing::BrushStyle::Clear);
                canvas.rectangle(printable);
            }
            surface.refreshData();
            surface.printObjects(canvas, offset.y(), offset.x());
            ++result.envelopes;
            if (records.onlyOne()) break;
            records.next();
            if (control.stopPressed()) {
                if (settings.preview) {
                    result.stopped = true;
                    break;
                }
                if (dialogs.askYesNo(cancelQuestion(), QStringLiteral("CANCEL"))) {
                    canvas.abort();
                    result.cancelled = true;
                    break;
                }
            }
        }
    } catch (...) {
        surface.setPrinting(false);
        canvas.setStatusHandler({});
        throw;
    }
    surface.setPrinting(false);
    canvas.setStatusHandler({});
    // A page reaches the device when something is drawn on it (a blank one
    // before a drawn one too): envelopes at the end that draw nothing, say a
    // barcode alone with a ZIP that is not well formed, are never printed.
    if (!result.cancelled && !canvas.aborted()) result.envelopes = std::min(result.envelopes, canvas.pagesEmitted());
    if (result.cancelled || canvas.aborted())
        result.finalStatus = settings.preview ? QStringLiteral("\rEnvelope Preview Canceled!")
                                              : QStringLiteral("\rEnvelope Print Canceled!");
    else if (result.stopped) result.finalStatus = QStringLiteral("\rPreview Stopped!");
    else if (!settings.preview) result.finalStatus = QStringLiteral("\rEnvelope Print Completed!");
    return result;
}

}  // namespace brindle::envelopes
