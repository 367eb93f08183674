#pragma once
// The editing area over a RichDocument. The document is laid out at 720 dpi
// (so lines break as they print); the view shows it scaled to the screen on
// a white page, and edits go straight into the document and its undo stack.
//
// Word wrap: off, lines break at the page's text width, as printed; on, at
// the window's width. Paste takes RTF through the engine's reader, and other
// rich text (HTML) through the engine's writer first, so what appears is
// exactly what will be stored; plain text keeps the formatting at the cursor.
#include <QGraphicsView>
#include <QTextCharFormat>
#include <QTextCursor>
#include <functional>

class QGraphicsRectItem;
class QGraphicsTextItem;
class QMimeData;
class QTextDocument;

namespace brindle::richtext {
class RichDocument;
}

namespace brindle::richtext::ui {

class EditorTextItem;
struct ParagraphFormat;

class RichTextEditor : public QGraphicsView {
    Q_OBJECT
public:
    explicit RichTextEditor(RichDocument& document, QWidget* parent = nullptr);
    ~RichTextEditor() override;

    RichDocument& richDocument() { return document_; }
    // Loading, clearing or copying replaces the RichDocument's QTextDocument:
    // they must run inside `change`, so the view lets go of the old one first.
    void replaceDocument(const std::function<void()>& change);
    // After the page changed (the text is laid out again).
    void documentReplaced();
    // Lets go of the document (the view shows an empty one until documentReplaced).
    void detachDocument();

    QTextCursor textCursor() const;
    void setTextCursor(const QTextCursor& cursor);
    void focusText();
    // Scrolls so that the cursor (or the selection's end) is in sight.
    void ensureCursorVisible();

    void setWrapAtWindow(bool on);
    bool wrapAtWindow() const { return wrapAtWindow_; }

    // Screen pixels per twip, and where the text box's left edge and the
    // page's left edge are in this widget's coordinates (for the ruler).
    double pixelsPerTwip() const;
    int textLeftInView() const;
    int textWidthTwips() const;

    // Formatting of the selection (or of the insertion point).
    void mergeCharFormat(const QTextCharFormat& format);
    void mergeBlockFormat(const QTextBlockFormat& format);
    // Indents, spacing, alignment and tabs of every paragraph the selection touches.
    void applyParagraph(const ParagraphFormat& format);

    void copy();
    void cut();
    void paste();
    void insertFromMimeData(const QMimeData* data);
    void selectAll();

signals:
    // The cursor moved or the formatting at it changed.
    void cursorChanged();
    void contentsChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class EditorTextItem;
    void layoutScene();
    QMimeData* selectionMimeData() const;

    RichDocument& document_;
    QGraphicsRectItem* page_;
    EditorTextItem* text_;
    bool wrapAtWindow_ = false;
    QTextDocument* placeholder_;
};

}  // namespace brindle::richtext::ui
