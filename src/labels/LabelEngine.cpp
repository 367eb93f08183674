#include "labels/LabelEngine.h"

#include <QFile>

#include "designobjects/DesignSurface.h"
#include "mailing/Presort.h"
#include "printing/PageCanvas.h"
#include "store/Cp1252.h"
#include "store/Table.h"

namespace brindle::labels {

// ---------------------------------------------------------------- design

SurfaceLabelDesign::SurfaceLabelDesign(designobjects::DesignSurface& surface)
    : surface_(surface), wasPrinting_(surface.printing()) {
    surface_.setPrinting(true);
}

SurfaceLabelDesign::~SurfaceLabelDesign() { surface_.setPrinting(wasPrinting_); }

void SurfaceLabelDesign::refreshData() { surface_.refreshData(); }

void SurfaceLabelDesign::printObjects(printing::PageCanvas& page, double top, double left) {
    surface_.printObjects(page, top, left);
}

void SurfaceLabelDesign::advanceCounters() { surface_.advanceCounters(); }

void SurfaceLabelDesign::resetCounters() { surface_.resetCounters(); }

// ---------------------------------------------------------------- records

LabelRecords::LabelRecords(store::Table& table)
    : table_(table), hasIsdel_(table.fieldIndex("ISDEL") >= 0), hasZip_(table.fieldIndex("ZIP") >= 0) {}

bool LabelRecords::belongs() const {
    if (!table_.hasRecord() || table_.eof()) return false;
    if (table_.deleted()) return false;
    if (hasIsdel_ && table_.getLogical("ISDEL")) return false;
    const std::string& filter = table_.filter();
    return filter.empty() || table_.evalLogical(filter);
}

bool LabelRecords::settle() {
    atEnd_ = false;
    ++reads_;
    while (!belongs()) {
        if (table_.eof() || !table_.next() || table_.eof()) {
            atEnd_ = true;
            return false;
        }
        ++reads_;
    }
    return true;
}

bool LabelRecords::first() {
    atEnd_ = false;
    if (!table_.first()) {
        atEnd_ = true;
        return false;
    }
    return settle();
}

bool LabelRecords::next() {
    if (atEnd_) return false;
    if (!table_.next() || table_.eof()) {
        atEnd_ = true;
        return false;
    }
    return settle();
}

bool LabelRecords::atEnd() const { return atEnd_; }

void LabelRecords::toEnd() { atEnd_ = true; }

std::string LabelRecords::zipKey() const {
    if (!hasZip_ || !table_.hasRecord()) return {};
    return mailing::presortKey(table_.getRaw("ZIP"));
}

bool LabelRecords::seekZipKey(const std::string& keyIn) {
    atEnd_ = false;
    // The ZIP tag holds UPPER(ZIP): a key is looked up as that folds it.
    const std::string key = store::toUpper1252(keyIn);
    const bool wasExact = table_.exact();
    table_.setExact(false);
    bool found = false;
    try {
        found = !key.empty() && table_.seek(key);
    } catch (...) {
        table_.setExact(wasExact);
        throw;
    }
    table_.setExact(wasExact);
    ++reads_;
    // The seek admits what the filter shows; whether the record belongs is
    // still decided here, moving on among records of the same key.
    while (found && zipKey() == key && !belongs()) {
        found = table_.next() && !table_.eof();
        ++reads_;
    }
    if (found && zipKey() == key) return true;
    return false;
}

// ---------------------------------------------------------------- texts

QString cannotOpenFileMessage(const QString& path) { return QStringLiteral("Cannot open file %1").arg(path); }

QString nothingPresortedMessage() {
    return QStringLiteral(
        "Nothing was printed: none of the chosen records has a US ZIP code, so the presort order is empty.");
}

QString runningStatusPattern(bool preview) {
    return preview ? QStringLiteral("Preparing Preview Page %p\r%0\r%1") : QStringLiteral("Printing Page %p\r%0\r%1");
}

QString endStatusPattern(const LabelResult& r, bool preview) {
    const QString cr = QStringLiteral("\r");
    switch (r.outcome) {
    case LabelResult::Outcome::Cancelled:
        return preview ? QStringLiteral("\rLabel Preview Canceled!") : QStringLiteral("\rLabel Print Canceled!");
    case LabelResult::Outcome::Stopped: return QStringLiteral("\rPreview Stopped at page %p!");
    case LabelResult::Outcome::Failed:
        return (preview ? QStringLiteral("\rLabel Preview Failed!\r") : QStringLiteral("\rLabel Print Failed!\r")) +
               r.message;
    case LabelResult::Outcome::Refused: return cr + r.message;
    case LabelResult::Outcome::Completed:
        if (!r.message.isEmpty()) return cr + r.message;
        return preview ? QString() : QStringLiteral("\rLabel Print Completed!");
    }
    return {};
}

QString jobProblem(const LabelJob& job) {
    const QString stored = storageProblem(job.setup);
    if (!stored.isEmpty()) return stored;
    const int perSheet = job.setup.nbrAcross * job.setup.nbrDown;
    for (int p = 0; p < perSheet; ++p)
        if (job.positions[static_cast<std::size_t>(p)]) return {};
    return QStringLiteral("None of the chosen label positions lies on this sheet of %1 labels. "
                          "Choose at least one position to print.")
        .arg(perSheet);
}

// ---------------------------------------------------------------- engine

LabelEngine::LabelEngine(LabelJob job, LabelDesign& design, LabelRecords& records, printing::PageCanvas& canvas)
    : job_(std::move(job)), design_(design), records_(records), canvas_(canvas) {}

void LabelEngine::advancePosition() {
    // jobProblem() has made sure a chosen position exists on every sheet.
    do {
        ++position_;
        if (position_ >= perSheet_) {
            canvas_.newPage();
            position_ = 0;
        }
    } while (!job_.positions[static_cast<std::size_t>(position_)]);
}

void LabelEngine::printSeparator(double x, double y) {
    printing::FontSpec font;
    font.face = QStringLiteral("Arial");
    font.sizePt = 8;
    canvas_.setFont(font);
    canvas_.setBrush(0x000000, printing::BrushStyle::Clear);
    canvas_.setPen(0x000000, printing::PenStyle::Solid, printing::PenMode::Copy, -1);
    const double w = job_.setup.horizPitch, h = job_.setup.vertPitch;
    canvas_.textRect(QRectF(x, y, w, h), QPointF(x + 0.15, y + h / 3), separatorText_);
}

bool LabelEngine::nextPresortEntry() {
    while (orderNext_ < order_.size()) {
        const auto& [separator, text] = order_[orderNext_++];
        if (separator) {
            separatorText_ = QString::fromStdString(records_.table().codec().toUtf8(text));
            separatorPending_ = true;
            // The loop goes on while the table has a record to stand on.
            if (records_.first()) return true;
            separatorPending_ = false;
            return false;
        }
        if (records_.seekZipKey(text)) {
            currentKey_ = store::toUpper1252(text);
            return true;
        }
        // A key without a record of the job is skipped.
    }
    records_.toEnd();
    return false;
}

LabelResult LabelEngine::run(LabelProgress& progress) {
    LabelResult result;
    if (const QString problem = jobProblem(job_); !problem.isEmpty()) {
        result.outcome = LabelResult::Outcome::Refused;
        result.message = problem;
        return result;
    }
    perSheet_ = job_.setup.nbrAcross * job_.setup.nbrDown;
    int copies = job_.copies < 1 ? 1 : job_.copies;
    if (job_.presort) {
        // A presorted job prints each record once, in the order of the groups.
        copies = 1;
        QFile file(job_.orderFile);
        if (!file.open(QIODevice::ReadOnly)) {
            result.outcome = LabelResult::Outcome::Refused;
            result.message = cannotOpenFileMessage(job_.orderFile);
            return result;
        }
        for (const auto& line : mailing::parseOrderFile(file.readAll())) order_.emplace_back(line.separator, line.text);
    }

    canvas_.setBrush(0x000000, printing::BrushStyle::Clear);
    canvas_.setPen(0x000000, printing::PenStyle::Solid, printing::PenMode::Copy, -1);
    printing::FontSpec font;
    font.sizePt = 8;
    canvas_.setFont(font);
    canvas_.setStatusPattern(runningStatusPattern(job_.preview));
    design_.resetCounters();

    if (job_.presort) nextPresortEntry();
    else records_.settle();

    int printedOfRecord = 0;
    bool stopped = false;
    while (!stopped && !records_.atEnd()) {
        advancePosition();
        const LabelOrigin at = labelOrigin(job_.setup, position_);
        bool recordLabel = false;
        if (separatorPending_) {
            printSeparator(at.x, at.y);
            ++result.separators;
        } else {
            design_.refreshData();
            design_.printObjects(canvas_, at.y, at.x);
            design_.advanceCounters();
            if (printedOfRecord == 0) ++result.records;
            ++printedOfRecord;
            ++result.labels;
            recordLabel = true;
        }
        // Input is handled before anything else is read: a cancel reads no
        // further record and sends nothing to the device.
        switch (progress.afterLabel()) {
        case LabelProgress::Answer::Cancel:
            canvas_.abort();
            result.outcome = LabelResult::Outcome::Cancelled;
            result.pages = canvas_.pageNumber();
            return result;
        case LabelProgress::Answer::Stop:
            result.outcome = LabelResult::Outcome::Stopped;
            stopped = true;
            continue;
        case LabelProgress::Answer::Go: break;
        }
        if (recordLabel && printedOfRecord < copies) continue;
        printedOfRecord = 0;
        if (!job_.presort) {
            records_.next();
        } else if (separatorPending_) {
            separatorPending_ = false;
            nextPresortEntry();
        } else if (!records_.next() || records_.zipKey() != currentKey_) {
            nextPresortEntry();
        }
    }

    result.pages = canvas_.started() ? canvas_.pageNumber() : 0;
    if (job_.presort && result.labels == 0 && result.outcome == LabelResult::Outcome::Completed)
        result.message = nothingPresortedMessage();
    if (!canvas_.end()) {
        result.outcome = LabelResult::Outcome::Failed;
        result.message = canvas_.errorString();
    }
    return result;
}

}  // namespace brindle::labels
