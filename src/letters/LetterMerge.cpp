#include "letters/LetterMerge.h"

#include "richtext/RichDocument.h"

#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace brindle::letters {

namespace {

// Token names are ASCII; a bracketed text matches when it equals one with
// ASCII letters in either case. Anything else (accented letters, other
// scripts) never matches, exactly as the address files' UPPER() would have it.
QString foldName(QStringView name) {
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        if (c.unicode() >= 0x80) return {};
        out += (c >= u'a' && c <= u'z') ? QChar(c.unicode() - 32) : c;
    }
    return out;
}

}  // namespace

std::vector<LetterMerge::Token> LetterMerge::findTokens(const richtext::RichDocument& document,
                                                        const MergeValues& values) {
    QHash<QString, int> byName;
    qsizetype longest = 0;
    for (int i = 0; i < values.size(); ++i) {
        const QString key = foldName(values[i].first);
        if (key.isEmpty() || byName.contains(key)) continue;  // the first value of a name wins
        byName.insert(key, i);
        longest = std::max(longest, key.size());
    }
    std::vector<Token> tokens;
    if (byName.isEmpty()) return tokens;
    const QTextDocument* doc = document.document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        qsizetype open = text.indexOf(u'[');
        while (open >= 0) {
            // The name runs to the next "]"; a "[" before it starts again there.
            qsizetype close = open + 1;
            while (close < text.size() && text[close] != u']' && text[close] != u'[' && close - open - 1 <= longest)
                ++close;
            if (close < text.size() && text[close] == u'[') {
                open = close;
                continue;
            }
            if (close < text.size() && text[close] == u']') {
                const auto it = byName.constFind(foldName(QStringView(text).mid(open + 1, close - open - 1)));
                if (it != byName.constEnd()) {
                    tokens.push_back({block.position() + int(open), int(close - open + 1), it.value()});
                    open = text.indexOf(u'[', close + 1);
                    continue;
                }
            }
            open = text.indexOf(u'[', open + 1);
        }
    }
    return tokens;
}

int LetterMerge::mergeInto(richtext::RichDocument& document, const MergeValues& values) {
    const std::vector<Token> tokens = findTokens(document, values);
    if (tokens.empty()) return 0;
    QTextCursor edit(document.document());
    edit.beginEditBlock();
    int merged = 0;
    // From the last token back, so the positions of the ones before stay
    // valid and no inserted value is ever looked at again.
    for (auto it = tokens.rbegin(); it != tokens.rend(); ++it) {
        QTextCursor found(document.document());
        found.setPosition(it->start);
        found.setPosition(it->start + it->length, QTextCursor::KeepAnchor);
        if (document.replace(found, values[it->value].second)) ++merged;
    }
    edit.endEditBlock();
    return merged;
}

LetterMerge::LetterMerge(const richtext::RichDocument& templ) : m_template(templ) {}

int LetterMerge::merge(const MergeValues& values, richtext::RichDocument& letter) const {
    letter.copyFrom(m_template);
    return mergeInto(letter, values);
}

}  // namespace brindle::letters
