#pragma once
// "Preview Letters": the merged letter of the main window's current record,
// one page at a time on a grey scrolling area, at the zoom of LetterPreview.
//
// Buttons: Ok, zoom in and out, page width, whole page, previous and next
// page, first/previous/next/last record, Help. A left click on the page
// zooms in, a right click zooms out; Ctrl+wheel zooms the same steps; the
// wheel and Up/Down scroll; Page Down scrolls a screen and, at the bottom of
// a page, turns to the next one (Page Up likewise backwards).
#include <QDialog>
#include <QWidget>

#include "letters/LetterPreview.h"

class QLabel;
class QPushButton;
class QScrollArea;

namespace brindle::common {
class ProfileFile;
}

namespace brindle::letters::ui {

// The white page at its zoom inside the grey border.
class LetterPageView : public QWidget {
    Q_OBJECT
public:
    LetterPageView(const LetterPreview& preview, QWidget* parent = nullptr);
    void relayout();  // after a zoom, page or record change

signals:
    void clicked(Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    const LetterPreview& m_preview;
};

class TRTFPreviewForm : public QDialog {
    Q_OBJECT
public:
    // settings: where the placement is kept (null keeps none).
    TRTFPreviewForm(const richtext::RichDocument& letterTemplate, PreviewRecords& records,
                    common::UserDialogs& dialogs, common::ProfileFile* settings = nullptr,
                    QWidget* parent = nullptr);
    ~TRTFPreviewForm() override;

    LetterPreview& preview() { return *m_preview; }
    QPushButton* button(const QString& objectName) const;
    QScrollArea* scrollArea() const { return m_scroll; }
    LetterPageView* pageView() const { return m_view; }
    QLabel* recordLine() const { return m_record; }

public slots:
    void zoomIn();
    void zoomOut();
    void fitPageWidth();
    void fitWholePage();
    void nextPage();
    void priorPage();
    void moveRecord(RecordMove where);

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();  // size, caption, buttons and the record line after any change
    bool pageKey(bool down);

    std::unique_ptr<LetterPreview> m_preview;
    common::ProfileFile* m_settings;
    QWidget* m_parent;
    bool m_shown = false;
    QScrollArea* m_scroll;
    LetterPageView* m_view;
    QLabel* m_record;
    QPushButton *m_zoomIn, *m_zoomOut, *m_prior, *m_next;
};

}  // namespace brindle::letters::ui
