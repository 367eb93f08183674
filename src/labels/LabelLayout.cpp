#include "labels/LabelLayout.h"

#include <algorithm>
#include <cmath>

#include "common/SystemTables.h"
#include "common/UserDialogs.h"
#include "store/Table.h"

namespace brindle::labels {

// ---------------------------------------------------------------- catalogue

const QStringList& manufacturerEntries() {
    static const QStringList entries = {QStringLiteral("Avery Laserjet"), QStringLiteral("Avery Inkjet"),
                                        QStringLiteral("Avery Dot Matrix"), QStringLiteral("Costar LabelPrinter")};
    return entries;
}

const QStringList& productTypeEntries() {
    static const QStringList entries = {
        QStringLiteral("Address/Shipping Labels"), QStringLiteral("Card Products"),
        QStringLiteral("Diskette Labels"),         QStringLiteral("File Folder Labels"),
        QStringLiteral("Index Products"),          QStringLiteral("Miscellaneous"),
        QStringLiteral("All")};
    return entries;
}

std::string buildLabelQuery(const QString& manufacturerEntry, int productIndex, bool europeanOnly) {
    std::string query;
    const auto add = [&query](const char* term) {
        if (!query.empty()) query += " and ";
        query += term;
    };
    const QString maker = manufacturerEntry.toUpper();
    if (maker.contains(QLatin1StringView("AVERY"))) add(" UPPER(manufac)=\"AVERY\" ");
    else if (maker.contains(QLatin1StringView("NEBS"))) add(" UPPER(manufac)=\"NEBS\" ");
    else if (maker.contains(QLatin1StringView("COSTAR"))) add(" UPPER(manufac)=\"COSTAR\" ");

    if (maker.contains(QLatin1StringView("LASERJET"))) add(" UPPER(printer)=\"LJ\" ");
    else if (maker.contains(QLatin1StringView("INKJET"))) add(" UPPER(printer)=\"IJ\" ");
    else if (maker.contains(QLatin1StringView("DOT MATRIX"))) add(" UPPER(printer)=\"DM\" ");
    else if (maker.contains(QLatin1StringView("LABELPRINTER"))) add(" UPPER(printer)=\"LP\" ");

    static const char* const products[] = {
        " UPPER(PRODTYPE)=\"ADDRESS/SHIPPING LABELS\" ", " UPPER(PRODTYPE)=\"CARD PRODUCTS\" ",
        " UPPER(PRODTYPE)=\"DISKETTE LABELS\" ",         " UPPER(PRODTYPE)=\"FILE FOLDER LABELS\" ",
        " UPPER(PRODTYPE)=\"INDEX PRODUCTS\" ",          " UPPER(PRODTYPE)=\"MISCELLANEOUS\" "};
    if (productIndex >= 0 && productIndex < 6) add(products[productIndex]);

    if (europeanOnly) add(" (\"A4\"$UPPER(PAPERSIZE) OR \"A5\"$UPPER(PAPERSIZE))");
    return query;
}

ComboPositions positionLabelCombos(const LabelSetup& setup) {
    ComboPositions p;
    QString maker = setup.manufac.trimmed().toUpper();
    QString printer = setup.printer.trimmed().toUpper();
    QString product = setup.prodType.trimmed().toUpper();
    if (maker == QLatin1StringView("USER")) {
        maker = QStringLiteral("AVERY");
        printer = QStringLiteral("LJ");
        product = QStringLiteral("ADDRESS/SHIPPING LABELS");
        p.findTemplate = false;
    }
    QString entry = QStringLiteral("AVERY LASERJET");
    if (maker == QLatin1StringView("AVERY")) {
        if (printer == QLatin1StringView("IJ")) entry = QStringLiteral("AVERY INKJET");
        else if (printer == QLatin1StringView("DM")) entry = QStringLiteral("AVERY DOT MATRIX");
    } else if (maker == QLatin1StringView("NEBS")) {
        if (printer == QLatin1StringView("LJ")) entry = QStringLiteral("NEBS LASERJET");
        else if (printer == QLatin1StringView("DM")) entry = QStringLiteral("NEBS DOT MATRIX");
    } else if (maker == QLatin1StringView("COSTAR")) {
        entry = QStringLiteral("COSTAR LABELPRINTER");
    }
    const QStringList& makers = manufacturerEntries();
    for (int i = 0; i < makers.size(); ++i)
        if (makers[i].compare(entry, Qt::CaseInsensitive) == 0) p.manufacturerIndex = i;

    const QStringList& products = productTypeEntries();
    p.productIndex = static_cast<int>(products.size()) - 1;  // "All"
    for (int i = 0; i < products.size(); ++i)
        if (products[i].toUpper() == product) {
            p.productIndex = i;
            break;
        }
    return p;
}

QVector<TemplateRow> matchingTemplates(store::Table& catalogue, const std::string& filter) {
    catalogue.setFilter(filter);
    QVector<TemplateRow> rows;
    for (bool ok = catalogue.first(); ok && !catalogue.eof(); ok = catalogue.next())
        rows.push_back({catalogue.recNo(), readTemplateRow(catalogue)});
    return rows;
}

int initialTemplateRow(const QVector<TemplateRow>& rows, const QString& tplDescrip, bool findTemplate) {
    if (rows.isEmpty()) return -1;
    if (!findTemplate) return 0;
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].setup.descript == tplDescrip) return i;
    return static_cast<int>(rows.size()) - 1;
}

std::unique_ptr<store::Table> openTemplateTable(common::UserDialogs& dialogs) {
    std::unique_ptr<store::Table> table = common::openStockTable(dialogs);
    if (!table) return nullptr;
    if (const int tag = table->tagArea("DESCRIPT"); tag > 0) table->setOrder(tag);
    return table;
}

// ---------------------------------------------------------------- applying

namespace {

void copyGeometry(LabelSetup& to, const LabelSetup& from) {
    to.lblHeight = from.lblHeight;
    to.lblWidth = from.lblWidth;
    to.nbrAcross = from.nbrAcross;
    to.nbrDown = from.nbrDown;
    to.topMarg = from.topMarg;
    to.leftMarg = from.leftMarg;
    to.horizPitch = from.horizPitch;
    to.vertPitch = from.vertPitch;
    to.sheetWidth = from.sheetWidth;
    to.sheetDepth = from.sheetDepth;
    to.paperSize = from.paperSize;
    to.lblShape = from.lblShape;
}

}  // namespace

void getLayoutFromTemplate(LabelSetup& working, const LabelSetup& templateRow) {
    copyGeometry(working, templateRow);
    working.printer = templateRow.printer;
    working.manufac = templateRow.manufac;
    working.prodType = templateRow.prodType;
    working.midExtraX = templateRow.midExtraX;
    working.midExtraY = templateRow.midExtraY;
    working.art = templateRow.art;
    working.tplDescrip = templateRow.descript;
}

void getUserDefinedLayout(LabelSetup& working, const LabelSetup& manual) {
    copyGeometry(working, manual);
    working.tplDescrip.clear();
    working.printer.clear();
    working.prodType.clear();
    working.manufac = QStringLiteral("USER");
    working.midExtraX = 0;
    working.midExtraY = 0;
    working.art.clear();
}

// ---------------------------------------------------------------- manual layout

QString formatInches(double inches) {
    QString s = QString::number(roundLength(inches), 'f', 3);
    // "#0.0##": at least one decimal, at most three.
    while (s.endsWith(QChar('0')) && s.indexOf(QChar('.')) < s.size() - 2) s.chop(1);
    return s;
}

QString formatMillimetres(double inches) {
    return QString::number(static_cast<long long>(std::llround(inches * 25.4)));
}

QString LabelEditModel::caption(Length which) {
    static const QString captions[] = {
        QStringLiteral("Label Width"), QStringLiteral("Label Height"), QStringLiteral("Horizontal Pitch"),
        QStringLiteral("Vertical Pitch"), QStringLiteral("Left Margin"), QStringLiteral("Top Margin"),
        QStringLiteral("Paper Width"), QStringLiteral("Paper Height")};
    return captions[which];
}

const std::array<QString, 3>& LabelEditModel::shapeEntries() {
    static const std::array<QString, 3> entries = {QStringLiteral("Rectangular with Rounded Edges"),
                                                   QStringLiteral("Rectangular"), QStringLiteral("Round")};
    return entries;
}

LabelEditModel::LabelEditModel(const LabelSetup& incoming) : incoming_(incoming) {
    const double values[kLengths] = {incoming.lblWidth,   incoming.lblHeight, incoming.horizPitch,
                                     incoming.vertPitch,  incoming.leftMarg,  incoming.topMarg,
                                     incoming.sheetWidth, incoming.sheetDepth};
    for (int i = 0; i < kLengths; ++i) {
        fields_[i].inches = roundLength(values[i]);
        fields_[i].text = format(fields_[i].inches);
    }
    across = std::clamp(incoming.nbrAcross, 1, 10);
    down = std::clamp(incoming.nbrDown, 1, 30);
    const QString shape = incoming.lblShape.trimmed().toUpper();
    shapeIndex = shape == QLatin1StringView("RR") ? 0 : shape == QLatin1StringView("SR") ? 1 : 2;
}

QString LabelEditModel::format(double inches) const {
    return millimetres_ ? formatMillimetres(inches) : formatInches(inches);
}

void LabelEditModel::setText(Length which, const QString& text) {
    // Typing counts even when the text ends as it was: the value then means
    // what it shows, in the unit shown.
    Field& f = fields_[which];
    f.text = text;
    f.edited = true;
}

std::optional<double> LabelEditModel::inchesOf(Length which) const {
    const Field& f = fields_[which];
    if (!f.edited) return f.inches;
    QString t = f.text.trimmed();
    t.replace(QChar(','), QChar('.'));
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return millimetres_ ? roundLength(v * kInchesPerMillimetre) : roundLength(v);
}

void LabelEditModel::setMillimetres(bool on) {
    if (on == millimetres_) return;
    for (int i = 0; i < kLengths; ++i) {
        Field& f = fields_[i];
        if (f.edited) {
            // A typed value that is not a number is left as typed.
            const auto v = inchesOf(static_cast<Length>(i));
            if (!v) continue;
            f.inches = *v;
            f.edited = false;
        }
    }
    millimetres_ = on;
    for (Field& f : fields_)
        if (!f.edited) f.text = format(f.inches);
}

void LabelEditModel::choosePaper(int index) {
    const auto& sizes = paperSizes();
    if (index < 0 || index >= sizes.size()) return;
    paperIndex_ = index;
    if (sizes[index].presetWidth <= 0) return;
    fields_[PaperWidth] = {sizes[index].presetWidth, format(sizes[index].presetWidth), false};
    fields_[PaperHeight] = {sizes[index].presetHeight, format(sizes[index].presetHeight), false};
}

void LabelEditModel::follow(Length source, Length pitch) {
    const auto s = inchesOf(source);
    const auto p = inchesOf(pitch);
    if (!s || !p || *p >= *s) return;
    fields_[pitch] = fields_[source];
}

void LabelEditModel::leaveWidth() { follow(Width, HorizPitch); }
void LabelEditModel::leaveHeight() { follow(Height, VertPitch); }

std::optional<LabelSetup> LabelEditModel::accept(common::UserDialogs& dialogs) const {
    LabelSetup out = incoming_;
    out.nbrDown = down;
    out.nbrAcross = across;
    double v[kLengths];
    for (int i = 0; i < kLengths; ++i) {
        const auto inches = inchesOf(static_cast<Length>(i));
        if (!inches) {
            dialogs.showInfo(caption(static_cast<Length>(i)) + QStringLiteral(" must be a number"));
            return std::nullopt;
        }
        v[i] = *inches;
    }
    out.lblWidth = static_cast<float>(v[Width]);
    out.lblHeight = static_cast<float>(v[Height]);
    out.horizPitch = static_cast<float>(v[HorizPitch]);
    out.vertPitch = static_cast<float>(v[VertPitch]);
    out.leftMarg = static_cast<float>(v[LeftMargin]);
    out.topMarg = static_cast<float>(v[TopMargin]);
    out.sheetWidth = static_cast<float>(v[PaperWidth]);
    out.sheetDepth = static_cast<float>(v[PaperHeight]);
    if (paperIndex_ >= 0) out.paperSize = paperSizes()[paperIndex_].code;
    static const char* const shapes[] = {"RR", "SR", "EL"};
    out.lblShape = QString::fromLatin1(shapes[std::clamp(shapeIndex, 0, 2)]);

    QString problem;
    if (v[Height] < 0.3) problem = QStringLiteral("Label Height must be at least .3 inches (or 7mm)");
    else if (v[Width] < 0.5) problem = QStringLiteral("Label Width must be at least .5 inch (or 13mm)");
    else if (out.nbrAcross >= 2 && v[Width] > v[HorizPitch])
        problem = QStringLiteral("Horizontal Pitch must be at least = Label Width");
    else if (out.nbrDown >= 2 && v[Height] > v[VertPitch])
        problem = QStringLiteral("Vertical Pitch must be at least = Label Height");
    else if (v[PaperWidth] < 0.3) problem = QStringLiteral("Page Width must be at least .3 inch");
    else if (v[PaperHeight] < 0.3) problem = QStringLiteral("Page Height must be at least .3 inches");
    else problem = storageProblem(out);
    if (!problem.isEmpty()) {
        dialogs.showInfo(problem);
        return std::nullopt;
    }
    return out;
}

// ---------------------------------------------------------------- paper

namespace {

long long hundredths(double inches) { return std::llround(inches * 100.0); }

}  // namespace

bool applyPaperSize(const LabelSetup& setup, PaperTarget& target, common::UserDialogs& dialogs) {
    const QString code = setup.paperSize.trimmed().toUpper();
    const bool landscape = isLandscapeCode(code);
    const double sheetWidth = hundredths(setup.sheetWidth) / 100.0;
    const double sheetDepth = hundredths(setup.sheetDepth) / 100.0;
    const double w = landscape ? sheetDepth : sheetWidth;
    const double h = landscape ? sheetWidth : sheetDepth;

    bool unconfirmed = false;
    if (code == QLatin1StringView("LTR") || code == QLatin1StringView("LTRL")) target.requestPaper(1, w, h);
    else if (code == QLatin1StringView("A4") || code == QLatin1StringView("A4L")) target.requestPaper(9, w, h);
    else if (code == QLatin1StringView("A5")) target.requestPaper(11, w, h);
    else if (target.driverName().toUpper().contains(QLatin1StringView("HPFDJ"))) unconfirmed = true;
    else target.requestPaper(0, w, h);
    target.setLandscape(landscape);

    if (!unconfirmed) {
        const long long dw = std::llabs(hundredths(target.pageWidth()) - hundredths(sheetWidth));
        const long long dh = std::llabs(hundredths(target.pageHeight()) - hundredths(sheetDepth));
        if (dw <= 5 && dh <= 5) return true;
    }
    const QString crlf = QStringLiteral("\r\n");
    const QString question = QStringLiteral("Unable to confirm that the paper size was set to") + crlf + crlf +
                             QString::number(w, 'f', 2) + QStringLiteral("\" by ") + QString::number(h, 'f', 2) +
                             QStringLiteral("\"") + crlf + crlf +
                             QStringLiteral("(you may have the wrong printer selected)") + crlf + crlf + crlf + crlf +
                             QStringLiteral("Would you like to try printing anyways?");
    return dialogs.askYesNo(question, QStringLiteral("Confirm"));
}

}  // namespace brindle::labels
