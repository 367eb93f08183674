#include "designobjects/MultiLineLabels.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPicture>

#include <algorithm>

#include "designobjects/DesignDialogs.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/FontMetrics.h"
#include "designobjects/ObjectEditing.h"
#include "designobjects/RecordSource.h"
#include "printing/PageCanvas.h"

namespace brindle::designobjects {

// ---------------------------------------------------------------- word wrap

namespace {

// Greedy line breaking over runs of spaces and runs of other characters.
// Each run is measured once and a line's width is the sum of its runs, so
// wrapping takes time in proportion to the text however narrow the object
// and however long the text (measuring every candidate line instead would
// measure the text over and over).
class LineBreaker {
public:
    LineBreaker(int width, const std::function<double(const QString&)>& measure) : width_(width), measure_(measure) {}

    void paragraph(QStringView text, QStringList& out) {
        text_ = text;
        out_ = &out;
        lineStart_ = 0;
        lineEnd_ = 0;
        lineWidth_ = 0;
        pending_ = 0;
        hasWord_ = false;
        qsizetype i = 0;
        while (i < text.size()) {
            const bool space = text[i] == QLatin1Char(' ');
            qsizetype j = i;
            while (j < text.size() && (text[j] == QLatin1Char(' ')) == space) ++j;
            if (space) pending_ += width(i, j);  // counts only once a word follows on the line
            else word(i, j);
            i = j;
        }
        // The rest of the paragraph, trailing spaces and all.
        out << text.mid(lineStart_).toString();
    }

private:
    bool fits(double w) const { return w <= width_ + 1e-6; }

    double width(qsizetype from, qsizetype to) {
        const QString piece = text_.mid(from, to - from).toString();
        const auto it = cache_.constFind(piece);
        if (it != cache_.constEnd()) return *it;
        const double w = measure_(piece);
        cache_.insert(piece, w);
        return w;
    }

    void word(qsizetype from, qsizetype to) {
        const double w = width(from, to);
        if (fits(lineWidth_ + pending_ + w)) {
            take(to, lineWidth_ + pending_ + w);
            return;
        }
        if (hasWord_) {
            // The line ends after its last word; the spaces at the break belong to neither line.
            endLine(lineEnd_, from);
            if (fits(w)) {
                take(to, w);
                return;
            }
        }
        split(from, to);
    }

    // A word wider than a line of its own breaks inside the word, character
    // by character (a surrogate pair stays whole); every line takes at least
    // one character so that the text always comes to an end.
    void split(qsizetype from, qsizetype to) {
        double acc = pending_;  // spaces before the word at the start of a paragraph
        qsizetype at = from;
        while (at < to) {
            const qsizetype next = at + (text_[at].isHighSurrogate() && at + 1 < to && text_[at + 1].isLowSurrogate() ? 2 : 1);
            const double w = width(at, next);
            if (fits(acc + w) || (at == lineStart_)) {
                acc += w;
                at = next;
                continue;
            }
            endLine(at, at);
            acc = 0;
        }
        take(to, acc);
    }

    void take(qsizetype end, double lineWidth) {
        lineEnd_ = end;
        lineWidth_ = lineWidth;
        pending_ = 0;
        hasWord_ = true;
    }

    // Ends the line at `end` and starts the next one at `next`.
    void endLine(qsizetype end, qsizetype next) {
        *out_ << text_.mid(lineStart_, end - lineStart_).toString();
        lineStart_ = next;
        lineEnd_ = next;
        lineWidth_ = 0;
        pending_ = 0;
        hasWord_ = false;
    }

    const int width_;
    const std::function<double(const QString&)>& measure_;
    QHash<QString, double> cache_;
    QStringView text_;
    QStringList* out_ = nullptr;
    qsizetype lineStart_ = 0;  // where the current line begins
    qsizetype lineEnd_ = 0;    // end of its last word
    double lineWidth_ = 0;     // width up to the end of its last word
    double pending_ = 0;       // spaces after its last word (or before its first)
    bool hasWord_ = false;
};

}  // namespace

QStringList wrapText(const QString& text, int width, const std::function<double(const QString&)>& measure) {
    QStringList out;
    LineBreaker breaker(width, measure);
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    for (const QStringView paragraph : QStringView(normalised).split(QLatin1Char('\n'))) breaker.paragraph(paragraph, out);
    return out;
}

// ---------------------------------------------------------------- base

TKMultiLineBaseLabel::TKMultiLineBaseLabel() { setBounds(0, 0, 190, 33); }

void TKMultiLineBaseLabel::setItems(const QStringList& lines) {
    screenOnly_ = false;
    if (lines == items_) return;
    items_ = lines;
    if (wordWrap_) rewrap();
    invalidate();
    changed();
}

void TKMultiLineBaseLabel::setItemsSilently(const QStringList& lines, bool screenOnly) {
    items_ = lines;
    screenOnly_ = screenOnly;
    invalidate();
}

void TKMultiLineBaseLabel::setAlignment(int a) {
    if (a < taLeftJustify || a > taCenter || a == alignment_) return;
    alignment_ = a;
    invalidate();
    changed();
}

void TKMultiLineBaseLabel::setFont(const DesignFont& f) {
    font_ = f;
    if (wordWrap_) rewrap();
    invalidate();
}

void TKMultiLineBaseLabel::setWordWrap(bool v) {
    if (v == wordWrap_) return;
    wordWrap_ = v;
    if (wordWrap_) rewrap();
    invalidate();
}

void TKMultiLineBaseLabel::applyFont(const DesignFont& f) {
    font_ = f;
    refreshData();
    if (wordWrap_) rewrap();
    invalidate();
}

QStringList TKMultiLineBaseLabel::wrapLines(const QStringList& lines) const {
    const TextMetrics fm(font_, zoom());
    return wrapText(lines.join(QLatin1Char('\n')), width(), [&](const QString& s) { return fm.advance(s); });
}

void TKMultiLineBaseLabel::rewrap() {
    if (!wordWrap_) return;
    wrapped_ = items_.isEmpty() ? QStringList() : wrapLines(items_);
    invalidate();
}

void TKMultiLineBaseLabel::loaded() {
    if (wordWrap_) rewrap();
}

void TKMultiLineBaseLabel::boundsChanged() {
    TKGraphicControl::boundsChanged();
    if (wordWrap_) rewrap();
}

QStringList TKMultiLineBaseLabel::screenLines() const {
    QStringList l = lines();
    if (l.isEmpty()) l << placeholderText();
    else if (l.size() == 1 && trimBoth(l.first()).isEmpty()) l << placeholderText();
    return l;
}

QStringList TKMultiLineBaseLabel::paperLines() const { return screenOnly_ ? QStringList() : lines(); }

void TKMultiLineBaseLabel::drawLines(QPainter& p, float zoom, int w, int h, const QStringList& lines) {
    p.save();
    p.setClipRect(QRect(0, 0, w, h), Qt::IntersectClip);
    const TextMetrics fm(font_, zoom);
    p.setFont(fm.font());
    p.setPen(toQColor(font_.color));
    p.setBackgroundMode(Qt::TransparentMode);
    const int lineHeight = fm.height();  // the height of one line of text, without external leading
    for (int i = 0; i < lines.size(); ++i) {
        const int y = i * lineHeight;
        if (y >= h) break;  // below the bottom edge
        const int tw = fm.width(lines[i]);
        int x = 0;
        if (alignment_ == taRightJustify) x = w - tw - 1;
        else if (alignment_ == taCenter) x = w / 2 - tw / 2 + 1;
        p.drawText(QPointF(x, y + fm.ascent()), fm.drawable(lines[i]));
    }
    p.restore();
}

void TKMultiLineBaseLabel::paint(QPainter& p, const PaintContext&) {
    const DesignDocument* s = document();
    const bool printing = s && s->printing();
    drawLines(p, zoom(), width(), height(), printing ? paperLines() : screenLines());
}

QPicture TKMultiLineBaseLabel::renderPicture(bool forPaper) {
    const int w = designBounds().width();
    const int h = designBounds().height();
    QStringList l = forPaper ? paperLines() : screenLines();
    // Wrapped lines follow the shown zoom; the picture is drawn at 1.0.
    if (wordWrap_ && zoom() != 1.0f && !(forPaper && screenOnly_) && !items_.isEmpty()) {
        const TextMetrics fm(font_, 1.0f);
        l = wrapText(items_.join(QLatin1Char('\n')), w, [&](const QString& s) { return fm.advance(s); });
    }
    QPicture pic;
    {
        QPainter p(&pic);
        drawLines(p, 1.0f, w, h, l);
    }
    pic.setBoundingRect(QRect(0, 0, w, h));
    return pic;
}

void TKMultiLineBaseLabel::printAt(printing::PageCanvas& page, double top, double left) {
    if (width() < 1 || height() < 1) return;
    page.drawPicture(paperRect(top, left), renderPicture(true));
}

void TKMultiLineBaseLabel::sizeToFit() {
    const TextMetrics fm(font_, zoom());
    if (wordWrap_) rewrap();
    const QStringList l = lines();
    int widest = 0;
    for (const QString& s : l) widest = std::max(widest, fm.width(s));
    // An object without lines keeps one line's height: a height of zero would
    // leave it invisible and let the next save drop it as lying outside the design.
    const int count = std::max<qsizetype>(1, l.size());
    setBounds(left(), top(), std::max(width(), widest), int(fm.height() * count));
}

PropertyList TKMultiLineBaseLabel::ownProperties() {
    using T = TKMultiLineBaseLabel;
    return {
        makeProperty<T>("Items", PropKind::StringList, std::nullopt, [](const T& o) { return o.items(); },
                        [](T& o, const PropValue& v) {
                            if (auto* l = std::get_if<QStringList>(&v)) o.setItems(*l);
                        }),
        makeProperty<T>("AutoSize", PropKind::Boolean, std::nullopt, [](const T& o) { return qint64(o.autoSize()); },
                        [](T& o, const PropValue& v) { o.setAutoSize(intOf(v) != 0); }),
        makeProperty<T>("Alignment", PropKind::Enum, 0, [](const T& o) { return qint64(o.alignment()); },
                        [](T& o, const PropValue& v) { o.setAlignment(int(intOf(v))); },
                        {"taLeftJustify", "taRightJustify", "taCenter"}),
        makeProperty<T>("Font", PropKind::Font, std::nullopt, [](const T& o) { return o.font(); },
                        [](T& o, const PropValue& v) {
                            if (auto* f = std::get_if<DesignFont>(&v)) o.setFont(*f);
                        }),
        makeProperty<T>("WordWrap", PropKind::Boolean, 0, [](const T& o) { return qint64(o.wordWrap()); },
                        [](T& o, const PropValue& v) { o.setWordWrap(intOf(v) != 0); }),
    };
}

DesignDialogs* TKMultiLineBaseLabel::dialogs() const { return dialogsFor(this); }

void TKMultiLineBaseLabel::editFont() {
    auto* d = dialogs();
    if (!d) return;
    const auto f = d->chooseFont(font_);
    if (!f) return;
    applyFont(*f);
    changed();
}

void TKMultiLineBaseLabel::toggleWordWrap() {
    setWordWrap(!wordWrap_);
    changed();
}

void TKMultiLineBaseLabel::addMenuEntries(MenuEntries& menu) {
    TKGraphicControl::addMenuEntries(menu);
    menu.push_back(MenuEntry::separator());
    menu.push_back(MenuEntry::item(QStringLiteral("Font"), [this] { editFont(); }));
    menu.push_back(alignmentSubmenu(alignment_, [this](int a) { setAlignment(a); }));
}

// ---------------------------------------------------------------- fixed lines

void TKMultiLineLabel::editLines() {
    auto* d = dialogs();
    if (!d) return;
    const auto lines = d->editLines(items(), font());
    if (!lines) return;
    setItems(*lines);
    invalidate();
    changed();
}

void TKMultiLineLabel::addMenuEntries(MenuEntries& menu) {
    TKMultiLineBaseLabel::addMenuEntries(menu);
    menu.push_back(MenuEntry::separator());
    menu.push_back(MenuEntry::item(QStringLiteral("Text"), [this] { editLines(); }));
    menu.push_back(MenuEntry::check(QStringLiteral("Word Wrap"), wordWrap(), [this] { toggleWordWrap(); }));
}

// ---------------------------------------------------------------- memo field

void TKDMultiLineLabel::editField() { chooseBoundField(*this, true, dataFieldName_, dataFieldDescript_); }

void TKDMultiLineLabel::addMenuEntries(MenuEntries& menu) {
    TKMultiLineBaseLabel::addMenuEntries(menu);
    menu.push_back(MenuEntry::separator());
    menu.push_back(MenuEntry::item(QStringLiteral("Memo Field"), [this] { editField(); }));
    menu.push_back(MenuEntry::check(QStringLiteral("Word Wrap"), wordWrap(), [this] { toggleWordWrap(); }));
}

void TKDMultiLineLabel::refreshData() {
    const BoundField f = readBoundField(document(), dataFieldDescript_);
    const bool printing = f.printing;
    if (!f.found) {
        setItemsSilently(printing ? QStringList() : QStringList{QStringLiteral("<undefined memo>")}, true);
    } else if (f.showValues || printing) {
        const QString& memo = f.text;
        QStringList l;
        if (!memo.isEmpty()) {
            QString t = memo;
            t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
            t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
            l = t.split(QLatin1Char('\n'));
        }
        setItemsSilently(l);
    } else {
        setItemsSilently({QLatin1Char('[') + dataFieldDescript_ + QLatin1Char(']')}, true);
    }
    if (wordWrap()) setWrapped(items().isEmpty() ? QStringList() : wrapLines(items()));
    if (!printing) invalidate();
}

void TKDMultiLineLabel::clearDataText() {
    setItemsSilently({});
    setWrapped({});
}

void TKDMultiLineLabel::rewrap() { refreshData(); }

PropertyList TKDMultiLineLabel::ownProperties() {
    using T = TKDMultiLineLabel;
    return {
        makeProperty<T>("DataFieldName", PropKind::Text, std::nullopt, [](const T& o) { return o.dataFieldName(); },
                        [](T& o, const PropValue& v) { o.setDataFieldName(textOf(v)); }),
        makeProperty<T>("DataFieldDescript", PropKind::Text, std::nullopt,
                        [](const T& o) { return o.dataFieldDescript(); },
                        [](T& o, const PropValue& v) { o.setDataFieldDescript(textOf(v)); }),
    };
}

// ---------------------------------------------------------------- address block

void TKDMultiLineAddressLabel::refreshData() {
    const DesignDocument* s = document();
    const bool printing = s && s->printing();
    const bool showValues = !s || s->displayDataValues();
    const RecordSource* src = s ? s->recordSource() : nullptr;
    if (showValues || printing) {
        QStringList l;
        if (src) {
            const std::vector<RecordField> fields = src->fields();
            l = common::addressBlock(layout_, [&](const QString& name) -> std::optional<QString> {
                for (const auto& f : fields)
                    if (f.name.compare(name, Qt::CaseInsensitive) == 0) return src->fieldText(f.name);
                return std::nullopt;
            });
        }
        setItemsSilently(l);
    } else {
        setItemsSilently({QStringLiteral("[Address Label]")}, true);
    }
    if (wordWrap()) setWrapped(items().isEmpty() ? QStringList() : wrapLines(items()));
    if (!printing) invalidate();
}

void TKDMultiLineAddressLabel::editLayout() {
    auto* d = dialogs();
    if (!d) return;
    AddressLayout l = layout_;
    if (!d->editAddressLayout(l)) return;
    layout_ = l;
    if (auto* s = document()) s->refreshData();
    else refreshData();
    changed();
}

void TKDMultiLineAddressLabel::addMenuEntries(MenuEntries& menu) {
    TKMultiLineBaseLabel::addMenuEntries(menu);
    menu.push_back(MenuEntry::separator());
    menu.push_back(MenuEntry::item(QStringLiteral("Address Layout"), [this] { editLayout(); }));
}

void TKDMultiLineAddressLabel::clearDataText() {
    setItemsSilently({});
    setWrapped({});
}

PropertyList TKDMultiLineAddressLabel::ownProperties() {
    using T = TKDMultiLineAddressLabel;
    const auto flag = [](const char* name, bool AddressLayout::*member) {
        return makeProperty<T>(
            name, PropKind::Boolean, std::nullopt, [member](const T& o) { return qint64(o.layout().*member); },
            [member](T& o, const PropValue& v) { o.layout().*member = intOf(v) != 0; });
    };
    return {
        flag("UseName", &AddressLayout::useName),
        flag("UseTitle", &AddressLayout::useTitle),
        flag("UseCompany", &AddressLayout::useCompany),
        flag("UseStreet", &AddressLayout::useStreet),
        flag("UseStreet2", &AddressLayout::useStreet2),
        flag("UseCityState", &AddressLayout::useCityState),
        flag("UseZip", &AddressLayout::useZip),
        flag("UsePhone", &AddressLayout::usePhone),
        flag("UseCountry", &AddressLayout::useCountry),
        makeProperty<T>("ZipOptions", PropKind::Enum, std::nullopt, [](const T& o) { return qint64(o.layout().zipOptions); },
                        [](T& o, const PropValue& v) {
                            const int z = int(intOf(v));
                            if (z >= zoAfterState && z <= zoBeforeCountry) o.layout().zipOptions = z;
                        },
                        {"zoAfterState", "zoBeforeCity", "zoAfterCountry", "zoBeforeCountry"}),
        flag("UpperCase", &AddressLayout::upperCase),
    };
}

}  // namespace brindle::designobjects
