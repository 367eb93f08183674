#pragma once
// "Print Letters": the list of letter templates with New, Modify, Delete and
// Clone, and the print choices. New and Modify open the letter designer; what
// it returns with Ok is stored through LetterList.
#include <QString>
#include <cstdint>
#include <functional>

#include "common/ui/DescriptionGrid.h"
#include "help/ui/HelpDialog.h"
#include "letters/LetterList.h"
#include "letters/ui/TLetterPrint.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace brindle::common {
class ProfileFile;
class UserDialogs;
}

namespace brindle::printer {
class CurrentPrinter;
}

namespace brindle::letters::ui {

class TLetterDesign;

class TBRLetters : public help::HelpDialog {
    Q_OBJECT
public:
    // `table` is LETTER.DBF as LetterList::openLetterTable leaves it;
    // `filterSet` says whether the main window has a filter.
    TBRLetters(store::Table& table, common::UserDialogs& dialogs, common::ProfileFile& settings, bool filterSet,
               QWidget* parent = nullptr);

    QTableWidget* grid() const { return grid_; }
    QPushButton* button(const QString& caption) const;
    QRadioButton* choice(const QString& caption) const;
    LetterList& list() { return list_; }

    void newButtonClick();
    void modifyButtonClick();
    void deleteButtonClick();
    void cloneButtonClick();

    // Called with each designer before it runs (the program adds the preview
    // and the spell checker; tests script the window).
    std::function<void(TLetterDesign&)> prepareDesigner;
    // Printing and the preview of the chosen template (the program runs them
    // on the open address file); without them Print and Preview stay greyed.
    std::function<void(const richtext::RichDocument&, const LetterPrintRequest&)> printLetters;
    std::function<void(const richtext::RichDocument&)> previewLetter;
    // The print choices as the window holds them.
    LetterPrintRequest printRequest() const;
    // After the actions above are set.
    void refreshButtons() { setLetterButtons(); }

    void printButtonClick();
    void previewButtonClick();

    // The printer Print goes to (the program's current printer unless set).
    void setPrinter(printer::CurrentPrinter* printer);
    printer::CurrentPrinter& printer();
    // "Printer Setup": a choice of the system's printers and "PDF file"; the
    // chosen one becomes the current printer and its name shows under "Printer".
    void printerSetupClick();

private:
    void design(bool isNew);
    void fillGrid(std::uint32_t select);
    void setLetterButtons();
    bool loadChosen(richtext::RichDocument& document);

    LetterList list_;
    common::UserDialogs& dialogs_;
    common::ProfileFile& settings_;
    bool newLetter_ = false;
    common::ui::DescriptionGrid* grid_;
    QPushButton *modify_, *new_, *delete_, *clone_, *ok_, *print_, *preview_, *setup_;
    QRadioButton *all_, *filtered_, *current_;
    QCheckBox* fromCurrent_;
    QSpinBox* copies_;
    QLabel* printer_;
    printer::CurrentPrinter* currentPrinter_ = nullptr;
};

}  // namespace brindle::letters::ui
