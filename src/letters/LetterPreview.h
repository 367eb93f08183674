#pragma once
// The letter preview without its window: the template merged with the
// current record, shown one page at a time at a zoom in percent.
//
// Pages are walked as printing walks them, through the same Paginator and
// page drawing: the page on show starts at a document position, drawing it
// tells where the next one starts, and the starts of earlier pages are kept
// on a stack for going back. Moving to another record rebuilds the merged
// letter and starts again at page 1.
//
// Geometry is in screen pixels at the fixed design resolution (96 per inch):
// the page is width x 96 / 1440 pixels at 100 % (integer division), scaled
// by the zoom and rounded; the text box inside it is offset by the margins
// converted the same way and truncated. Zoom in multiplies by 1.25 (only
// below 150 %), zoom out by 0.75 (only above 50 %), both rounded half to
// even, so 140 goes to 175 and stops there, 60 to 45 and stops there.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "letters/LetterMerge.h"
#include "letters/MergeTokens.h"
#include "printing/DrawOps.h"

class QPainter;

namespace brindle::address {
class AddressFile;
}
namespace brindle::common {
class UserDialogs;
}
namespace brindle::richtext {
class Paginator;
class RichDocument;
}  // namespace brindle::richtext

namespace brindle::letters {

enum class RecordMove { First, Prior, Next, Last };

// The records the preview merges: the main window's current record, moved
// by the preview's record buttons.
class PreviewRecords {
public:
    virtual ~PreviewRecords() = default;
    virtual MergeValues values() = 0;           // the current record's token values
    virtual bool move(RecordMove where) = 0;    // false when the record did not change
    virtual std::uint32_t recordNumber() = 0;   // 0 when there is none
};

// The open address file of the main window.
class AddressFileRecords : public PreviewRecords {
public:
    AddressFileRecords(address::AddressFile& file, TokenContext context);
    MergeValues values() override;
    bool move(RecordMove where) override;
    std::uint32_t recordNumber() override;

private:
    address::AddressFile& m_file;
    TokenContext m_context;
};

extern const char* const kPreviewCaption;       // "Preview Letters"
extern const char* const kPreviewDrawingError;  // "There was an error drawing the preview"

class LetterPreview {
public:
    static constexpr int kScreenPpi = 96;
    // The grey border around the page in the window, in pixels.
    static constexpr int kPad = 12;

    // Merges the current record of `records` into a copy of `letterTemplate`
    // and lays out page 1. The template must outlive the preview.
    LetterPreview(const richtext::RichDocument& letterTemplate, PreviewRecords& records,
                  common::UserDialogs& dialogs);
    ~LetterPreview();
    LetterPreview(const LetterPreview&) = delete;
    LetterPreview& operator=(const LetterPreview&) = delete;

    // ---- zoom
    static int zoomedIn(int zoom);   // the zoom after a zoom in (unchanged when not allowed)
    static int zoomedOut(int zoom);  // likewise for zoom out
    int zoom() const { return m_zoom; }
    bool zoomIn();   // false when refused
    bool zoomOut();
    // The zoom that makes the page as wide as `width` pixels, or fit inside
    // `room` altogether (the smaller of the width and height fits).
    void fitPageWidth(int width);
    void fitWholePage(QSize room);
    void setZoom(int zoom);  // at least 1 %

    // ---- geometry at the current zoom, in pixels
    QSize pagePixelsAt100() const;  // trunc(width x 96 / 1440), likewise the height
    QSize pageSize() const;         // the white page
    QRect textBox() const;          // relative to the page's top-left corner
    // The page widget's size: the page plus the grey border.
    QSize viewSize() const { return pageSize() + QSize(2 * kPad, 2 * kPad); }

    // ---- pages
    int pageNumber() const { return m_pageNumber; }
    int pageStart() const { return m_start; }
    int nextStart() const { return m_next; }  // -1 when the page on show is the last
    bool hasNextPage() const { return m_next > m_start; }
    bool hasPriorPage() const { return !m_stack.empty(); }
    bool nextPage();   // false on the last page
    bool priorPage();  // false on page 1
    // "Preview Letters", and "Preview Letters Page n" once the user has paged.
    QString caption() const;

    // ---- records
    bool moveRecord(RecordMove where);  // moves, rebuilds and returns to page 1; false when it did not move
    std::uint32_t recordNumber() const { return m_recordNumber; }
    // The record shown, for the window's status line ("Record 3: José Müller").
    QString recordText() const;
    // Merges the current record again and shows page 1.
    void rebuild();

    // ---- drawing
    // The page on show as drawing operations in inches (null when the letter
    // has nothing to draw).
    const printing::RecordedPage* page() const { return m_page ? &*m_page : nullptr; }
    // Paints the white page and its text at the zoom, with the page's top-left
    // corner at `pageOrigin` in painter pixels.
    void paint(QPainter& painter, QPoint pageOrigin) const;
    // Whether the last layout of a page failed (the user was told).
    bool drawingFailed() const { return m_failed; }

    const richtext::RichDocument& letter() const;

private:
    void layoutPage();  // records the page at m_start and learns where the next one starts
    void failed();      // no page: tells the user and shows blank paper

    const richtext::RichDocument& m_template;
    PreviewRecords& m_records;
    common::UserDialogs& m_dialogs;
    LetterMerge m_merge;
    std::unique_ptr<richtext::RichDocument> m_letter;
    std::unique_ptr<richtext::Paginator> m_pages;
    int m_zoom = 100;
    int m_pageNumber = 1;
    int m_start = 0;
    int m_next = -1;
    std::vector<int> m_stack;
    bool m_paged = false;
    bool m_failed = false;
    std::uint32_t m_recordNumber = 0;
    QString m_fullName;
    std::optional<printing::RecordedPage> m_page;
};

}  // namespace brindle::letters
