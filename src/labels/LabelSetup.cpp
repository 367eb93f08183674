#include "labels/LabelSetup.h"

#include <algorithm>
#include <cmath>

#include "common/UserDialogs.h"
#include "store/CodePage.h"
#include "store/Table.h"

namespace brindle::labels {

namespace {

constexpr double kLargestLength = 99.999;  // N 6,3
constexpr double kSmallestLength = -9.999;
constexpr int kLargestCount = 99;          // N 2,0

LabelSetup commonDefaults() {
    LabelSetup s;
    s.lblHeight = 1.0F;
    s.lblWidth = 2.625F;
    s.nbrAcross = 3;
    s.nbrDown = 10;
    s.topMarg = 0.5F;
    s.leftMarg = 0.188F;
    s.sheetWidth = 8.5F;
    s.sheetDepth = 11.0F;
    s.paperSize = QStringLiteral("LTR");
    s.lblShape = QStringLiteral("RR");
    s.printer = QStringLiteral("LJ");
    // Two blanks: the catalogue row is spelled that way.
    s.tplDescrip = QStringLiteral("Avery 5160  Address");
    s.manufac = QStringLiteral("AVERY");
    return s;
}

QString text(const store::Table& t, const char* field) {
    if (t.fieldIndex(field) < 0) return {};
    return QString::fromStdString(t.getText(field));
}

float length(const store::Table& t, const char* field) {
    if (t.fieldIndex(field) < 0) return 0;
    return static_cast<float>(t.getNumber(field));
}

int count(const store::Table& t, const char* field) {
    if (t.fieldIndex(field) < 0) return 0;
    return static_cast<int>(std::lround(t.getNumber(field)));
}

// Fields both tables have.
void readCommon(const store::Table& t, LabelSetup& s) {
    s.descript = text(t, "DESCRIPT");
    s.printer = text(t, "PRINTER");
    s.lblHeight = length(t, "LBLHEIGHT");
    s.lblWidth = length(t, "LBLWIDTH");
    s.nbrAcross = count(t, "NBRACROSS");
    s.nbrDown = count(t, "NBRDOWN");
    s.topMarg = length(t, "TOPMARG");
    s.leftMarg = length(t, "LEFTMARG");
    s.horizPitch = length(t, "HORIZPITCH");
    s.vertPitch = length(t, "VERTPITCH");
    s.sheetWidth = length(t, "SHEETWIDTH");
    s.sheetDepth = length(t, "SHEETDEPTH");
    s.paperSize = text(t, "PAPERSIZE");
    s.lblShape = text(t, "LBLSHAPE");
    s.manufac = text(t, "MANUFAC");
    s.prodType = text(t, "PRODTYPE");
    s.midExtraX = t.fieldIndex("MIDEXTRAX") < 0 ? 0.0 : t.getNumber("MIDEXTRAX");
    s.midExtraY = t.fieldIndex("MIDEXTRAY") < 0 ? 0.0 : t.getNumber("MIDEXTRAY");
    s.art = text(t, "ART");
}

}  // namespace

LabelSetup newLabelSetup() {
    LabelSetup s = commonDefaults();
    s.descript = QStringLiteral("<New Label>");
    s.horizPitch = 2.765F;
    s.vertPitch = 1.01F;
    s.prodType = QStringLiteral("ADDRESS/SHIPPING LABELS");
    return s;
}

LabelSetup fallbackLabelSetup() {
    LabelSetup s = commonDefaults();
    s.descript = QStringLiteral("Default Label Setup");
    s.horizPitch = 2.75F;
    s.vertPitch = 1.0F;
    s.prodType = QStringLiteral("ADDRESS LABELS");
    return s;
}

QString calcSheetName(const LabelSetup& setup) {
    return setup.tplDescrip.trimmed().isEmpty() ? QStringLiteral("[User Defined]") : setup.tplDescrip;
}

double roundLength(double inches) {
    // Three fixed decimals and back, as the value is stored.
    return QString::number(inches, 'f', 3).toDouble();
}

const std::array<LengthRef, 10>& lengthFields() {
    static const std::array<LengthRef, 10> fields = {{
        {"LBLHEIGHT", QStringLiteral("Label Height")},
        {"LBLWIDTH", QStringLiteral("Label Width")},
        {"TOPMARG", QStringLiteral("Top Margin")},
        {"LEFTMARG", QStringLiteral("Left Margin")},
        {"HORIZPITCH", QStringLiteral("Horizontal Pitch")},
        {"VERTPITCH", QStringLiteral("Vertical Pitch")},
        {"SHEETWIDTH", QStringLiteral("Paper Width")},
        {"SHEETDEPTH", QStringLiteral("Paper Height")},
        {"MIDEXTRAX", QStringLiteral("Middle Gap Across")},
        {"MIDEXTRAY", QStringLiteral("Middle Gap Down")},
    }};
    return fields;
}

double lengthValue(const LabelSetup& s, const char* field) {
    const QLatin1StringView f(field);
    if (f == QLatin1StringView("LBLHEIGHT")) return s.lblHeight;
    if (f == QLatin1StringView("LBLWIDTH")) return s.lblWidth;
    if (f == QLatin1StringView("TOPMARG")) return s.topMarg;
    if (f == QLatin1StringView("LEFTMARG")) return s.leftMarg;
    if (f == QLatin1StringView("HORIZPITCH")) return s.horizPitch;
    if (f == QLatin1StringView("VERTPITCH")) return s.vertPitch;
    if (f == QLatin1StringView("SHEETWIDTH")) return s.sheetWidth;
    if (f == QLatin1StringView("SHEETDEPTH")) return s.sheetDepth;
    if (f == QLatin1StringView("MIDEXTRAX")) return s.midExtraX;
    if (f == QLatin1StringView("MIDEXTRAY")) return s.midExtraY;
    return 0;
}

void setLengthValue(LabelSetup& s, const char* field, double value) {
    const QLatin1StringView f(field);
    const auto v = static_cast<float>(value);
    if (f == QLatin1StringView("LBLHEIGHT")) s.lblHeight = v;
    else if (f == QLatin1StringView("LBLWIDTH")) s.lblWidth = v;
    else if (f == QLatin1StringView("TOPMARG")) s.topMarg = v;
    else if (f == QLatin1StringView("LEFTMARG")) s.leftMarg = v;
    else if (f == QLatin1StringView("HORIZPITCH")) s.horizPitch = v;
    else if (f == QLatin1StringView("VERTPITCH")) s.vertPitch = v;
    else if (f == QLatin1StringView("SHEETWIDTH")) s.sheetWidth = v;
    else if (f == QLatin1StringView("SHEETDEPTH")) s.sheetDepth = v;
    else if (f == QLatin1StringView("MIDEXTRAX")) s.midExtraX = value;
    else if (f == QLatin1StringView("MIDEXTRAY")) s.midExtraY = value;
}

QString storageProblem(const LabelSetup& setup) {
    for (const LengthRef& f : lengthFields()) {
        const double v = roundLength(lengthValue(setup, f.field));
        if (!std::isfinite(v) || v > kLargestLength || v < kSmallestLength)
            return f.caption + QStringLiteral(" must lie between -9.999 and 99.999 inches");
    }
    if (setup.nbrAcross < 1 || setup.nbrDown < 1) return QStringLiteral("# across and # down must be at least 1");
    if (setup.nbrAcross > kLargestCount || setup.nbrDown > kLargestCount)
        return QStringLiteral("# across and # down must be at most 99");
    if (setup.nbrAcross * setup.nbrDown > kMaxPositions)
        return QStringLiteral("A sheet can hold at most 200 labels (this layout has %1)")
            .arg(setup.nbrAcross * setup.nbrDown);
    return {};
}

LabelSetup readLabelSetup(const store::Table& table) {
    if (!table.isOpen() || !table.hasRecord()) return fallbackLabelSetup();
    LabelSetup s;
    readCommon(table, s);
    s.descript = s.descript.left(kDescriptionLength);
    s.tplDescrip = text(table, "TPLDESCRIP");
    s.binary = text(table, "BINARY");
    return s;
}

LabelSetup readTemplateRow(const store::Table& table) {
    LabelSetup s;
    readCommon(table, s);
    return s;
}

bool writeLabelSetup(store::Table& table, const LabelSetup& setup, common::UserDialogs& dialogs) {
    if (const QString problem = storageProblem(setup); !problem.isEmpty()) {
        dialogs.showInfo(problem);
        return false;
    }
    const struct {
        const char* field;
        const QString* value;
        const char* caption;
    } texts[] = {
        {"DESCRIPT", &setup.descript, "Description"}, {"PRINTER", &setup.printer, "Printer"},
        {"PAPERSIZE", &setup.paperSize, "Paper Size"}, {"LBLSHAPE", &setup.lblShape, "Label Shape"},
        {"TPLDESCRIP", &setup.tplDescrip, "Sheet Name"}, {"MANUFAC", &setup.manufac, "Manufacturer"},
        {"PRODTYPE", &setup.prodType, "Product Type"}, {"ART", &setup.art, "Art"},
        {"BINARY", &setup.binary, "Design File"},
    };
    // Encode everything first: a text Windows-1252 cannot hold is named and
    // nothing is written, rather than storing '?' in its place.
    std::vector<std::string> encoded;
    for (const auto& t : texts) {
        const QString value = QStringLiteral("DESCRIPT") == QLatin1StringView(t.field)
                                  ? t.value->left(kDescriptionLength)
                                  : *t.value;
        const store::EncodedText e = table.codec().fromUtf8(value.toStdString());
        if (!e.lossless()) {
            QStringList chars;
            for (const auto& lost : e.lost) chars << QString::fromStdString(store::codePointToUtf8(lost.codePoint));
            dialogs.showInfo(QStringLiteral("%1 \"%2\" holds characters that cannot be stored: %3")
                                 .arg(QLatin1StringView(t.caption), value, chars.join(QStringLiteral(" "))));
            return false;
        }
        encoded.push_back(e.text);
    }
    std::size_t i = 0;
    for (const auto& t : texts) {
        const std::string& bytes = encoded[i++];
        if (table.fieldIndex(t.field) >= 0) table.setString(t.field, bytes);
    }
    for (const LengthRef& f : lengthFields())
        if (table.fieldIndex(f.field) >= 0) table.setNumber(f.field, roundLength(lengthValue(setup, f.field)));
    table.setNumber("NBRACROSS", setup.nbrAcross);
    table.setNumber("NBRDOWN", setup.nbrDown);
    return true;
}

const QVector<PaperSizeEntry>& paperSizes() {
    static const QVector<PaperSizeEntry> sizes = {
        {QStringLiteral("LTR"), QStringLiteral("Letter (8.5 x 11\")"), false, 1, 8.5, 11},
        {QStringLiteral("LTRL"), QStringLiteral("Letter Landscape (11 x 8.5\")"), true, 1, 11, 8.5},
        {QStringLiteral("A4"), QStringLiteral("A4 (210 x 297mm)"), false, 9, 8.27, 11.69},
        {QStringLiteral("A4L"), QStringLiteral("A4 Landscape ( 297 x 210mm)"), true, 9, 11.69, 8.27},
        {QStringLiteral("A5"), QStringLiteral("A5 (148 x 210mm)"), false, 11, 5.82, 8.27},
        {QStringLiteral("USERP"), QStringLiteral("Other Portrait (User Defined)"), false, 0, 0, 0},
        {QStringLiteral("USERL"), QStringLiteral("Other Landscape (User Defined)"), true, 0, 0, 0},
    };
    return sizes;
}

int paperSizeIndex(const QString& code) {
    const auto& sizes = paperSizes();
    for (int i = 0; i < sizes.size(); ++i)
        if (sizes[i].code == code.trimmed().toUpper()) return i;
    return -1;
}

bool isLandscapeCode(const QString& code) {
    const QString c = code.trimmed().toUpper();
    return c == QLatin1StringView("LTRL") || c == QLatin1StringView("A4L") || c == QLatin1StringView("USERL");
}

LabelOrigin labelOrigin(const LabelSetup& setup, int position) {
    const int across = std::max(1, setup.nbrAcross);
    const int row = position / across;
    const int column = position % across;
    LabelOrigin o;
    o.x = setup.leftMarg + column * static_cast<double>(setup.horizPitch);
    if (setup.midExtraX > 0 && column + 1 > setup.nbrAcross / 2) o.x += setup.midExtraX;
    o.y = setup.topMarg + row * static_cast<double>(setup.vertPitch);
    if (setup.midExtraY > 0 && row + 1 > setup.nbrDown / 2) o.y += setup.midExtraY;
    return o;
}

int positionsPerSheet(const LabelSetup& setup) {
    if (setup.nbrAcross < 1 || setup.nbrDown < 1) return 0;
    return std::min(kMaxPositions, setup.nbrAcross * setup.nbrDown);
}

}  // namespace brindle::labels
