#pragma once
// The logic of the "Print Envelope" window as the list of envelope setups:
// the rows of ENVELOPE.DBF, the current setup, which buttons work, Delete,
// Clone, and the storing of a setup with its design (New and Modify).
//
// Design file names follow the label rules: "BIN" + five digits + ".E", free
// only when neither a file in sysdata/ (ignoring case) nor any row uses it;
// a stored BINARY is opened or removed only when it is a bare name of a
// regular file inside sysdata/ (designer/DesignFileNames, shared with labels).
#include <QString>
#include <memory>
#include <optional>

#include "designer/DesignedSetupList.h"
#include "envelopes/EnvelopeSetup.h"

namespace brindle::store {
class Table;
}
namespace brindle::common {
class UserDialogs;
}

namespace brindle::envelopes {

// The lowest free "BINnnnnn.E"; none when all 99,999 are taken.
std::optional<QString> nextEnvelopeBinaryName(const QString& sysdata, store::Table& table);
// The path a stored name stands for, when it is a bare name resolving
// (ignoring case) to a regular file inside `sysdata`; none otherwise.
std::optional<QString> resolveEnvelopeDesign(const QString& sysdata, const QString& storedName);
QString noFreeNameMessage();
// "Envelope definition file has been removed from the sysdata directory"
QString designRemovedMessage();

// Which controls work: all but New, Ok and Help need a row.
struct EnvelopeButtons {
    bool modify = false, clone = false, print = false, preview = false, remove = false, grid = false;
};
EnvelopeButtons setEnvelopeButtons(bool hasRow);

class EnvelopeSetupList : public designer::DesignedSetupList {
public:
    // ENVELOPE.DBF in sysdata/ (created when missing), rows not deleted, in
    // description order, on the first row. Null, the user told, on failure.
    static std::unique_ptr<store::Table> openEnvelopeTable(common::UserDialogs& dialogs);

    EnvelopeSetupList(store::Table& table, QString sysdata, common::UserDialogs& dialogs);

    // The current row; the fallback ("Envelope #10") when there is none.
    EnvelopeSetup current() const;
    EnvelopeButtons buttons() const { return setEnvelopeButtons(hasRow()); }

    // "Delete "<DESCRIPT>"?" (caption "DELETE"); on Yes the row goes, then
    // its design file unless another row names the same file.
    bool deleteCurrent();
    // "Clone "<DESCRIPT>"?" (caption "CLONE"); on Yes a copy of the design
    // goes under a new name first, then the row "Clone of " + description
    // (first 50 characters) is posted; a row that cannot be posted takes the
    // copy away again. A setup whose design file is missing is cloned
    // without one (printing it later says the file is missing).
    bool cloneCurrent();

    // The design the designer should load for `setup`: its file when the
    // stored name resolves; otherwise none, and `setup.binary` gets a fresh
    // name. False (user told) when no name is free.
    bool prepareDesignFile(EnvelopeSetup& setup, std::optional<QString>& loadPath);
    // Stores a setup back from the designer: the design is saved first
    // through `saveDesign` (given its full path), and the row (a new one for
    // a new setup) is posted only when that worked.
    bool commitSetup(const EnvelopeSetup& setup, bool isNew, const SaveDesign& saveDesign);
};

}  // namespace brindle::envelopes
