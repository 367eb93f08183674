#pragma once
// Choosing a stock layout for a label setup: from the catalogue of ready-made
// stocks (LBLTPL.DBF) through its filter, or typed in by hand in inches or
// millimetres with its checks; and applying the choice to the working setup.
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "labels/LabelSetup.h"

namespace brindle::store {
class Table;
}
namespace brindle::common {
class UserDialogs;
}

namespace brindle::labels {

// ---- the catalogue

// Entries of the "Manufacturer" and "Product Type" lists.
const QStringList& manufacturerEntries();
const QStringList& productTypeEntries();  // the last is "All"

// The catalogue filter for a "Manufacturer" entry, a "Product Type" list
// position (the "All" position, or -1, adds no term) and the European-paper box.
std::string buildLabelQuery(const QString& manufacturerEntry, int productIndex, bool europeanOnly);

// Where the two lists start for a setup.
struct ComboPositions {
    int manufacturerIndex = -1;   // -1: the entry is not in the list
    int productIndex = 0;
    bool findTemplate = true;     // look for the row named by TPLDESCRIP
};
ComboPositions positionLabelCombos(const LabelSetup& setup);

// One catalogue row as the template grid shows it.
struct TemplateRow {
    std::uint32_t recno = 0;
    LabelSetup setup;  // descript is the catalogue's DESCRIPT
};
// The rows the filter admits, in the table's order. Throws on a malformed filter.
QVector<TemplateRow> matchingTemplates(store::Table& catalogue, const std::string& filter);
// The row to start on: the first whose description equals `tplDescrip`
// exactly, else the last; -1 for no rows.
int initialTemplateRow(const QVector<TemplateRow>& rows, const QString& tplDescrip, bool findTemplate);

// Opens LBLTPL.DBF read-only in its description order; null, with the user
// told, when it cannot be opened.
std::unique_ptr<store::Table> openTemplateTable(common::UserDialogs& dialogs);

// ---- applying a layout

// Geometry, paper, printer, shape, maker, product, middle gaps and artwork
// from a catalogue row; TPLDESCRIP becomes the row's description.
void getLayoutFromTemplate(LabelSetup& working, const LabelSetup& templateRow);
// Geometry, paper and shape from the manual dialog; the rest marks the
// layout as the user's own.
void getUserDefinedLayout(LabelSetup& working, const LabelSetup& manual);

// ---- the manual layout dialog

class LabelEditModel {
public:
    enum Length { Width, Height, HorizPitch, VertPitch, LeftMargin, TopMargin, PaperWidth, PaperHeight };
    static constexpr int kLengths = 8;
    static QString caption(Length which);
    static const std::array<QString, 3>& shapeEntries();

    explicit LabelEditModel(const LabelSetup& incoming);

    bool millimetres() const { return millimetres_; }
    // Shows every length in the other unit. Lengths the user did not type
    // keep their inch values exactly, however often the unit changes.
    void setMillimetres(bool on);

    QString text(Length which) const { return fields_[which].text; }
    // What the user typed.
    void setText(Length which, const QString& text);

    int across = 1;  // 1 to 10 in the dialog
    int down = 1;    // 1 to 30
    int shapeIndex = 0;

    int paperIndex() const { return paperIndex_; }
    // Selects a paper size entry and fills Paper Width and Paper Height with
    // its preset (the "Other" entries fill nothing).
    void choosePaper(int index);

    // Leaving "Label Width" ("Label Height"): a smaller horizontal (vertical)
    // pitch follows the width (height).
    void leaveWidth();
    void leaveHeight();

    // "Ok": the layout in inches when it passes the checks; otherwise the
    // first failure is shown and none is returned.
    std::optional<LabelSetup> accept(common::UserDialogs& dialogs) const;

private:
    struct Field {
        double inches = 0;  // what the field stands for while not edited
        QString text;
        bool edited = false;
    };
    std::optional<double> inchesOf(Length which) const;
    void follow(Length source, Length pitch);
    QString format(double inches) const;

    LabelSetup incoming_;
    std::array<Field, kLengths> fields_;
    bool millimetres_ = false;
    int paperIndex_ = -1;
};

// Inch and millimetre texts as the dialog shows them ("#0.0##", "##0").
QString formatInches(double inches);
QString formatMillimetres(double inches);
inline constexpr double kInchesPerMillimetre = 0.039370078740157480314;

// ---- the paper before printing

// What the paper step needs of the print engine's target.
class PaperTarget {
public:
    virtual ~PaperTarget() = default;
    virtual QString driverName() const = 0;
    // paperCode 1 Letter, 9 A4, 11 A5; 0 a custom size of width × height inches.
    virtual void requestPaper(int paperCode, double width, double height) = 0;
    virtual void setLandscape(bool landscape) = 0;
    // The page as the engine now reports it (after the orientation), inches.
    virtual double pageWidth() const = 0;
    virtual double pageHeight() const = 0;
};

// Sets the paper and orientation for the setup and checks the result; asks
// whether to go on when the size cannot be confirmed. True: go on.
bool applyPaperSize(const LabelSetup& setup, PaperTarget& target, common::UserDialogs& dialogs);

}  // namespace brindle::labels
