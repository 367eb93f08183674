#include "designer/LabelArt.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <algorithm>

namespace brindle::designer {

namespace {

enum class Motif { Frame, Corners, Ribbon, Rings, Stars };

struct Art {
    const char* name;
    Motif motif;
};

// Each picture is one of a few motifs laid out to the label's size, so that
// it fits any stock the name is used with.
const Art kArt[] = {
    {"AV12295", Motif::Frame},   {"AV12297", Motif::Corners}, {"AV2180", Motif::Ribbon},
    {"AV4160", Motif::Frame},    {"AV4161", Motif::Corners},  {"AV4168", Motif::Stars},
    {"AV4169", Motif::Ribbon},   {"AV4266", Motif::Frame},    {"AV5097", Motif::Stars},
    {"AV5196", Motif::Corners},  {"AV5198", Motif::Ribbon},   {"AV5305", Motif::Frame},
    {"AV5385", Motif::Stars},    {"AV5386", Motif::Corners},  {"AV5391", Motif::Ribbon},
    {"AV5766", Motif::Frame},    {"AV5776", Motif::Stars},    {"AV5824", Motif::Rings},
    {"AV5895", Motif::Corners},  {"AV5896", Motif::Frame},    {"AV8166", Motif::Ribbon},
    {"AVWSD5", Motif::Rings},    {"AVWSD8", Motif::Rings},    {"AVWSI13", Motif::Stars},
    {"AVWSI15", Motif::Corners},
};

const Art* find(const QString& art) {
    const QString key = stockArtKey(art);
    if (key.isEmpty()) return nullptr;
    for (const Art& a : kArt)
        if (key == QLatin1StringView(a.name)) return &a;
    return nullptr;
}

QPainterPath star(QPointF c, double r) {
    QPainterPath p;
    for (int i = 0; i < 10; ++i) {
        const double angle = -M_PI / 2 + i * M_PI / 5;
        const double radius = i % 2 == 0 ? r : r * 0.4;
        const QPointF pt(c.x() + radius * std::cos(angle), c.y() + radius * std::sin(angle));
        if (i == 0) p.moveTo(pt);
        else p.lineTo(pt);
    }
    p.closeSubpath();
    return p;
}

void draw(QPainter& p, Motif motif, const QSize& size) {
    const double w = size.width();
    const double h = size.height();
    const double unit = std::max(4.0, std::min(w, h) / 12.0);
    p.setPen(QPen(Qt::black, std::max(1.0, unit / 4)));
    p.setBrush(Qt::NoBrush);
    switch (motif) {
    case Motif::Frame: {
        const QRectF outer(unit / 2, unit / 2, w - unit, h - unit);
        p.drawRoundedRect(outer, unit, unit);
        p.setPen(QPen(Qt::black, 1));
        p.drawRoundedRect(outer.adjusted(unit / 2, unit / 2, -unit / 2, -unit / 2), unit / 2, unit / 2);
        break;
    }
    case Motif::Corners: {
        const double r = unit * 2;
        for (const QPointF c : {QPointF(0, 0), QPointF(w, 0), QPointF(0, h), QPointF(w, h)}) {
            p.drawEllipse(c, r, r);
            p.drawEllipse(c, r * 0.6, r * 0.6);
        }
        break;
    }
    case Motif::Ribbon: {
        p.setBrush(Qt::black);
        QPainterPath band;
        band.moveTo(0, unit * 2);
        band.lineTo(unit * 2, 0);
        band.lineTo(unit * 3.5, 0);
        band.lineTo(0, unit * 3.5);
        band.closeSubpath();
        p.drawPath(band);
        p.drawRect(QRectF(0, h - unit, w, unit / 2));
        break;
    }
    case Motif::Rings: {
        const QPointF c(w / 2, h / 2);
        const double r = std::min(w, h) / 2;
        for (double f : {0.95, 0.8, 0.25, 0.12}) p.drawEllipse(c, r * f, r * f);
        break;
    }
    case Motif::Stars: {
        p.setBrush(Qt::black);
        const double r = unit;
        for (int i = 0; i < 3; ++i) p.drawPath(star(QPointF(w - r * 1.5, r * 1.5 + i * r * 2.6), r));
        break;
    }
    }
}

}  // namespace

const QStringList& stockArtNames() {
    static const QStringList names = [] {
        QStringList n;
        for (const Art& a : kArt) n << QString::fromLatin1(a.name);
        return n;
    }();
    return names;
}

QString stockArtKey(const QString& art) {
    const QString trimmed = art.trimmed();
    const qsizetype dot = trimmed.indexOf(QLatin1Char('.'));
    return (dot < 0 ? trimmed : trimmed.left(dot)).toUpper();
}

bool hasStockArt(const QString& art) { return find(art) != nullptr; }

QImage stockArtPicture(const QString& art, const QSize& size) {
    const Art* a = find(art);
    if (!a || size.width() < 1 || size.height() < 1) return {};
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        draw(p, a->motif, size);
    }
    // One colour: whatever is not white becomes silver.
    const QRgb silver = qRgb(0xC0, 0xC0, 0xC0);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) line[x] = qGray(line[x]) < 200 ? silver : qRgb(255, 255, 255);
    }
    return img;
}

}  // namespace brindle::designer
