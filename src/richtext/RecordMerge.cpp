#include "richtext/RecordMerge.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace brindle::richtext {

namespace {

// As RichDocument::replace inserts text: CR LF, CR and LF are line breaks.
QString lineBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QString(QChar(QChar::LineSeparator)));
    text.replace(QLatin1Char('\r'), QChar(QChar::LineSeparator));
    text.replace(QLatin1Char('\n'), QChar(QChar::LineSeparator));
    return text;
}

}  // namespace

RecordMerge::RecordMerge(const RichDocument& letterTemplate, QStringList tokens, FindOptions options)
    : m_template(letterTemplate), m_tokens(std::move(tokens)), m_options(options) {
    m_tokens.removeAll(QString());
    restart();
    m_pages = std::make_unique<Paginator>(m_letter);
}

// Copies the template and finds where each token stands in it.
void RecordMerge::restart() {
    m_letter.copyFrom(m_template);
    // One record after another would otherwise pile up undo steps.
    m_letter.document()->setUndoRedoEnabled(false);
    m_slots.clear();
    for (int t = 0; t < m_tokens.size(); ++t) {
        int from = 0;
        for (;;) {
            const QTextCursor found = m_letter.find(m_tokens[t], from, m_options);
            if (found.isNull()) break;
            Slot s;
            s.start = found.selectionStart();
            s.length = found.selectionEnd() - s.start;
            s.token = t;
            QTextCursor probe(m_letter.document());
            probe.setPosition(s.start + 1);
            s.format = probe.charFormat();
            if (s.format.isImageFormat()) s.format = RichDocument::defaultCharFormat();
            m_slots.push_back(s);
            from = found.selectionEnd();
        }
    }
    std::sort(m_slots.begin(), m_slots.end(), [](const Slot& a, const Slot& b) { return a.start < b.start; });
    m_tokenBlocks = 0;
    int lastBlock = -1;
    for (const Slot& s : m_slots) {
        const int block = m_letter.document()->findBlock(s.start).blockNumber();
        if (block != lastBlock) ++m_tokenBlocks;
        lastBlock = block;
    }
    for (size_t i = 1; i < m_slots.size(); ++i)
        if (m_slots[i].start < m_slots[i - 1].start + m_slots[i - 1].length) m_overlapping = true;
    m_slotsValid = true;
}

bool RecordMerge::orderMatters(const QStringList& values) const {
    if (m_overlapping || m_options.wholeWord) return true;
    const Qt::CaseSensitivity cs = m_options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (int i = 0; i < m_tokens.size() && i < values.size(); ++i) {
        const QString& v = values[i];
        if (v.isEmpty()) continue;
        for (int later = i + 1; later < m_tokens.size(); ++later)
            if (v.contains(m_tokens[later], cs)) return true;
        // A value next to the template's text could complete a token.
        for (const QString& t : m_tokens)
            if (v.contains(t.front(), cs) || v.contains(t.back(), cs)) return true;
    }
    return false;
}

void RecordMerge::mergeFromTemplate(const QStringList& values) {
    m_letter.copyFrom(m_template);
    for (int i = 0; i < m_tokens.size(); ++i) m_letter.replaceAll(m_tokens[i], values.value(i), m_options);
    m_slotsValid = false;
    ++m_fromTemplate;
}

void RecordMerge::apply(const QStringList& values) {
    if (orderMatters(values)) {
        mergeFromTemplate(values);
    } else {
        if (!m_slotsValid) restart();
        if (m_overlapping) {
            mergeFromTemplate(values);
        } else {
            // From the last slot back, so the earlier slots' positions hold.
            // The layout redoes each changed paragraph and moves the ones
            // after it: with tokens in few paragraphs, each paragraph's edits
            // go in one edit block of their own; with tokens all over, one
            // edit block makes it a single pass over the changed range.
            QTextDocument* doc = m_letter.document();
            const bool onePass = m_tokenBlocks * 4 > doc->blockCount();
            QTextCursor edit(doc);
            if (onePass) edit.beginEditBlock();
            std::vector<int> lengths(m_slots.size());
            int openBlock = -1;
            for (size_t i = m_slots.size(); i-- > 0;) {
                const Slot& s = m_slots[i];
                const QString text = lineBreaks(values.value(s.token));
                edit.setPosition(s.start);
                if (!onePass && edit.blockNumber() != openBlock) {
                    if (openBlock >= 0) edit.endEditBlock();
                    edit.beginEditBlock();
                    openBlock = edit.blockNumber();
                }
                edit.setPosition(s.start + s.length, QTextCursor::KeepAnchor);
                if (text.isEmpty()) edit.removeSelectedText();
                else edit.insertText(text, s.format);
                lengths[i] = int(text.size());
            }
            if (onePass || openBlock >= 0) edit.endEditBlock();
            int shift = 0;
            for (size_t i = 0; i < m_slots.size(); ++i) {
                m_slots[i].start += shift;
                shift += lengths[i] - m_slots[i].length;
                m_slots[i].length = lengths[i];
            }
            ++m_inPlace;
        }
    }
    m_pages->relayout();
}

}  // namespace brindle::richtext
