#include "richtext/ui/RichTextEditor.h"

#include "richtext/ui/ParagraphFormat.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneDragDropEvent>
#include <QGraphicsTextItem>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QStyleOptionGraphicsItem>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include "richtext/RichDocument.h"
#include "richtext/RtfWriter.h"
#include "richtext/TextFormats.h"

namespace brindle::richtext::ui {

namespace {

// Designs use 96 pixels per inch whatever the screen says.
constexpr double kScreenDpi = 96.0;
constexpr double kScale = kScreenDpi / kLayoutDpi;
constexpr int kPageGap = 12;  // pixels of grey around the page

const char* const kRtfTypes[] = {"text/rtf", "application/rtf", "text/richtext"};

}  // namespace

// The text item: Qt's own editing (cursor, selection, typing, undo keys),
// with copy, cut and paste routed through the engine's RTF.
class EditorTextItem : public QGraphicsTextItem {
public:
    explicit EditorTextItem(RichTextEditor& editor) : editor_(editor) {
        setTextInteractionFlags(Qt::TextEditorInteraction);
        setAcceptDrops(false);
    }

    // Without the dashed focus frame Qt draws around an item: the page is the frame.
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override {
        QStyleOptionGraphicsItem plain(*option);
        plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        QGraphicsTextItem::paint(painter, &plain, widget);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event == QKeySequence::Paste) editor_.paste();
        else if (event == QKeySequence::Copy) editor_.copy();
        else if (event == QKeySequence::Cut) editor_.cut();
        else if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
                 !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))) {
            // Qt's own Return copies the paragraph's page break into the new paragraph.
            QTextCursor c = textCursor();
            RichDocument::insertParagraph(c);
            setTextCursor(c);
            editor_.ensureCursorVisible();
        } else QGraphicsTextItem::keyPressEvent(event);
        emit editor_.cursorChanged();
    }
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override {
        QGraphicsTextItem::mousePressEvent(event);
        emit editor_.cursorChanged();
    }
    void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override {
        QGraphicsTextItem::mouseMoveEvent(event);
        emit editor_.cursorChanged();
    }
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override {
        QGraphicsTextItem::mouseReleaseEvent(event);
        emit editor_.cursorChanged();
    }
    void contextMenuEvent(QGraphicsSceneContextMenuEvent* event) override {
        QMenu menu;
        const bool selection = textCursor().hasSelection();
        QTextDocument* doc = document();
        menu.addAction(QStringLiteral("&Undo"), [doc] { doc->undo(); })->setEnabled(doc->isUndoAvailable());
        menu.addAction(QStringLiteral("&Redo"), [doc] { doc->redo(); })->setEnabled(doc->isRedoAvailable());
        menu.addSeparator();
        menu.addAction(QStringLiteral("Cu&t"), [this] { editor_.cut(); })->setEnabled(selection);
        menu.addAction(QStringLiteral("&Copy"), [this] { editor_.copy(); })->setEnabled(selection);
        menu.addAction(QStringLiteral("&Paste"), [this] { editor_.paste(); });
        menu.addSeparator();
        menu.addAction(QStringLiteral("Select &All"), [this] { editor_.selectAll(); });
        menu.exec(event->screenPos());
    }
    // Drops would bypass the engine's reader: refused.
    void dragEnterEvent(QGraphicsSceneDragDropEvent* event) override { event->ignore(); }
    void dropEvent(QGraphicsSceneDragDropEvent* event) override { event->ignore(); }

private:
    RichTextEditor& editor_;
};

RichTextEditor::RichTextEditor(RichDocument& document, QWidget* parent)
    : QGraphicsView(parent), document_(document) {
    setScene(new QGraphicsScene(this));
    setBackgroundBrush(QColor(0x80, 0x80, 0x80));
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    placeholder_ = new QTextDocument(this);
    page_ = scene()->addRect(QRectF(), QPen(Qt::black, 0), QBrush(Qt::white));
    text_ = new EditorTextItem(*this);
    scene()->addItem(text_);
    text_->setScale(kScale);
    documentReplaced();
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &RichTextEditor::cursorChanged);
}

RichTextEditor::~RichTextEditor() { detachDocument(); }

void RichTextEditor::detachDocument() {
    QPointer<QTextDocument> doc = text_->document();
    if (doc == placeholder_) return;
    // The text control resets the layout's device of a document it lets go
    // (and deletes its own first document); ours keeps the one it is laid out on.
    QPaintDevice* device = doc->documentLayout()->paintDevice();
    disconnect(doc, nullptr, this, nullptr);
    text_->setDocument(placeholder_);
    if (doc) doc->documentLayout()->setPaintDevice(device);
}

void RichTextEditor::replaceDocument(const std::function<void()>& change) {
    detachDocument();
    change();
    documentReplaced();
}

void RichTextEditor::documentReplaced() {
    QTextDocument* doc = document_.document();
    if (text_->document() != doc) {
        detachDocument();
        QPaintDevice* device = doc->documentLayout()->paintDevice();
        text_->setDocument(doc);
        doc->documentLayout()->setPaintDevice(device);
        connect(doc, &QTextDocument::contentsChanged, this, [this] {
            layoutScene();
            emit contentsChanged();
        });
    }
    // A caret one screen pixel wide at any zoom.
    doc->documentLayout()->setProperty("cursorWidth", int(1 / kScale));
    layoutScene();
    emit cursorChanged();
}

void RichTextEditor::layoutScene() {
    QTextDocument* doc = document_.document();
    const PageSetup& page = document_.page();
    const double textWidthUnits = wrapAtWindow_
                                      ? std::max(1.0, (viewport()->width() - 2 * kPageGap) / kScale -
                                                          twipsToUnits(page.marginLeft + page.marginRight))
                                      : twipsToUnits(page.textWidth());
    if (std::abs(doc->textWidth() - textWidthUnits) > 0.5) doc->setTextWidth(textWidthUnits);
    const double left = kPageGap, top = kPageGap;
    const double marginLeft = twipsToUnits(page.marginLeft) * kScale;
    const double marginTop = twipsToUnits(page.marginTop) * kScale;
    const double pageWidth = textWidthUnits * kScale + marginLeft + twipsToUnits(page.marginRight) * kScale;
    const double pageHeight = std::max(twipsToUnits(page.paperHeight) * kScale,
                                       doc->size().height() * kScale + marginTop +
                                           twipsToUnits(page.marginBottom) * kScale);
    page_->setRect(left, top, pageWidth, pageHeight);
    text_->setPos(left + marginLeft, top + marginTop);
    scene()->setSceneRect(0, 0, pageWidth + 2 * kPageGap, pageHeight + 2 * kPageGap);
}

void RichTextEditor::resizeEvent(QResizeEvent* event) {
    QGraphicsView::resizeEvent(event);
    if (wrapAtWindow_) layoutScene();
    emit cursorChanged();
}

QTextCursor RichTextEditor::textCursor() const { return text_->textCursor(); }

void RichTextEditor::setTextCursor(const QTextCursor& cursor) {
    text_->setTextCursor(cursor);
    emit cursorChanged();
}

void RichTextEditor::ensureCursorVisible() {
    const QTextCursor c = textCursor();
    const QTextBlock block = c.block();
    if (!block.isValid() || !block.layout()) return;
    const QTextLine line = block.layout()->lineForTextPosition(c.position() - block.position());
    const QRectF blockRect = document_.document()->documentLayout()->blockBoundingRect(block);
    const double y = blockRect.top() + (line.isValid() ? line.y() : 0);
    const double h = line.isValid() ? line.height() : blockRect.height();
    const QRectF inItem(blockRect.left(), y, blockRect.width(), h);
    ensureVisible(text_->mapRectToScene(inItem));
}

void RichTextEditor::focusText() {
    setFocus();
    scene()->setFocusItem(text_);
}

void RichTextEditor::setWrapAtWindow(bool on) {
    wrapAtWindow_ = on;
    layoutScene();
    emit cursorChanged();
}

double RichTextEditor::pixelsPerTwip() const { return kScreenDpi / kTwipsPerInch; }

int RichTextEditor::textLeftInView() const { return mapFromScene(text_->pos()).x(); }

int RichTextEditor::textWidthTwips() const { return unitsToTwips(document_.document()->textWidth()); }

void RichTextEditor::mergeCharFormat(const QTextCharFormat& format) {
    QTextCursor c = textCursor();
    if (!c.hasSelection()) {
        // The insertion point: the next typed text takes the format.
        c.mergeCharFormat(format);
        if (document_.document()->isEmpty()) c.mergeBlockCharFormat(format);
    } else {
        c.mergeCharFormat(format);
    }
    setTextCursor(c);
}

void RichTextEditor::mergeBlockFormat(const QTextBlockFormat& format) {
    QTextCursor c = textCursor();
    c.mergeBlockFormat(format);
    setTextCursor(c);
}

void RichTextEditor::applyParagraph(const ParagraphFormat& format) {
    QTextCursor c = textCursor();
    QTextDocument* doc = document_.document();
    const QTextBlock first = doc->findBlock(c.selectionStart());
    const QTextBlock last = doc->findBlock(c.selectionEnd());
    QTextCursor edit(doc);
    edit.beginEditBlock();
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        edit.setPosition(b.position());
        edit.setBlockFormat(toBlockFormat(format, b.blockFormat()));
        if (b == last) break;
    }
    edit.endEditBlock();
    emit cursorChanged();
}

QMimeData* RichTextEditor::selectionMimeData() const {
    const QTextCursor c = textCursor();
    auto* data = new QMimeData;
    data->setText(c.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'))
                      .replace(QChar::LineSeparator, QLatin1Char('\n')));
    QTextDocument scratch;
    QTextCursor(&scratch).insertFragment(c.selection());
    data->setData(QStringLiteral("text/rtf"), writeRtf(scratch, document_.page()));
    return data;
}

void RichTextEditor::copy() {
    if (!textCursor().hasSelection()) return;
    QApplication::clipboard()->setMimeData(selectionMimeData());
}

void RichTextEditor::cut() {
    if (!textCursor().hasSelection()) return;
    copy();
    QTextCursor c = textCursor();
    c.removeSelectedText();
    setTextCursor(c);
}

void RichTextEditor::paste() {
    if (const QMimeData* data = QApplication::clipboard()->mimeData()) insertFromMimeData(data);
}

void RichTextEditor::insertFromMimeData(const QMimeData* data) {
    QTextCursor c = textCursor();
    for (const char* type : kRtfTypes) {
        if (data->hasFormat(QLatin1StringView(type))) {
            document_.insertRtf(c, data->data(QLatin1StringView(type)));
            setTextCursor(c);
            return;
        }
    }
    if (data->hasHtml()) {
        // Through the engine's own form: what the writer cannot store (tables,
        // images from elsewhere, styles) is gone before it reaches the page.
        QTextDocument scratch;
        scratch.setHtml(data->html());
        document_.insertRtf(c, writeRtf(scratch, document_.page()));
    } else if (data->hasText()) {
        c.beginEditBlock();
        document_.insertText(c, data->text());
        c.endEditBlock();
    }
    setTextCursor(c);
}

void RichTextEditor::selectAll() {
    QTextCursor c = textCursor();
    c.select(QTextCursor::Document);
    setTextCursor(c);
}

}  // namespace brindle::richtext::ui
