#pragma once
// The label printing engine without a window: walks the records of a job,
// places one design per chosen sheet position (every origin from
// labelOrigin), prints each record the requested number of times, begins a
// new sheet only when another label follows, and in presort mode follows the
// order file with its group separator labels. TLabelPrinter shows its
// progress; brindle-db labels runs it from the shell; tests drive it on the
// page recorder.
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "labels/LabelSetup.h"

namespace brindle::store {
class Table;
}
namespace brindle::printing {
class PageCanvas;
}
namespace brindle::designobjects {
class DesignSurface;
}

namespace brindle::labels {

// What the engine asks of a design: take the current record's values, print
// every object with the label's top-left corner at (left, top) inches, and
// move the counters on by one label.
class LabelDesign {
public:
    virtual ~LabelDesign() = default;
    virtual void refreshData() = 0;
    virtual void printObjects(printing::PageCanvas& page, double top, double left) = 0;
    virtual void advanceCounters() = 0;
    virtual void resetCounters() = 0;
};

// A design surface as the engine's design (marked as printing while it lives).
class SurfaceLabelDesign : public LabelDesign {
public:
    explicit SurfaceLabelDesign(designobjects::DesignSurface& surface);
    ~SurfaceLabelDesign() override;
    void refreshData() override;
    void printObjects(printing::PageCanvas& page, double top, double left) override;
    void advanceCounters() override;
    void resetCounters() override;

private:
    designobjects::DesignSurface& surface_;
    bool wasPrinting_;
};

// The records of a job on the open address table, whose filter and order the
// job has set. Whether a record belongs to the job is decided here, not left
// to where the table happens to stand: the store's go() reaches records the
// filter hides, so a record belongs only when it is not marked deleted (the
// engine's flag and ISDEL) and the table's filter holds for it.
class LabelRecords {
public:
    explicit LabelRecords(store::Table& table);
    store::Table& table() { return table_; }

    bool belongs() const;
    // On a record of the job; the first one at or after the current record
    // when it does not belong. False when none is left.
    bool settle();
    bool first();
    bool next();
    bool atEnd() const;
    void toEnd();
    // The first record of the job whose ZIP begins with `key` in the current
    // (ZIP) order, matching by prefix; the key is folded as the ZIP tag folds it.
    // True when one is found whose first five ZIP characters equal the key.
    bool seekZipKey(const std::string& key);
    // The first five characters of the current record's ZIP, folded.
    std::string zipKey() const;
    // Records read so far (for tests: nothing is read after a cancel).
    std::uint64_t reads() const { return reads_; }

private:
    store::Table& table_;
    bool hasIsdel_;
    bool hasZip_;
    bool atEnd_ = false;
    std::uint64_t reads_ = 0;
};

struct LabelJob {
    LabelSetup setup;
    // Positions of every sheet that take a label; index = row × NBRACROSS + column.
    std::array<bool, kMaxPositions> positions;
    int copies = 1;
    bool presort = false;
    QString orderFile;  // PRESORT.PSL of the presort run
    bool preview = false;
    LabelJob() { positions.fill(true); }
};

// Why a job cannot run (geometry or positions); empty when it can.
QString jobProblem(const LabelJob& job);

// How the engine reports and learns of Cancel and Stop.
class LabelProgress {
public:
    enum class Answer { Go, Cancel, Stop };
    virtual ~LabelProgress() = default;
    // After every label: lets the window handle input; Cancel throws the job
    // away at once, Stop ends it keeping the pages made so far.
    virtual Answer afterLabel() = 0;
};

struct LabelResult {
    enum class Outcome {
        Completed,  // every label printed and the device finished the job
        Cancelled,  // the user cancelled; the device threw the job away
        Stopped,    // the preview was stopped; the pages so far stand
        Failed,     // the device failed (file not writable, queue refused)
        Refused,    // the job could not start (geometry, positions, order file)
    };
    Outcome outcome = Outcome::Completed;
    int labels = 0;      // record labels printed
    int separators = 0;  // presort separator labels
    int records = 0;     // distinct records printed
    int pages = 0;       // pages of the job
    QString message;     // Failed/Refused: why; Completed with nothing printed: why
    bool ok() const { return outcome == Outcome::Completed || outcome == Outcome::Stopped; }
};

// "Cannot open file %s"
QString cannotOpenFileMessage(const QString& path);
// The message of a presorted job that found nothing to print.
QString nothingPresortedMessage();

// Status patterns of the print status window.
QString runningStatusPattern(bool preview);
// The status pattern when the job is over; empty when the window closes by
// itself (a finished preview).
QString endStatusPattern(const LabelResult& result, bool preview);

class LabelEngine {
public:
    LabelEngine(LabelJob job, LabelDesign& design, LabelRecords& records, printing::PageCanvas& canvas);

    // Runs the whole job on the canvas and ends (or, on a cancel, aborts) it.
    // The records start where the table stands (the first record of the job
    // at or after it). A refused job draws nothing.
    LabelResult run(LabelProgress& progress);

private:
    bool nextPresortEntry();
    void advancePosition();
    void printSeparator(double x, double y);

    LabelJob job_;
    LabelDesign& design_;
    LabelRecords& records_;
    printing::PageCanvas& canvas_;
    int perSheet_ = 0;
    int position_ = -1;
    // presort
    std::vector<std::pair<bool, std::string>> order_;  // (separator, text)
    std::size_t orderNext_ = 0;
    std::string currentKey_;
    QString separatorText_;
    bool separatorPending_ = false;
};

}  // namespace brindle::labels
