#pragma once
// Merging one record into a letter, on the document model.
//
// The template's tokens ("[" + token name + "]", letter case ignored) are
// found in one pass over its text, and each is replaced by its value as plain
// text in the token's own character format (that of its first character).
// Values are never parsed: "{" or "\" in a value is just a character, line
// breaks (CR LF, CR or LF) become line breaks within the paragraph, an empty
// value removes the token, and a value that looks like a token ("[Comment 1]"
// typed into ORG) is printed as typed, because inserted text is never
// searched again. Text in brackets that names no token stays as it is.
#include <QString>
#include <QVector>

#include <utility>
#include <vector>

namespace brindle::richtext {
class RichDocument;
}

namespace brindle::letters {

// Token names with their values for one record, as tokenValues() gives them.
using MergeValues = QVector<std::pair<QString, QString>>;

class LetterMerge {
public:
    struct Token {
        int start = 0;   // document position of "["
        int length = 0;  // through "]"
        int value = 0;   // index into the merge values
    };

    // The tokens of `document` naming one of `values`, left to right.
    static std::vector<Token> findTokens(const richtext::RichDocument& document, const MergeValues& values);
    // Replaces every token of `document` by its value (one undo step);
    // returns how many were replaced.
    static int mergeInto(richtext::RichDocument& document, const MergeValues& values);

    // For a run of records: `letter` becomes a copy of the template with the
    // record's values merged in. Returns the tokens replaced.
    explicit LetterMerge(const richtext::RichDocument& templ);
    int merge(const MergeValues& values, richtext::RichDocument& letter) const;

private:
    const richtext::RichDocument& m_template;
};

}  // namespace brindle::letters
