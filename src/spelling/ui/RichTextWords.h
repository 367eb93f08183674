#pragma once
// The words of a rich-text document for the spell check: found by the
// document's own word iteration, replaced keeping the word's character
// format, highlighted through a callback into whatever view shows the document.
#include "spelling/SpellSession.h"

#include <functional>

namespace brindle::richtext {
class RichDocument;
}

namespace brindle::spelling::ui {

class RichTextWords : public WordSource {
public:
    using Highlight = std::function<void(int start, int length)>;
    explicit RichTextWords(richtext::RichDocument& document, Highlight highlight = {});

    Word nextWord(int from) const override;
    void select(int start, int length) override;
    int replace(int start, int length, const QString& text) override;

private:
    richtext::RichDocument& m_document;
    Highlight m_highlight;
};

}  // namespace brindle::spelling::ui
