#include "letters/LetterPreview.h"

#include <QPainter>

#include <cmath>
#include <exception>
#include <stdexcept>

#include "address/AddressFile.h"
#include "common/UserDialogs.h"
#include "letters/LetterPrintJob.h"
#include "printing/PageRecorder.h"
#include "richtext/Paginator.h"
#include "richtext/RichDocument.h"

namespace brindle::letters {

const char* const kPreviewCaption = "Preview Letters";
const char* const kPreviewDrawingError = "There was an error drawing the preview";

AddressFileRecords::AddressFileRecords(address::AddressFile& file, TokenContext context)
    : m_file(file), m_context(std::move(context)) {}

MergeValues AddressFileRecords::values() {
    const store::Table* table = m_file.table();
    if (!table || !m_file.hasRecord()) return tokenValues([](const char*) { return QString(); }, m_context);
    return recordValues(*table, m_context);
}

bool AddressFileRecords::move(RecordMove where) {
    if (!m_file.hasRecord()) return false;
    const std::uint32_t before = m_file.recNo();
    switch (where) {
    case RecordMove::First: m_file.first(); break;
    case RecordMove::Prior: m_file.prior(); break;
    case RecordMove::Next: m_file.next(); break;
    case RecordMove::Last: m_file.last(); break;
    }
    return m_file.recNo() != before;
}

std::uint32_t AddressFileRecords::recordNumber() { return m_file.hasRecord() ? m_file.recNo() : 0; }

namespace {

// Round half to even: the program's rounding everywhere a formula says "round".
int roundEven(double v) { return int(std::nearbyint(v)); }

// Twips to screen pixels at 100 %, integer division as the page geometry has it.
int twipsToPixels(int twips) { return twips * LetterPreview::kScreenPpi / richtext::kTwipsPerInch; }

// A margin at a zoom: converted to pixels first, then scaled and truncated.
int marginAt(int twips, int zoom) { return twipsToPixels(twips) * zoom / 100; }

}  // namespace

LetterPreview::LetterPreview(const richtext::RichDocument& letterTemplate, PreviewRecords& records,
                             common::UserDialogs& dialogs)
    : m_template(letterTemplate),
      m_records(records),
      m_dialogs(dialogs),
      m_merge(letterTemplate),
      m_letter(std::make_unique<richtext::RichDocument>()),
      m_pages(std::make_unique<richtext::Paginator>(*m_letter)) {
    rebuild();
}

LetterPreview::~LetterPreview() = default;

const richtext::RichDocument& LetterPreview::letter() const { return *m_letter; }

// ---- zoom

int LetterPreview::zoomedIn(int zoom) { return zoom < 150 ? roundEven(zoom * 1.25) : zoom; }
int LetterPreview::zoomedOut(int zoom) { return zoom > 50 ? roundEven(zoom * 0.75) : zoom; }

bool LetterPreview::zoomIn() {
    const int z = zoomedIn(m_zoom);
    if (z == m_zoom) return false;
    m_zoom = z;
    return true;
}

bool LetterPreview::zoomOut() {
    const int z = zoomedOut(m_zoom);
    if (z == m_zoom) return false;
    m_zoom = z;
    return true;
}

void LetterPreview::setZoom(int zoom) { m_zoom = std::max(1, zoom); }

void LetterPreview::fitPageWidth(int width) {
    const QSize page = pagePixelsAt100();
    if (page.width() > 0) setZoom(roundEven(double(width) / page.width() * 100.0));
}

// Both directions count: fitting the height alone lets a landscape page run
// off the side of the window.
void LetterPreview::fitWholePage(QSize room) {
    const QSize page = pagePixelsAt100();
    if (page.width() <= 0 || page.height() <= 0) return;
    setZoom(roundEven(std::min(double(room.width()) / page.width(), double(room.height()) / page.height()) * 100.0));
}

// ---- geometry

QSize LetterPreview::pagePixelsAt100() const {
    const richtext::PageSetup& p = m_letter->page();
    return {twipsToPixels(p.paperWidth), twipsToPixels(p.paperHeight)};
}

QSize LetterPreview::pageSize() const {
    const QSize px = pagePixelsAt100();
    return {roundEven(px.width() * m_zoom / 100.0), roundEven(px.height() * m_zoom / 100.0)};
}

QRect LetterPreview::textBox() const {
    const richtext::PageSetup& p = m_letter->page();
    const QSize page = pageSize();
    const int left = marginAt(p.marginLeft, m_zoom);
    const int top = marginAt(p.marginTop, m_zoom);
    const int width = page.width() - (left + marginAt(p.marginRight, m_zoom));
    const int height = page.height() - (top + marginAt(p.marginBottom, m_zoom));
    return {left, top, std::max(0, width), std::max(0, height)};
}

// ---- pages

bool LetterPreview::nextPage() {
    if (!hasNextPage()) return false;
    m_stack.push_back(m_start);
    m_start = m_next;
    ++m_pageNumber;
    m_paged = true;
    layoutPage();
    return true;
}

bool LetterPreview::priorPage() {
    if (m_stack.empty()) return false;
    m_start = m_stack.back();
    m_stack.pop_back();
    --m_pageNumber;
    m_paged = true;
    layoutPage();
    return true;
}

QString LetterPreview::caption() const {
    QString c = QString::fromLatin1(kPreviewCaption);
    if (m_paged) c += QStringLiteral(" Page ") + QString::number(m_pageNumber);
    return c;
}

// ---- records

bool LetterPreview::moveRecord(RecordMove where) {
    try {
        if (!m_records.move(where)) return false;
    } catch (const std::exception&) {
        failed();  // the file could not be read at the new record
        return false;
    }
    rebuild();
    return true;
}

QString LetterPreview::recordText() const {
    if (m_recordNumber == 0) return QStringLiteral("No record");
    QString text = QStringLiteral("Record ") + QString::number(m_recordNumber);
    if (!m_fullName.isEmpty()) text += QStringLiteral(": ") + m_fullName;
    return text;
}

void LetterPreview::rebuild() {
    m_pageNumber = 1;
    m_start = 0;
    m_stack.clear();
    m_fullName.clear();
    try {
        const MergeValues values = m_records.values();
        m_recordNumber = m_records.recordNumber();
        for (const auto& [name, value] : values)
            if (name == QLatin1String("Full Name")) m_fullName = value.trimmed();
        m_merge.merge(values, *m_letter);
        m_pages->relayout();
    } catch (const std::exception&) {
        // A record that cannot be read or merged: no page to show, and the
        // window stays open for another record.
        failed();
        return;
    }
    layoutPage();
}

void LetterPreview::failed() {
    m_failed = true;
    m_page.reset();
    m_next = -1;
    m_dialogs.showInfo(QString::fromLatin1(kPreviewDrawingError));
}

void LetterPreview::layoutPage() {
    m_failed = false;
    m_page.reset();
    m_next = -1;
    try {
        printing::PageRecorder recorder(kScreenPpi);
        m_pages->applyPaper(recorder);
        const int next = m_pages->drawPage(recorder, m_start);
        if (!recorder.end()) throw std::runtime_error(recorder.errorString().toStdString());
        printing::RecordedDocument doc = recorder.takeDocument();
        if (!doc.pages.empty()) m_page = std::move(doc.pages.front());
        // A page that would not move on through the letter ends it here:
        // paging on would show the same page for ever.
        m_next = next > m_start ? next : -1;
    } catch (const std::exception&) {
        failed();
    }
}

// ---- drawing

void LetterPreview::paint(QPainter& painter, QPoint pageOrigin) const {
    const QRect paper(pageOrigin, pageSize());
    painter.fillRect(paper.translated(3, 3), Qt::darkGray);
    painter.fillRect(paper, Qt::white);
    if (!m_page) return;
    // The recorded page is in inches from the paper's corner with the text
    // at the margins; it is drawn so that the text box starts exactly at the
    // box's whole pixel.
    const double ppi = kScreenPpi * m_zoom / 100.0;
    const richtext::PageSetup& p = m_letter->page();
    const QPointF exactText(p.marginLeft / double(richtext::kTwipsPerInch) * ppi,
                            p.marginTop / double(richtext::kTwipsPerInch) * ppi);
    const QPointF shift = QPointF(textBox().topLeft()) - exactText;
    painter.save();
    painter.setClipRect(paper);
    printing::paintPage(painter, *m_page, printing::PaintScale{ppi, QPointF(pageOrigin) + shift, true});
    painter.restore();
}

}  // namespace brindle::letters
