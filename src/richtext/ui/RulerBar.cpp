#include "richtext/ui/RulerBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <cmath>

#include "richtext/ui/RichTextEditor.h"

namespace brindle::richtext::ui {

namespace {
constexpr int kHeight = 26;
constexpr int kSnap = 90;  // a sixteenth of an inch
constexpr int kGrab = 5;
}  // namespace

RulerBar::RulerBar(RichTextEditor& editor, QWidget* parent) : QWidget(parent), editor_(editor) {
    setObjectName(QStringLiteral("ruler"));
    setFixedHeight(kHeight);
    setMouseTracking(false);
    setWhatsThis(QStringLiteral("Drag the triangles to indent the paragraph; click to set a tab stop, drag it off to remove it."));
    connect(&editor_, &RichTextEditor::cursorChanged, this, &RulerBar::refresh);
    connect(&editor_, &RichTextEditor::contentsChanged, this, &RulerBar::refresh);
    refresh();
}

QSize RulerBar::sizeHint() const { return {400, kHeight}; }

void RulerBar::refresh() {
    if (dragging_ == Marker::None) format_ = readParagraphFormat(editor_.textCursor().blockFormat());
    update();
}

int RulerBar::xOf(int twips) const {
    const QPoint viewOrigin = editor_.mapTo(window(), QPoint(editor_.textLeftInView(), 0));
    const int left = mapFrom(window(), viewOrigin).x();
    return left + int(std::lround(twips * editor_.pixelsPerTwip()));
}

int RulerBar::twipsAt(int x) const {
    const double t = (x - xOf(0)) / editor_.pixelsPerTwip();
    return int(std::lround(t / kSnap)) * kSnap;
}

RulerBar::Marker RulerBar::markerAt(QPoint p, int* tab) const {
    const int width = editor_.textWidthTwips();
    if (p.y() < kHeight / 2 && std::abs(p.x() - xOf(format_.leftIndent + format_.firstLine)) <= kGrab)
        return Marker::FirstLine;
    if (p.y() >= kHeight / 2 && std::abs(p.x() - xOf(format_.leftIndent)) <= kGrab) return Marker::LeftIndent;
    if (p.y() >= kHeight / 2 && std::abs(p.x() - xOf(width - format_.rightIndent)) <= kGrab) return Marker::RightIndent;
    for (int i = 0; i < format_.tabs.size(); ++i) {
        if (std::abs(p.x() - xOf(format_.tabs[i].position)) <= kGrab) {
            if (tab) *tab = i;
            return Marker::Tab;
        }
    }
    return Marker::None;
}

void RulerBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const int width = editor_.textWidthTwips();
    p.fillRect(QRect(QPoint(xOf(0), 3), QPoint(xOf(width), kHeight - 4)), Qt::white);
    p.setPen(palette().windowText().color());
    // Ticks every eighth of an inch, longer at halves and whole inches.
    for (int t = 0; t <= width; t += 180) {
        const int x = xOf(t);
        const int len = t % 1440 == 0 ? 10 : t % 720 == 0 ? 7 : 3;
        p.drawLine(x, kHeight / 2 - len / 2, x, kHeight / 2 + len / 2);
    }
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x40, 0x40, 0x40));
    const auto triangle = [&](int x, bool down) {
        const int top = down ? 1 : kHeight - 8;
        QPolygon poly;
        if (down) poly << QPoint(x - 5, top) << QPoint(x + 5, top) << QPoint(x, top + 7);
        else poly << QPoint(x - 5, top + 7) << QPoint(x + 5, top + 7) << QPoint(x, top);
        p.drawPolygon(poly);
    };
    triangle(xOf(format_.leftIndent + format_.firstLine), true);
    triangle(xOf(format_.leftIndent), false);
    triangle(xOf(width - format_.rightIndent), false);
    p.setPen(QPen(Qt::black, 2));
    for (const TabStop& t : format_.tabs) {
        const int x = xOf(t.position);
        const int y = kHeight - 6;
        p.drawLine(x, y - 6, x, y);
        if (t.kind == 'l') p.drawLine(x, y, x + 5, y);
        else if (t.kind == 'r') p.drawLine(x - 5, y, x, y);
        else p.drawLine(x - 3, y, x + 3, y);
    }
}

void RulerBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint pos = event->position().toPoint();
    dragging_ = markerAt(pos, &dragTab_);
    dragOff_ = false;
    if (dragging_ == Marker::None) {
        // A click on the ruler sets a left tab there.
        const int at = twipsAt(pos.x());
        if (at <= 0 || at >= editor_.textWidthTwips()) return;
        format_.tabs.push_back({at, 'l'});
        std::sort(format_.tabs.begin(), format_.tabs.end(),
                  [](const TabStop& a, const TabStop& b) { return a.position < b.position; });
        editor_.applyParagraph(format_);
    }
}

void RulerBar::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ == Marker::None) return;
    const QPoint pos = event->position().toPoint();
    const int width = editor_.textWidthTwips();
    const int at = std::clamp(twipsAt(pos.x()), 0, width);
    ParagraphFormat f = format_;
    switch (dragging_) {
        case Marker::FirstLine: f.firstLine = at - f.leftIndent; break;
        case Marker::LeftIndent: {
            // The first line keeps its place relative to the paragraph.
            f.leftIndent = at;
            break;
        }
        case Marker::RightIndent: f.rightIndent = width - at; break;
        case Marker::Tab:
            dragOff_ = pos.y() < -kHeight || pos.y() > 2 * kHeight;
            if (dragTab_ >= 0 && dragTab_ < f.tabs.size()) f.tabs[dragTab_].position = at;
            break;
        case Marker::None: break;
    }
    if (dragging_ != Marker::Tab && !paragraphProblem(f, width).isEmpty()) return;
    format_ = f;
    update();
}

void RulerBar::mouseReleaseEvent(QMouseEvent*) {
    if (dragging_ == Marker::None) return;
    if (dragging_ == Marker::Tab && dragTab_ >= 0 && dragTab_ < format_.tabs.size()) {
        if (dragOff_) format_.tabs.removeAt(dragTab_);
        std::sort(format_.tabs.begin(), format_.tabs.end(),
                  [](const TabStop& a, const TabStop& b) { return a.position < b.position; });
    }
    dragging_ = Marker::None;
    dragTab_ = -1;
    editor_.applyParagraph(format_);
    editor_.focusText();
}

}  // namespace brindle::richtext::ui
