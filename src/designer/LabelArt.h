#pragma once
// The stock artwork the program carries: pictures printed on decorated label
// stock, shown faintly behind a design so the user can place text around
// them. They are never printed or stored with the design.
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

namespace brindle::designer {

// The names of the pictures the program carries, upper case.
const QStringList& stockArtNames();
// The picture an ART value names: the value up to its first ".", upper-cased.
QString stockArtKey(const QString& art);
bool hasStockArt(const QString& art);
// The artwork drawn for a label of `size` pixels at zoom 1.0, reduced to one
// colour: silver (0xC0C0C0) on white. Null when the name has no picture or
// the size is empty.
QImage stockArtPicture(const QString& art, const QSize& size);

}  // namespace brindle::designer
