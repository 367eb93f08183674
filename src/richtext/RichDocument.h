#pragma once
// A rich-text document: a QTextDocument with the page it is laid out on,
// read from and written to RTF. This is what a letter template is, and what
// the letter designer, the merge, the preview and printing work on.
//
// The QTextDocument is laid out on a 720-dpi device (TextFormats.h) with
// design metrics and unhinted fonts, so its line breaks do not depend on the
// screen; a view that shows it at screen resolution works on a clone or
// scales its painter.
//
// Loading, clearing and copying fill a new QTextDocument and lay it out
// once, so document() returns another object afterwards: views fetch it
// again after each of them.
//
// Editing (all through QTextDocument's undo stack, one undo step each):
// inserting text with the current attributes, inserting RTF at a cursor,
// inserting a page break, find and replace with whole-word and match-case
// options, setting the insertion-point font.
#include "richtext/PageSetup.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTextCharFormat>
#include <QTextCursor>

#include <memory>

class QTextDocument;

namespace brindle::richtext {

struct FindOptions {
    bool matchCase = false;
    bool wholeWord = false;
};

class RichDocument {
public:
    RichDocument();
    ~RichDocument();
    RichDocument(const RichDocument&) = delete;
    RichDocument& operator=(const RichDocument&) = delete;

    QTextDocument* document() { return m_doc.get(); }
    const QTextDocument* document() const { return m_doc.get(); }

    const PageSetup& page() const { return m_page; }
    void setPage(const PageSetup& page);

    // Font of text in a document that states none (plain text, new letters).
    static QTextCharFormat defaultCharFormat();

    // ------------------------------------------------------------ loading and saving
    // Replaces the content. Bytes that are empty or do not begin with "{\rtf"
    // are taken as plain text (UTF-8 when they are valid UTF-8, else
    // Windows-1252), never as an empty document. A page setup stated in the
    // file replaces the current one; otherwise the page stays as it is.
    // Returns the reader's warnings (empty for a clean file or plain text).
    QStringList load(const QByteArray& bytes);
    // A memo's text as the store returns it: RTF when it begins with "{\rtf"
    // (its characters are the file's bytes in Windows-1252), else plain text.
    QStringList loadMemo(const QString& memo);
    void loadPlainText(const QString& text);
    // The document as RTF (see RtfWriter.h), and as a memo's text.
    QByteArray toRtf() const;
    QString toMemo() const;
    // Files: a failure returns false with the reason in `error`; saving
    // writes beside the file and renames, so a failed save leaves the old file.
    bool loadFile(const QString& path, QString* error = nullptr, QStringList* warnings = nullptr);
    bool saveFile(const QString& path, QString* error = nullptr) const;

    void clear();
    // Makes this document a copy of `other`: text, formats, pictures, page.
    void copyFrom(const RichDocument& other);
    QString plainText() const;

    // ------------------------------------------------------------ editing
    // Text at the cursor with the cursor's attributes; CR LF, CR and LF
    // become line breaks within the paragraph.
    void insertText(QTextCursor& cursor, const QString& text);
    // RTF at the cursor (replacing its selection); returns the warnings.
    QStringList insertRtf(QTextCursor& cursor, const QByteArray& bytes);
    // A paragraph that starts a new page, at the cursor.
    void insertPageBreak(QTextCursor& cursor);
    // A new paragraph at the cursor (the Return key): it takes the paragraph's
    // format but not its page break, which stays with the paragraph before.
    static void insertParagraph(QTextCursor& cursor);
    // The font that typing at the cursor uses.
    void setInsertionFont(QTextCursor& cursor, const QString& face, double sizePt, bool bold, bool italic);

    // The next occurrence of `text` at or after `from` (a null cursor when
    // there is none), selected.
    QTextCursor find(const QString& text, int from, FindOptions options = {}) const;
    // Replaces the selection by `text` in the format of the selection's first
    // character; the cursor then selects the inserted text. False when the
    // cursor has no selection.
    bool replace(QTextCursor& found, const QString& text);
    // Every occurrence, left to right, each search continuing after the
    // inserted text (a replacement is never searched again). Returns the count.
    int replaceAll(const QString& text, const QString& with, FindOptions options = {});

    // The word at or after `from` (letters, digits and apostrophes), selected;
    // a null cursor at the end. For spell checking.
    QTextCursor nextWord(int from) const;

    void undo();
    void redo();
    bool canUndo() const;
    bool canRedo() const;

private:
    static std::unique_ptr<QTextDocument> newDocument();
    void replaceDocument(std::unique_ptr<QTextDocument> doc);

    std::unique_ptr<QTextDocument> m_doc;
    PageSetup m_page;
};

}  // namespace brindle::richtext
