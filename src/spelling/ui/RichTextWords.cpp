#include "spelling/ui/RichTextWords.h"

#include "richtext/RichDocument.h"

#include <QTextCursor>
#include <QTextDocument>

namespace brindle::spelling::ui {

RichTextWords::RichTextWords(richtext::RichDocument& document, Highlight highlight)
    : m_document(document), m_highlight(std::move(highlight)) {}

WordSource::Word RichTextWords::nextWord(int from) const {
    const QTextCursor c = m_document.nextWord(from);
    if (c.isNull() || !c.hasSelection()) return {};
    return {c.selectionStart(), c.selectionEnd() - c.selectionStart(), c.selectedText()};
}

void RichTextWords::select(int start, int length) {
    if (m_highlight) m_highlight(start, length);
}

int RichTextWords::replace(int start, int length, const QString& text) {
    QTextCursor c(m_document.document());
    c.setPosition(start);
    c.setPosition(start + length, QTextCursor::KeepAnchor);
    if (length > 0) {
        m_document.replace(c, text);
        return c.selectionEnd() - c.selectionStart();
    }
    // Nothing selected: the text goes in at the position.
    c.insertText(text);
    return c.position() - start;
}

}  // namespace brindle::spelling::ui
