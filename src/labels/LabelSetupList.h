#pragma once
// The logic of the "Print Labels" window as the list of label setups: the
// rows of LABEL.DBF, the current setup's details, which buttons work, and
// Delete, Clone and the saving of a setup coming back from the designer.
#include <QString>
#include <memory>
#include <optional>

#include "designer/DesignedSetupList.h"
#include "labels/LabelSetup.h"

namespace brindle::store {
class Table;
}
namespace brindle::common {
class UserDialogs;
}

namespace brindle::labels {

// Which controls of the list half work.
struct LabelButtons {
    bool modify = false;
    bool print = false;
    bool preview = false;
    bool remove = false;  // "Delete"
    bool clone = false;
    bool grid = false;
    bool panelsVisible = false;  // "What to Print" and "Printer"
};
// Everything but "New", "Ok" and "Help" needs a current row.
LabelButtons setLabelButtons(bool hasCurrentRow);

class LabelSetupList : public designer::DesignedSetupList {
public:
    // Opens LABEL.DBF in `sysdata` (created when missing), shows only rows that
    // are not deleted, in description order, on the first row. Null, with the
    // user told, when it cannot be opened or created.
    static std::unique_ptr<store::Table> openLabelTable(common::UserDialogs& dialogs);

    LabelSetupList(store::Table& table, QString sysdata, common::UserDialogs& dialogs);

    // The current row (the fallback setup when there is none).
    LabelSetup current() const;
    LabelButtons buttons() const { return setLabelButtons(hasRow()); }

    // Asks "Delete "<DESCRIPT>"?" (caption "DELETE"); on Yes deletes the row
    // and then its design file, unless another row names the same file.
    bool deleteCurrent();
    // Asks "Clone "<DESCRIPT>"?" (caption "CLONE"); on Yes copies the row
    // under "Clone of :" + description (first 50 characters) with a copy of
    // the design under a new file name. Leaves no row and no file when any
    // step fails. The copy becomes the current row.
    bool cloneCurrent();

    // ---- the designer's side (New and Modify)
    // The design file the designer should load for `setup`: its file when the
    // stored name resolves, otherwise none, and `setup.binary` gets a fresh
    // name. False (user told) when no name is free.
    bool prepareDesignFile(LabelSetup& setup, std::optional<QString>& loadPath);
    // Stores a setup the designer returned with Save: a new row for a new
    // setup, the current row otherwise. The design is saved first through
    // `saveDesign` (given the full path); the row is posted only when that
    // succeeded, otherwise the append or edit is cancelled and the user told.
    bool commitSetup(const LabelSetup& setup, bool isNew, const SaveDesign& saveDesign);
};

}  // namespace brindle::labels
