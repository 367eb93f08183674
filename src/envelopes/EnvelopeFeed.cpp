#include "envelopes/EnvelopeFeed.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>

#include "common/ProfileFile.h"

namespace brindle::envelopes {

namespace {

const QString kFeed = QStringLiteral("Envelope Feed");
const QString kPrinter = QStringLiteral("Envelope Printer");

// Products of inches and 10 or 100 compared as whole numbers; the small
// allowance keeps 4.1 x 10 at 41 although the double lies just below it.
long long truncated(double inches, double factor) { return static_cast<long long>(std::trunc(inches * factor + 1e-9)); }

}  // namespace

EnvelopeFeed readEnvelopeFeed(const common::ProfileFile& settings) {
    EnvelopeFeed f;
    const int orientation = settings.readInt(kFeed, QStringLiteral("Orientation"), 1);
    const int facing = settings.readInt(kFeed, QStringLiteral("Facing"), 1);
    const int position = settings.readInt(kFeed, QStringLiteral("Position"), 2);
    if (orientation == 0 || orientation == 1) f.orientation = static_cast<FeedOrientation>(orientation);
    if (facing == 0 || facing == 1) f.facing = static_cast<FeedFacing>(facing);
    if (position >= 0 && position <= 2) f.position = static_cast<FeedPosition>(position);
    f.clockwise = settings.readBool(kFeed, QStringLiteral("ClockWiseRotation"), false);
    return f;
}

void writeEnvelopeFeed(common::ProfileFile& settings, const EnvelopeFeed& feed) {
    settings.writeInt(kFeed, QStringLiteral("Orientation"), static_cast<int>(feed.orientation));
    settings.writeInt(kFeed, QStringLiteral("Facing"), static_cast<int>(feed.facing));
    settings.writeInt(kFeed, QStringLiteral("Position"), static_cast<int>(feed.position));
    settings.writeBool(kFeed, QStringLiteral("ClockWiseRotation"), feed.clockwise);
}

EnvelopePrinterPrefs readEnvelopePrinterPrefs(const common::ProfileFile& settings) {
    EnvelopePrinterPrefs p;
    p.printer = settings.readString(kPrinter, QStringLiteral("Printer"));
    p.bin = settings.readString(kPrinter, QStringLiteral("Bin"));
    p.paper = settings.readString(kPrinter, QStringLiteral("Paper"));
    if (settings.hasKey(kPrinter, QStringLiteral("Orientation")))
        p.landscape = settings.readInt(kPrinter, QStringLiteral("Orientation"), 0) == 1;
    return p;
}

void writeEnvelopePrinterPrefs(common::ProfileFile& settings, const EnvelopePrinterPrefs& prefs) {
    settings.writeString(kPrinter, QStringLiteral("Printer"), prefs.printer);
    settings.writeString(kPrinter, QStringLiteral("Bin"), prefs.bin);
    settings.writeString(kPrinter, QStringLiteral("Paper"), prefs.paper);
    if (prefs.landscape) settings.writeInt(kPrinter, QStringLiteral("Orientation"), *prefs.landscape ? 1 : 0);
    else settings.removeKey(kPrinter, QStringLiteral("Orientation"));
}

QString feedDescription(const EnvelopeFeed& feed) {
    QStringList lines;
    switch (feed.position) {
        case FeedPosition::Left: lines << QStringLiteral("Position: Left"); break;
        case FeedPosition::Right: lines << QStringLiteral("Position: Right"); break;
        case FeedPosition::Center: lines << QStringLiteral("Position: Center"); break;
    }
    lines << (feed.orientation == FeedOrientation::Portrait ? QStringLiteral("Orientation : Portrait")
                                                            : QStringLiteral("Orientation : Landscape"));
    if (feed.clockwise) lines << QStringLiteral("Clockwise Rotation");
    lines << (feed.facing == FeedFacing::Down ? QStringLiteral("Facing Down") : QStringLiteral("Facing Up"));
    return lines.join(QStringLiteral("\r\n"));
}

QPointF feedOffset(double pageWidth, double pageHeight, double envelopeWidth, double envelopeHeight,
                   const EnvelopeFeed& feed) {
    // The printer prints on the envelope size itself: the design starts at the corner.
    if (truncated(pageWidth, 10) == truncated(envelopeWidth, 10) &&
        truncated(pageHeight, 10) == truncated(envelopeHeight, 10))
        return {0, 0};
    const double dx = pageWidth - envelopeWidth;
    const double dy = pageHeight - envelopeHeight;
    double x = 0, y = 0;
    const bool up = feed.facing == FeedFacing::Up;
    if (feed.orientation == FeedOrientation::Portrait) {
        switch (feed.position) {
            case FeedPosition::Left: x = up ? 0 : dx; break;
            case FeedPosition::Right: x = up ? dx : 0; break;
            case FeedPosition::Center: x = dx / 2; break;
        }
    } else {
        x = feed.clockwise ? 0 : dx;
        switch (feed.position) {
            case FeedPosition::Left: y = up ? 0 : dy; break;
            case FeedPosition::Right: y = up ? dy : 0; break;
            case FeedPosition::Center: y = dy / 2; break;
        }
    }
    return {std::max(0.0, x), std::max(0.0, y)};
}

bool pageSizeMismatch(double pageWidth, double pageHeight, double envelopeWidth, double envelopeHeight) {
    return std::llabs(truncated(envelopeWidth, 100) - truncated(pageWidth, 100)) > 100 ||
           std::llabs(truncated(envelopeHeight, 100) - truncated(pageHeight, 100)) > 100;
}

QString pageSizeWarning() {
    return QStringLiteral("WARNING: Printer PAPER SIZE and ORIENTATION do not match selected Envelope.\r\n"
                          "Use Printer Setup to correct this.");
}

std::optional<QPageSize> envelopePageSize(int code) {
    // The envelope codes are the printer paper codes the platform's page
    // sizes are numbered by, so the platform maps them itself.
    if (code < 19 || code > 38) return std::nullopt;
    const QPageSize::PageSizeId id = QPageSize::id(code);
    if (id == QPageSize::Custom) return std::nullopt;
    return QPageSize(id);
}

FeedPicture feedPicture(const QRect& area, const EnvelopeFeed& feed) {
    FeedPicture p;
    // A letter sheet as tall as the area allows.
    const int h = area.height();
    const int w = std::min(area.width(), h * 85 / 110);
    p.sheet = QRect(area.left() + (area.width() - w) / 2, area.top(), w, h);
    // The envelope picture: wide when upright, tall when turned.
    const int longSide = std::max(8, w * 11 / 20);
    const int shortSide = std::max(4, longSide * 9 / 20);
    const bool turned = feed.orientation == FeedOrientation::Landscape;
    const int ew = turned ? shortSide : longSide;
    const int eh = turned ? longSide : shortSide;
    int x = p.sheet.left() + 2;
    if (feed.position == FeedPosition::Right) x = p.sheet.left() + p.sheet.width() - ew - 2;
    else if (feed.position == FeedPosition::Center) x = p.sheet.left() + (p.sheet.width() - ew) / 2;
    p.envelope = QRect(x, p.sheet.top() + 2, ew, eh);
    p.front = feed.facing == FeedFacing::Up;
    p.turn = turned ? (feed.clockwise ? 90 : -90) : 0;
    return p;
}

void paintFeedPicture(QPainter& painter, const QRect& area, const EnvelopeFeed& feed) {
    const FeedPicture p = feedPicture(area, feed);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(p.sheet.adjusted(0, 0, -1, -1));
    // A feed arrow under the envelope: the paper moves up into the printer.
    const int ax = p.envelope.center().x();
    const int ay = p.envelope.bottom() + 8;
    if (ay + 14 < p.sheet.bottom()) {
        painter.drawLine(ax, ay + 14, ax, ay);
        painter.drawLine(ax, ay, ax - 4, ay + 5);
        painter.drawLine(ax, ay, ax + 4, ay + 5);
    }
    // The envelope drawn upright in its own frame, then turned into place.
    painter.translate(p.envelope.center());
    painter.rotate(p.turn);
    const QSize upright = p.turn == 0 ? p.envelope.size() : p.envelope.size().transposed();
    const QRect e(-upright.width() / 2, -upright.height() / 2, upright.width(), upright.height());
    painter.setBrush(p.front ? QColor(255, 255, 224) : QColor(235, 225, 190));
    painter.drawRect(e.adjusted(0, 0, -1, -1));
    if (p.front) {
        // Stamp at the top right, return address at the top left, address lines in the middle.
        const int s = std::max(3, e.height() / 4);
        painter.setBrush(QColor(200, 0, 0));
        painter.drawRect(e.right() - s - 2, e.top() + 2, s, s);
        painter.drawLine(e.left() + 3, e.top() + 3, e.left() + e.width() / 4, e.top() + 3);
        for (int i = 0; i < 3; ++i) {
            const int y = e.top() + e.height() / 2 + i * 3;
            painter.drawLine(e.left() + e.width() * 2 / 5, y, e.left() + e.width() * 4 / 5, y);
        }
    } else {
        // The flap of the back.
        painter.drawLine(e.topLeft(), QPoint(e.center().x(), e.top() + e.height() * 3 / 5));
        painter.drawLine(QPoint(e.right(), e.top()), QPoint(e.center().x(), e.top() + e.height() * 3 / 5));
    }
    painter.restore();
}

}  // namespace brindle::envelopes
