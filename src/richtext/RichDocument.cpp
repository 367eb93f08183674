#include "richtext/RichDocument.h"

#include "printing/DrawOps.h"
#include "richtext/Paginator.h"
#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"
#include "richtext/TextFormats.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QImage>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextImageFormat>
#include <QUrl>

namespace brindle::richtext {

namespace {

// The device every document is laid out on: 720 dots per inch, where a
// point is 10 pixels (TextFormats.h).
QPaintDevice* layoutDevice() {
    static QImage image = [] {
        QImage i(1, 1, QImage::Format_ARGB32_Premultiplied);
        const int dpm = qRound(kLayoutDpi / 0.0254);
        i.setDotsPerMeterX(dpm);
        i.setDotsPerMeterY(dpm);
        return i;
    }();
    return &image;
}

QString normaliseLineEnds(QString text) {
    text.replace(QStringLiteral("\r\n"), QString(QChar(QChar::LineSeparator)));
    text.replace(QLatin1Char('\r'), QChar(QChar::LineSeparator));
    text.replace(QLatin1Char('\n'), QChar(QChar::LineSeparator));
    return text;
}

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('\'') || c == QChar(0x2019); }

}  // namespace

RichDocument::RichDocument() { replaceDocument(newDocument()); }

RichDocument::~RichDocument() = default;

// A document set up for our formats but without a layout yet: text inserted
// into a laid-out document is laid out again piece by piece, which makes
// reading a long file many times slower than reading it and laying it out once.
std::unique_ptr<QTextDocument> RichDocument::newDocument() {
    auto doc = std::make_unique<QTextDocument>();
    // makeQFont installs the font substitutions the page canvas draws with
    // (Arial to Liberation Sans ...) before anything is measured.
    QFont f = printing::makeQFont(printing::FontSpec{});
    f.setPointSizeF(12);
    doc->setDefaultFont(f);
    doc->setUseDesignMetrics(true);
    doc->setDocumentMargin(0);
    // Default tab stops every half inch, as RTF assumes without \deftab.
    QTextOption option = doc->defaultTextOption();
    option.setTabStopDistance(twipsToPixels(720));
    doc->setDefaultTextOption(option);
    doc->setUndoRedoEnabled(false);
    return doc;
}

void RichDocument::replaceDocument(std::unique_ptr<QTextDocument> doc) {
    keepShapedText(*doc);
    doc->documentLayout()->setPaintDevice(layoutDevice());
    doc->setTextWidth(twipsToUnits(m_page.textWidth()));
    doc->setUndoRedoEnabled(true);
    m_doc = std::move(doc);
}

void RichDocument::setPage(const PageSetup& page) {
    m_page = page;
    m_doc->setTextWidth(twipsToUnits(m_page.textWidth()));
}

QTextCharFormat RichDocument::defaultCharFormat() {
    QTextCharFormat f;
    f.setFontFamilies({QStringLiteral("Arial")});
    f.setFontPointSize(10);
    f.setFontWeight(QFont::Normal);
    f.setFontItalic(false);
    f.setFontUnderline(false);
    f.setFontStrikeOut(false);
    return f;
}

void RichDocument::clear() { replaceDocument(newDocument()); }

QStringList RichDocument::load(const QByteArray& bytes) {
    if (!looksLikeRtf(bytes)) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8.decode(bytes);
        if (utf8.hasError()) text = QStringDecoder("windows-1252").decode(bytes);
        loadPlainText(text);
        return {};
    }
    auto doc = newDocument();
    QTextCursor cursor(doc.get());
    const RtfReadResult r = readRtf(bytes, cursor);
    if (r.pageGiven) m_page = r.page;
    if (r.defaultTab > 0) {
        QTextOption option = doc->defaultTextOption();
        option.setTabStopDistance(twipsToPixels(r.defaultTab));
        doc->setDefaultTextOption(option);
    }
    replaceDocument(std::move(doc));
    return r.warnings;
}

QStringList RichDocument::loadMemo(const QString& memo) {
    if (!memo.trimmed().startsWith(QLatin1String("{\\rtf"))) {
        loadPlainText(memo);
        return {};
    }
    // The memo's characters are the file's bytes read as Windows-1252.
    return load(QStringEncoder("windows-1252").encode(memo));
}

void RichDocument::loadPlainText(const QString& text) {
    auto doc = newDocument();
    QTextCursor cursor(doc.get());
    const QTextCharFormat f = defaultCharFormat();
    cursor.setBlockCharFormat(f);
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // Each line a paragraph; insertText turns "\n" into paragraph breaks.
    cursor.insertText(t, f);
    replaceDocument(std::move(doc));
}

QByteArray RichDocument::toRtf() const { return writeRtf(*m_doc, m_page); }

QString RichDocument::toMemo() const { return QStringDecoder("windows-1252").decode(toRtf()); }

QString RichDocument::plainText() const { return m_doc->toPlainText(); }

bool RichDocument::loadFile(const QString& path, QString* error, QStringList* warnings) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("Unable to open %1: %2").arg(path, f.errorString());
        return false;
    }
    const QByteArray bytes = f.readAll();
    const QStringList w = load(bytes);
    if (warnings) *warnings = w;
    return true;
}

bool RichDocument::saveFile(const QString& path, QString* error) const {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error) *error = QStringLiteral("Unable to write %1: %2").arg(path, f.errorString());
        return false;
    }
    const QByteArray bytes = toRtf();
    if (f.write(bytes) != bytes.size() || !f.commit()) {
        if (error) *error = QStringLiteral("Unable to write %1: %2").arg(path, f.errorString());
        f.cancelWriting();
        return false;
    }
    return true;
}

void RichDocument::copyFrom(const RichDocument& other) {
    if (&other == this) return;
    m_page = other.m_page;
    auto doc = newDocument();
    doc->setDefaultTextOption(other.m_doc->defaultTextOption());
    // Pictures are document resources: carry over every one the text names.
    for (QTextBlock b = other.m_doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!f.isImageFormat()) continue;
            const QUrl name(f.toImageFormat().name());
            doc->addResource(QTextDocument::ImageResource, name, other.m_doc->resource(QTextDocument::ImageResource, name));
        }
    }
    QTextCursor cursor(doc.get());
    cursor.insertFragment(QTextDocumentFragment(other.m_doc.get()));
    // A fragment does not carry the first paragraph's own formats.
    QTextCursor first(doc.get());
    first.setBlockFormat(other.m_doc->begin().blockFormat());
    first.setBlockCharFormat(other.m_doc->begin().charFormat());
    replaceDocument(std::move(doc));
}

void RichDocument::insertText(QTextCursor& cursor, const QString& text) {
    cursor.insertText(normaliseLineEnds(text));
}

QStringList RichDocument::insertRtf(QTextCursor& cursor, const QByteArray& bytes) {
    cursor.beginEditBlock();
    QStringList warnings;
    if (looksLikeRtf(bytes)) {
        warnings = readRtf(bytes, cursor).warnings;
    } else {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8.decode(bytes);
        if (utf8.hasError()) text = QStringDecoder("windows-1252").decode(bytes);
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        cursor.insertText(text);
    }
    cursor.endEditBlock();
    return warnings;
}

void RichDocument::insertPageBreak(QTextCursor& cursor) {
    cursor.beginEditBlock();
    if (cursor.hasSelection()) cursor.removeSelectedText();
    QTextBlockFormat b = cursor.blockFormat();
    b.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    const QTextCharFormat c = cursor.charFormat();
    cursor.insertBlock(b, c);
    cursor.endEditBlock();
}

void RichDocument::insertParagraph(QTextCursor& cursor) {
    cursor.beginEditBlock();
    if (cursor.hasSelection()) cursor.removeSelectedText();
    QTextBlockFormat b = cursor.blockFormat();
    b.setPageBreakPolicy(b.pageBreakPolicy() & ~QTextFormat::PageBreak_AlwaysBefore);
    const QTextCharFormat c = cursor.charFormat();
    cursor.insertBlock(b, c);
    cursor.endEditBlock();
}

void RichDocument::setInsertionFont(QTextCursor& cursor, const QString& face, double sizePt, bool bold, bool italic) {
    QTextCharFormat f;
    f.setFontFamilies({face});
    f.setFontPointSize(sizePt);
    f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(italic);
    cursor.mergeCharFormat(f);
    if (m_doc->isEmpty()) cursor.mergeBlockCharFormat(f);
}

QTextCursor RichDocument::find(const QString& text, int from, FindOptions options) const {
    if (text.isEmpty()) return {};
    QTextDocument::FindFlags flags;
    if (options.matchCase) flags |= QTextDocument::FindCaseSensitively;
    if (options.wholeWord) flags |= QTextDocument::FindWholeWords;
    return m_doc->find(text, std::max(0, from), flags);
}

bool RichDocument::replace(QTextCursor& found, const QString& text) {
    if (!found.hasSelection()) return false;
    QTextCursor probe(m_doc.get());
    probe.setPosition(found.selectionStart() + 1);
    QTextCharFormat f = probe.charFormat();
    if (f.isImageFormat()) f = RichDocument::defaultCharFormat();
    const int start = found.selectionStart();
    found.beginEditBlock();
    found.removeSelectedText();
    found.insertText(normaliseLineEnds(text), f);
    found.endEditBlock();
    found.setPosition(start);
    found.setPosition(start + int(normaliseLineEnds(text).size()), QTextCursor::KeepAnchor);
    return true;
}

int RichDocument::replaceAll(const QString& text, const QString& with, FindOptions options) {
    if (text.isEmpty()) return 0;
    int count = 0;
    QTextCursor edit(m_doc.get());
    edit.beginEditBlock();
    int from = 0;
    for (;;) {
        QTextCursor found = find(text, from, options);
        if (found.isNull()) break;
        replace(found, with);
        from = found.selectionEnd();
        ++count;
    }
    edit.endEditBlock();
    return count;
}

QTextCursor RichDocument::nextWord(int from) const {
    const int end = m_doc->characterCount() - 1;
    int pos = std::clamp(from, 0, std::max(0, end));
    for (;;) {
        while (pos < end && !isWordChar(m_doc->characterAt(pos))) ++pos;
        if (pos >= end) return {};
        int stop = pos;
        while (stop < end && isWordChar(m_doc->characterAt(stop))) ++stop;
        const int next = stop;
        // Apostrophes around a word are quotes, not part of it.
        while (stop > pos && !m_doc->characterAt(stop - 1).isLetterOrNumber()) --stop;
        while (pos < stop && !m_doc->characterAt(pos).isLetterOrNumber()) ++pos;
        if (pos < stop) {
            QTextCursor c(const_cast<QTextDocument*>(m_doc.get()));
            c.setPosition(pos);
            c.setPosition(stop, QTextCursor::KeepAnchor);
            return c;
        }
        pos = next;
    }
}

void RichDocument::undo() { m_doc->undo(); }
void RichDocument::redo() { m_doc->redo(); }
bool RichDocument::canUndo() const { return m_doc->isUndoAvailable(); }
bool RichDocument::canRedo() const { return m_doc->isRedoAvailable(); }

}  // namespace brindle::richtext
