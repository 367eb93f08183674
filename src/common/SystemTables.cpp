#include "common/SystemTables.h"

#include <QFile>
#include <QFileInfo>

#include "common/Common.h"
#include "common/UserDialogs.h"
#include "store/Paths.h"

namespace brindle::common {

using store::FieldDef;
using store::OpenMode;
using store::Table;

QString systemTableFileName(SystemTable which) {
    switch (which) {
        case SystemTable::Letter: return QStringLiteral("LETTER.DBF");
        case SystemTable::Report: return QStringLiteral("REPORT.DBF");
        case SystemTable::Envelope: return QStringLiteral("ENVELOPE.DBF");
        case SystemTable::Label: return QStringLiteral("LABEL.DBF");
        case SystemTable::Stock: return QStringLiteral("LBLTPL.DBF");
        case SystemTable::Csz: return QStringLiteral("CSZ.DBF");
    }
    return {};
}

const std::vector<FieldDef>& systemTableFields(SystemTable which) {
    static const std::vector<FieldDef> letter{{"DESCRIPT", 'C', 50, 0}, {"RTF", 'M', 10, 0}};
    static const std::vector<FieldDef> report{
        {"DESCRIPT", 'C', 60, 0}, {"LAYOUT", 'C', 60, 0}, {"BINARY", 'C', 12, 0}};
    static const std::vector<FieldDef> envelope{
        {"DESCRIPT", 'C', 60, 0}, {"NUMBER", 'N', 5, 0}, {"BINARY", 'C', 12, 0}};
    static const std::vector<FieldDef> label{
        {"DESCRIPT", 'C', 60, 0},   {"PRINTER", 'C', 2, 0},    {"LBLHEIGHT", 'N', 6, 3},
        {"LBLWIDTH", 'N', 6, 3},    {"NBRACROSS", 'N', 2, 0},  {"NBRDOWN", 'N', 2, 0},
        {"TOPMARG", 'N', 6, 3},     {"LEFTMARG", 'N', 6, 3},   {"HORIZPITCH", 'N', 6, 3},
        {"VERTPITCH", 'N', 6, 3},   {"SHEETWIDTH", 'N', 6, 3}, {"SHEETDEPTH", 'N', 6, 3},
        {"PAPERSIZE", 'C', 5, 0},   {"LBLSHAPE", 'C', 2, 0},   {"TPLDESCRIP", 'C', 60, 0},
        {"MANUFAC", 'C', 10, 0},    {"PRODTYPE", 'C', 25, 0},  {"MIDEXTRAX", 'N', 6, 3},
        {"MIDEXTRAY", 'N', 6, 3},   {"ART", 'C', 12, 0},       {"DELETED", 'L', 1, 0},
        {"BINARY", 'C', 12, 0}};
    // The supplied catalogue; its numeric widths are those of the label setups.
    static const std::vector<FieldDef> stock{
        {"DESCRIPT", 'C', 60, 0},   {"PRINTER", 'C', 2, 0},    {"LBLHEIGHT", 'N', 6, 3},
        {"LBLWIDTH", 'N', 6, 3},    {"NBRACROSS", 'N', 2, 0},  {"NBRDOWN", 'N', 2, 0},
        {"TOPMARG", 'N', 6, 3},     {"LEFTMARG", 'N', 6, 3},   {"HORIZPITCH", 'N', 6, 3},
        {"VERTPITCH", 'N', 6, 3},   {"SHEETWIDTH", 'N', 6, 3}, {"SHEETDEPTH", 'N', 6, 3},
        {"PAPERSIZE", 'C', 5, 0},   {"LBLSHAPE", 'C', 2, 0},   {"MANUFAC", 'C', 10, 0},
        {"PRODTYPE", 'C', 25, 0},   {"MIDEXTRAX", 'N', 6, 3},  {"MIDEXTRAY", 'N', 6, 3},
        {"ART", 'C', 12, 0}};
    static const std::vector<FieldDef> csz{
        {"NAME", 'C', 20, 0}, {"STATE", 'C', 4, 0}, {"LOW_ZIP", 'C', 10, 0}, {"HIGH_ZIP", 'C', 10, 0}};
    switch (which) {
        case SystemTable::Letter: return letter;
        case SystemTable::Report: return report;
        case SystemTable::Envelope: return envelope;
        case SystemTable::Label: return label;
        case SystemTable::Stock: return stock;
        case SystemTable::Csz: return csz;
    }
    return letter;
}

store::TagDef systemTableTag(SystemTable which) {
    if (which == SystemTable::Csz) return {"STATE", "UPPER(state)"};
    return {"DESCRIPT", "UPPER(descript)"};
}

namespace {

std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

std::unique_ptr<Table> tryOpen(const QString& path, OpenMode mode) {
    try {
        return Table::open(localPath(path), mode);
    } catch (const std::exception&) {
        return nullptr;
    }
}

}  // namespace

std::unique_ptr<Table> openSystemTable(SystemTable which, UserDialogs& dialogs) {
    const QString fileName = systemTableFileName(which);
    const QString path = resolveIgnoringCase(sysdataDir(), fileName);
    const bool supplied = which == SystemTable::Stock || which == SystemTable::Csz;

    // Shared, so that two windows may hold the same definitions at once.
    std::unique_ptr<Table> table = tryOpen(path, OpenMode::Shared);
    // The supplied tables may be installed read-only; they are only read.
    if (!table && supplied && QFileInfo::exists(path)) table = tryOpen(path, OpenMode::ReadOnly);

    if (!table) {
        if (which == SystemTable::Stock) {
            dialogs.showInfo(QStringLiteral("Unable to Open LBLTPL.DBF"));
            return nullptr;
        }
        const QString failure = QStringLiteral("Unable to Open or Create ") + fileName;
        // A file that exists but will not open (in use, damaged) is never
        // replaced by an empty one: its definitions would be lost.
        if (supplied || QFileInfo::exists(path)) {
            dialogs.showInfo(failure);
            return nullptr;
        }
        try {
            Table::create(localPath(path), systemTableFields(which));
            table = Table::open(localPath(path), OpenMode::Shared);
        } catch (const std::exception&) {
            table.reset();
        }
        if (!table) {
            dialogs.showInfo(failure);
            return nullptr;
        }
    }

    // A missing index file gets the table's tag; an existing one is left as
    // it is. Building an index needs the table to itself (another window or
    // program sharing it could not follow), so the tag is made through a
    // short exclusive open when nobody else holds the table; otherwise the
    // table is used in record order until then.
    const std::string cdx = store::siblingPath(table->path(), ".CDX");
    if (table->mode() == OpenMode::Shared && !QFileInfo::exists(QFile::decodeName(QByteArray::fromStdString(cdx)))) {
        const std::string tablePath = table->path();
        const store::TagDef tag = systemTableTag(which);
        table.reset();
        if (auto own = tryOpen(QFile::decodeName(QByteArray::fromStdString(tablePath)), OpenMode::Exclusive)) {
            try {
                own->indexTag(tag.name, tag.expression);
            } catch (const std::exception&) {
                // The table is used in record order.
            }
        }
        table = tryOpen(QFile::decodeName(QByteArray::fromStdString(tablePath)), OpenMode::Shared);
        if (!table) {
            dialogs.showInfo(QStringLiteral("Unable to Open or Create ") + fileName);
            return nullptr;
        }
        // The new tag is the table's order, as building it would have made it.
        if (const int area = table->tagArea(tag.name); area > 0) table->setOrder(area);
    }
    return table;
}

std::unique_ptr<Table> openLetterTable(UserDialogs& d) { return openSystemTable(SystemTable::Letter, d); }
std::unique_ptr<Table> openReportTable(UserDialogs& d) { return openSystemTable(SystemTable::Report, d); }
std::unique_ptr<Table> openEnvelopeTable(UserDialogs& d) { return openSystemTable(SystemTable::Envelope, d); }
std::unique_ptr<Table> openLabelTable(UserDialogs& d) { return openSystemTable(SystemTable::Label, d); }
std::unique_ptr<Table> openStockTable(UserDialogs& d) { return openSystemTable(SystemTable::Stock, d); }
std::unique_ptr<Table> openCszTable(UserDialogs& d) { return openSystemTable(SystemTable::Csz, d); }

const QVector<SystemTableSpec>& systemReindexOrder() {
    static const QVector<SystemTableSpec> order{
        {QStringLiteral("LETTER.DBF"), QStringLiteral("DESCRIPT"), QStringLiteral("UPPER(DESCRIPT)"),
         QStringLiteral("Rebuilding Letters File indexes")},
        {QStringLiteral("LABEL.DBF"), QStringLiteral("DESCRIPT"), QStringLiteral("UPPER(DESCRIPT)"),
         QStringLiteral("Rebuilding Label File indexes")},
        {QStringLiteral("CSZ.DBF"), QStringLiteral("STATE"), QStringLiteral("UPPER(STATE)"),
         QStringLiteral("Rebuilding State/Province File indexes")},
        {QStringLiteral("LBLTPL.DBF"), QStringLiteral("DESCRIPT"), QStringLiteral("UPPER(descript)"),
         QStringLiteral("Rebuilding Label Setup File indexes")},
        {QStringLiteral("ENVELOPE.DBF"), QStringLiteral("DESCRIPT"), QStringLiteral("UPPER(descript)"),
         QStringLiteral("Rebuilding Envelope File indexes")},
        {QStringLiteral("REPORT.DBF"), QStringLiteral("DESCRIPT"), QStringLiteral("UPPER(descript)"),
         QStringLiteral("Rebuilding Report File indexes")},
    };
    return order;
}

}  // namespace brindle::common
