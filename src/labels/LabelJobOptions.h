#pragma once
// The choices of one label print or preview kept by "Print Labels" while it
// is open: which records, where to start, the bulk-mail presort and whether
// it has already run for these choices, the sheet positions that take labels
// and how many labels each record gets. Also the one-fifth-scale picture of
// a sheet the position picker draws and picks from.
#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>
#include <string>

#include "address/RecordSet.h"
#include "labels/LabelSetup.h"

namespace brindle::labels {

enum class WhatToPrint { All, FilterMatches, CurrentOnly };

using PositionMask = std::array<bool, kMaxPositions>;

class LabelJobOptions {
public:
    // Without a filter in the main window the job starts on all records and
    // the filter choice cannot be taken.
    explicit LabelJobOptions(bool hasFilter);

    WhatToPrint what() const { return what_; }
    bool filterChoiceEnabled() const { return hasFilter_; }
    // Any choice clears `presorted`; only the current record cannot be
    // presorted (the presort box is cleared and disabled), the others enable it.
    void setWhat(WhatToPrint what);
    bool startFromCurrent() const { return startFromCurrent_; }
    void setStartFromCurrent(bool on);  // clears `presorted`
    bool presort() const { return presort_; }
    bool presortEnabled() const { return what_ != WhatToPrint::CurrentOnly; }
    void setPresort(bool on);
    // A presort completed for the current choices: a second job reuses its order file.
    bool presorted() const { return presorted_; }
    void setPresorted(bool on) { presorted_ = on; }

    PositionMask positions;
    int copies = 1;

    // The record set of the job for the main window's filter `query`.
    address::RecordSetSpec recordSpec(const std::string& query) const;

private:
    bool hasFilter_;
    WhatToPrint what_;
    bool startFromCurrent_ = false;
    bool presort_ = false;
    bool presorted_ = false;
};

// Sets or clears every position of the sheet (rows × columns, never past
// kMaxPositions); positions beyond the sheet keep their values.
void setSheetPositions(PositionMask& mask, const LabelSetup& setup, bool on);
// Whether any position of the sheet is chosen.
bool anySheetPosition(const PositionMask& mask, const LabelSetup& setup);
// Copies as the job takes them: 1 to 99.
int clampCopies(int copies);

// ---- the position picture: one fifth of real size, 10 pixels in from the corner

class SheetPicture {
public:
    SheetPicture(const LabelSetup& setup, double pixelsPerInch);
    QRect sheet() const;
    // The label at a sheet position, placed where labelOrigin puts it.
    QRect label(int position) const;
    // The position under a point; -1 outside every label.
    int positionAt(QPoint p) const;
    // The drawing area: at least a Letter sheet, wider or taller for larger sheets.
    QSize area() const;

private:
    int scaled(double inches) const;
    LabelSetup setup_;
    double scale_;
};

}  // namespace brindle::labels
