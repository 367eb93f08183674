#pragma once
// One letter merged with many records. The template is copied and laid out
// once; each record's values then replace the previous record's values in
// place, so only the paragraphs that hold merge tokens are laid out again
// (the others keep their lines and are only moved) and one paginator serves
// the whole run.
//
// The result is that of copying the template and replacing each token in
// turn over the whole document (RichDocument::replaceAll, tokens in the
// order given): a value keeps the character format of its token's first
// character, CR LF in a value is a line break. When that order could matter
// (a value holding the text of a token replaced after it, or a bracket-like
// first or last character of a token, or whole-word matching) the record is
// merged that way instead, and the next record starts again from the
// template.
#include "printing/PageCanvas.h"
#include "richtext/Paginator.h"
#include "richtext/RichDocument.h"

#include <QStringList>
#include <QTextCharFormat>

#include <memory>
#include <vector>

namespace brindle::richtext {

class RecordMerge {
public:
    // `letterTemplate` must outlive the merge and stay unchanged during it.
    RecordMerge(const RichDocument& letterTemplate, QStringList tokens, FindOptions options = {});

    // Puts one record's values (values[i] for tokens[i]; missing ones are
    // empty) into the letter and lays it out again.
    void apply(const QStringList& values);

    const RichDocument& letter() const { return m_letter; }
    const Paginator& pages() const { return *m_pages; }
    // Records merged so far in place and from the template.
    int inPlaceCount() const { return m_inPlace; }
    int fromTemplateCount() const { return m_fromTemplate; }

private:
    struct Slot {
        int start = 0;
        int length = 0;
        int token = 0;
        QTextCharFormat format;
    };
    void restart();
    bool orderMatters(const QStringList& values) const;
    void mergeFromTemplate(const QStringList& values);

    const RichDocument& m_template;
    QStringList m_tokens;
    FindOptions m_options;
    RichDocument m_letter;
    std::unique_ptr<Paginator> m_pages;
    std::vector<Slot> m_slots;
    bool m_slotsValid = false;  // the letter holds the template with m_slots' values in place
    int m_tokenBlocks = 0;      // paragraphs holding tokens
    bool m_overlapping = false; // the template's tokens overlap: always merge from the template
    int m_inPlace = 0;
    int m_fromTemplate = 0;
};

}  // namespace brindle::richtext
