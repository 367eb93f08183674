#pragma once
// A label setup: the geometry of one kind of label sheet and the name of the
// design drawn for it. It is the working copy of one row of LABEL.DBF (the
// user's setups) or of LBLTPL.DBF (the supplied stock catalogue).
#include <QString>
#include <QVector>
#include <array>
#include <optional>

namespace brindle::store {
class Table;
}
namespace brindle::common {
class UserDialogs;
}

namespace brindle::labels {

// Longest description the working copy keeps (the column holds 60).
inline constexpr int kDescriptionLength = 50;
// A sheet has at most this many label positions.
inline constexpr int kMaxPositions = 200;

struct LabelSetup {
    QString descript;
    QString printer;      // "LJ" laser, "IJ" inkjet, "DM" dot matrix, "LP" label printer
    float lblHeight = 0;  // lengths in inches
    float lblWidth = 0;
    int nbrAcross = 0;
    int nbrDown = 0;
    float topMarg = 0;
    float leftMarg = 0;
    float horizPitch = 0;  // left edge to left edge of neighbouring labels
    float vertPitch = 0;   // top edge to top edge
    float sheetWidth = 0;  // as the sheet is laid out (landscape: the long side)
    float sheetDepth = 0;
    QString paperSize;     // "LTR", "LTRL", "A4", "A4L", "A5", "USERP", "USERL"
    QString lblShape;      // "RR" rounded, "SR" rectangular, "EL" round
    QString tplDescrip;    // catalogue template the geometry came from; empty when user defined
    QString manufac;       // "AVERY", "NEBS", "COSTAR", "USER"
    QString prodType;
    double midExtraX = 0;  // extra gap in the middle of the sheet; 0 = none
    double midExtraY = 0;
    QString art;           // built-in artwork shown behind the design
    QString binary;        // design file name in sysdata/ (LABEL.DBF only)

    bool operator==(const LabelSetup&) const = default;
};

// What "New" starts from.
LabelSetup newLabelSetup();
// What stands in when LABEL.DBF has no current row.
LabelSetup fallbackLabelSetup();

// "Sheet Name" of the list: the template's description, or "[User Defined]".
QString calcSheetName(const LabelSetup& setup);

// A length as it is stored: rounded to three decimals.
double roundLength(double inches);

// The ten lengths with their names, for checks and copying.
struct LengthRef {
    const char* field;
    QString caption;
};
const std::array<LengthRef, 10>& lengthFields();
double lengthValue(const LabelSetup& s, const char* field);
void setLengthValue(LabelSetup& s, const char* field, double value);

// Why this setup cannot be stored (a length that does not fit its N 6,3
// column, fewer than one label across or down, more than 200 positions on a
// sheet); empty when it can.
QString storageProblem(const LabelSetup& setup);

// Current row into a setup; the fallback when the table has no current row.
LabelSetup readLabelSetup(const store::Table& table);
// A catalogue row (LBLTPL.DBF has no TPLDESCRIP and BINARY) into a setup.
LabelSetup readTemplateRow(const store::Table& table);
// Every field, BINARY included, into the record being edited or appended.
// Refuses (false, the user told why, nothing written) a setup that
// storageProblem() rejects or whose text Windows-1252 cannot hold.
bool writeLabelSetup(store::Table& table, const LabelSetup& setup, common::UserDialogs& dialogs);

// ---- paper sizes

struct PaperSizeEntry {
    QString code;       // "LTR"
    QString caption;    // entry of the paper size list
    bool landscape;
    int paperCode;      // DMPAPER value requested from the printer; 0 = custom size
    // Preset filled into Paper Width and Paper Height (inches); 0 = none.
    double presetWidth;
    double presetHeight;
};
// The seven codes in list order.
const QVector<PaperSizeEntry>& paperSizes();
// -1 when the code is not in the list.
int paperSizeIndex(const QString& code);
bool isLandscapeCode(const QString& code);

// ---- sheet geometry

struct LabelOrigin {
    double x = 0;  // inches from the paper's left edge
    double y = 0;  // inches from the paper's top edge
};
// Top-left corner of the label at this position (row by row from 0). With
// a middle gap, the columns (rows) from NBRACROSS div 2 on, counted from 0,
// are moved by the gap: with 3 columns the 2nd and 3rd, with 4 the 3rd and 4th.
LabelOrigin labelOrigin(const LabelSetup& setup, int position);
// Labels of one sheet, never more than kMaxPositions.
int positionsPerSheet(const LabelSetup& setup);

}  // namespace brindle::labels
