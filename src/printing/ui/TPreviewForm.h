// The shared print preview window: shows a recorded job page by page at a
// zoom. Zoom modes: 1 = whole page, 2 = page width, any other number = that
// percentage (100 % = 96 pixels per inch, the design resolution). While a fit
// mode is active the zoom follows the window's size. Its title reads
// "Preview Page n of m ( z% )" after every page or zoom change.
//
// Controls: Ok (default and cancel key), zoom in, zoom out, page width, whole
// page, 100%, first/prior/next/last page (hidden for fewer than two pages),
// Help. A left click on the page zooms in, any other button zooms out, keeping
// the clicked point under the mouse. Keys: PgUp/PgDn prior/next page,
// Home/End first/last page, +/- zoom, Up/Down scroll.
#pragma once

#include "printing/DrawOps.h"
#include "help/HelpTopics.h"

#include <QDialog>

class QPushButton;
class QScrollArea;

namespace brindle::common {
class ProfileFile;
}

namespace brindle::printing {

class PreviewPage;

class TPreviewForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWholePage = 1;
    static constexpr int kPageWidth = 2;
    // Zoom in and zoom out step through these percentages.
    static const std::vector<int>& zoomSteps();

    // settings: where the window placement is kept (section
    // "TPreviewForm_Placement"); null keeps none. mainWindow: what to centre
    // over when no placement is stored.
    TPreviewForm(RecordedDocument document, const QString& title, int zoomMode,
                 common::ProfileFile* settings = nullptr, QWidget* mainWindow = nullptr);
    ~TPreviewForm() override;

    int pageCount() const { return m_doc.pageCount(); }
    int currentPage() const { return m_page; }  // from 1; 0 for an empty document
    double zoomPercent() const { return m_zoom; }
    // 1 whole page, 2 page width, 0 a fixed percentage.
    int zoomMode() const { return m_mode; }
    const RecordedDocument& document() const { return m_doc; }
    PreviewPage* pageArea() const { return m_pageArea; }
    QScrollArea* scrollArea() const { return m_scroll; }

public slots:
    void setZoomPercent(double percent);
    void zoomToPageWidth();
    void zoomToWholePage();
    void zoomIn();
    void zoomOut();
    void goToPage(int page);
    void firstPage() { goToPage(1); }
    void priorPage() { goToPage(m_page - 1); }
    void nextPage() { goToPage(m_page + 1); }
    void lastPage() { goToPage(pageCount()); }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void done(int result) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleKey(QKeyEvent* event);
    void applyMode();
    void applyZoom(double percent, const QPointF* anchorInches = nullptr, const QPoint* anchorViewport = nullptr);
    void magnify(QPointF inches, QPoint widgetPos, Qt::MouseButton button);
    QSizeF currentPaper() const;
    void updateTitle();

    RecordedDocument m_doc;
    common::ProfileFile* m_settings;
    QWidget* m_mainWindow;
    int m_mode = 0;
    double m_zoom = 100.0;
    int m_page = 0;
    bool m_placed = false;
    QScrollArea* m_scroll = nullptr;
    PreviewPage* m_pageArea = nullptr;
    QPushButton* m_first = nullptr;
    QPushButton* m_prior = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_last = nullptr;
};

// Shows the preview modally and returns when the user closes it.
void showPreview(RecordedDocument document, const QString& title, int zoomMode,
                 common::ProfileFile* settings = nullptr, QWidget* mainWindow = nullptr);

}  // namespace brindle::printing
