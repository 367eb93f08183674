#include "labels/LabelJobOptions.h"

#include <algorithm>
#include <cmath>

namespace brindle::labels {

LabelJobOptions::LabelJobOptions(bool hasFilter)
    : hasFilter_(hasFilter), what_(hasFilter ? WhatToPrint::FilterMatches : WhatToPrint::All) {
    positions.fill(true);
}

void LabelJobOptions::setWhat(WhatToPrint what) {
    if (what == WhatToPrint::FilterMatches && !hasFilter_) what = WhatToPrint::All;
    what_ = what;
    presorted_ = false;
    if (what_ == WhatToPrint::CurrentOnly) presort_ = false;
}

void LabelJobOptions::setStartFromCurrent(bool on) {
    startFromCurrent_ = on;
    presorted_ = false;
}

void LabelJobOptions::setPresort(bool on) { presort_ = on && presortEnabled(); }

address::RecordSetSpec LabelJobOptions::recordSpec(const std::string& query) const {
    address::RecordSetSpec spec;
    switch (what_) {
    case WhatToPrint::All: spec.choice = address::RecordChoice::All; break;
    case WhatToPrint::FilterMatches:
        spec.choice = address::RecordChoice::FilterMatches;
        spec.query = query;
        break;
    case WhatToPrint::CurrentOnly: spec.choice = address::RecordChoice::CurrentOnly; break;
    }
    spec.startFromCurrent = startFromCurrent_;
    return spec;
}

namespace {

int sheetPositions(const LabelSetup& setup) {
    if (setup.nbrAcross < 1 || setup.nbrDown < 1) return 0;
    return std::min(kMaxPositions, setup.nbrAcross * setup.nbrDown);
}

}  // namespace

void setSheetPositions(PositionMask& mask, const LabelSetup& setup, bool on) {
    std::fill_n(mask.begin(), sheetPositions(setup), on);
}

bool anySheetPosition(const PositionMask& mask, const LabelSetup& setup) {
    const int n = sheetPositions(setup);
    return std::any_of(mask.begin(), mask.begin() + n, [](bool b) { return b; });
}

int clampCopies(int copies) { return std::clamp(copies, 1, 99); }

SheetPicture::SheetPicture(const LabelSetup& setup, double pixelsPerInch)
    : setup_(setup), scale_(0.2 * pixelsPerInch) {}

int SheetPicture::scaled(double inches) const { return static_cast<int>(std::trunc(inches * scale_)); }

QRect SheetPicture::sheet() const {
    return QRect(QPoint(10, 10), QPoint(10 + scaled(setup_.sheetWidth), 10 + scaled(setup_.sheetDepth)));
}

QRect SheetPicture::label(int position) const {
    const LabelOrigin o = labelOrigin(setup_, position);
    return QRect(scaled(o.x) + 10, scaled(o.y) + 10, scaled(setup_.lblWidth), scaled(setup_.lblHeight));
}

int SheetPicture::positionAt(QPoint p) const {
    const int n = sheetPositions(setup_);
    for (int i = 0; i < n; ++i)
        if (label(i).contains(p)) return i;
    return -1;
}

QSize SheetPicture::area() const {
    const int w = std::max(scaled(8.5), scaled(setup_.sheetWidth)) + 20;
    const int h = std::max(scaled(11.0), scaled(setup_.sheetDepth)) + 20;
    return {w, h};
}

}  // namespace brindle::labels
