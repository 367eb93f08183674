#include "mailing/ZipReport.h"

#include "common/UserDialogs.h"
#include "printing/PageCanvas.h"

namespace brindle::mailing {

using namespace zipreport;

namespace {

QRectF areaOf(const printing::PageCanvas& c) {
    const double right = c.pageWidth() - kLeftMargin;
    const double bottom = c.pageHeight() - kBottomMargin;
    return QRectF(QPointF(kLeftMargin, kTopMargin), QPointF(right, bottom));
}

// Title, frame, column rules and page number. Drawn after the rows, so the
// shading never covers a rule.
void drawFurniture(printing::PageCanvas& c, const QRectF& area) {
    c.setPen(0, printing::PenStyle::Solid, printing::PenMode::Copy, -1);
    c.setBrush(0x00FFFFFF, printing::BrushStyle::Clear);
    c.rectangle(area);
    for (int i = 1; i < kColumns; ++i) {
        const double x = area.left() + i * kColumnWidth;
        c.line(x, area.top(), x, area.bottom());
    }
    c.setFont(QStringLiteral("Arial"), 10);
    c.setBold(true);
    c.textAt(area.left(), area.top() - 0.25, QStringLiteral("Zip Code Count Report"));
    c.setBold(false);
    c.textAt(area.left(), area.bottom() + 0.05, QStringLiteral("Page %1").arg(c.pageNumber()));
}

}  // namespace

bool printZipReport(printing::PageCanvas& canvas, const std::vector<ZipCountLine>& lines,
                    const std::function<bool()>& afterRow) {
    canvas.setMargins({kLeftMargin, kTopMargin, kLeftMargin, kBottomMargin});
    canvas.setFont(QStringLiteral("Arial"), 10);
    canvas.setBold(false);
    const QRectF area = areaOf(canvas);
    canvas.setSection(area.left(), area.top(), area.right(), area.bottom());
    const double rowHeight = canvas.lineHeight();
    const int rowsPerColumn = std::max(1, int((area.height() + 1e-9) / rowHeight));
    int column = 0, row = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (canvas.aborted()) return false;
        if (row == rowsPerColumn) {
            row = 0;
            if (++column == kColumns) {
                drawFurniture(canvas, area);
                canvas.newPage();
                canvas.setFont(QStringLiteral("Arial"), 10);
                column = 0;
            }
        }
        const double left = area.left() + column * kColumnWidth;
        const double y = area.top() + row * rowHeight;
        if (row % 2 == 0) {
            const quint32 v = quint32((100 - kShadePercent) * 255 / 100);
            canvas.fillRect(QRectF(left, y, kColumnWidth, rowHeight), v | (v << 8) | (v << 16));
        }
        const ZipCountLine& line = lines[i];
        if (!line.isEmpty()) {
            canvas.textRect(QRectF(left, y, kCellWidth, rowHeight), QPointF(left + kKeyIndent, y), line.key.left(5));
            // The whole count, right-justified at the end of its cell: a wide
            // one reaches left into the key's cell rather than being cut.
            canvas.textAt(left + 2 * kCellWidth, y, line.count, printing::Align::Right);
        }
        ++row;
        if (afterRow && !afterRow()) {
            if (!canvas.aborted()) drawFurniture(canvas, area);
            return false;
        }
    }
    if (canvas.aborted()) return false;
    drawFurniture(canvas, area);
    return true;
}

// ---------------------------------------------------------------- the job

ZipReportJob::ZipReportJob(Mode mode, common::UserDialogs& dialogs) : mode_(mode), dialogs_(dialogs) {}

QString ZipReportJob::caption() const {
    return mode_ == Mode::Print ? QStringLiteral("Print Status") : QStringLiteral("Preview Status");
}

QString ZipReportJob::buttonCaption() const {
    if (!running_) return QStringLiteral("Ok");
    return mode_ == Mode::Print ? QStringLiteral("Cancel") : QStringLiteral("Stop");
}

QString ZipReportJob::statusText() const {
    if (running_ && canvas_) return canvas_->statusText();
    return status_;
}

bool ZipReportJob::run(printing::PageCanvas& canvas, const std::vector<ZipCountLine>& lines,
                       const std::function<void()>& processEvents) {
    canvas_ = &canvas;
    running_ = true;
    canvas.setTitle(QStringLiteral("Brindle"));
    canvas.setStatusPattern(QStringLiteral("Printing Page %p\r%0\r%1"));
    printZipReport(canvas, lines, [&] {
        if (processEvents) processEvents();
        return !stopped_ && !canvas.aborted();
    });
    const bool ok = canvas.aborted() ? false : canvas.end();
    const int page = canvas.pageNumber();
    running_ = false;
    finished_ = true;
    canvas_ = nullptr;
    if (canvas.aborted() || !ok) {
        aborted_ = true;
        if (!canvas.aborted() && !canvas.errorString().isEmpty()) failure_ = canvas.errorString();
    }
    const bool print = mode_ == Mode::Print;
    if (!failure_.isEmpty()) {
        status_ = print ? QStringLiteral("\rPrint Failed!") : QStringLiteral("\rPreview Failed!");
        dialogs_.showError(failure_);
    } else if (aborted_) {
        status_ = print ? QStringLiteral("\rPrint Canceled!") : QStringLiteral("\rPreview Canceled!");
    } else if (stopped_) {
        status_ = QStringLiteral("\rPreview Stopped at page %1!").arg(page);
    } else {
        status_ = print ? QStringLiteral("\rPrint Completed!") : QStringLiteral("\rPreview Ready!");
    }
    if (pressedWhileRunning_) closeWanted_ = true;
    return aborted_;
}

void ZipReportJob::buttonPressed() {
    if (!running_) {
        closeWanted_ = true;
        return;
    }
    pressedWhileRunning_ = true;
    if (mode_ == Mode::Preview) {
        stopped_ = true;
        return;
    }
    if (dialogs_.askYesNo(QStringLiteral("Cancel Printing?"), QStringLiteral("CANCEL")) && canvas_)
        canvas_->abort();
}

}  // namespace brindle::mailing
