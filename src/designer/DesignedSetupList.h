#pragma once
// What the label and envelope setup lists share: each row names its design
// file in BINARY ("BIN" + five digits + the kind's extension, in sysdata/),
// and the row and its file are deleted, named and stored together.
#include <QString>
#include <functional>
#include <optional>

#include "address/DescriptionList.h"

namespace brindle::designer {

// What differs between the kinds of setup: the design file's extension
// (".L", ".E") and the word the messages use ("label", "envelope").
struct DesignKind {
    QString extension;
    QString noun;
};

class DesignedSetupList : public address::DescriptionList {
public:
    // The full path of a file in sysdata (found ignoring case).
    QString sysdataPath(const QString& name) const;
    const QString& sysdata() const { return sysdata_; }

    using SaveDesign = std::function<bool(const QString& path)>;

protected:
    DesignedSetupList(store::Table& table, QString sysdata, common::UserDialogs& dialogs, DesignKind kind);
    ~DesignedSetupList() = default;

    // The lowest design file name neither sysdata nor any row uses.
    std::optional<QString> nextDesignName();
    // True when a row other than `except`, not deleted, names `binary` (ignoring case).
    bool namedByAnotherRow(const QString& binary, std::uint32_t except);
    // After "Delete "<description>"?" (caption "DELETE") is answered Yes: the
    // current row goes, then the design `binary` unless another row names
    // the same file; the list is left on its first row.
    bool deleteCurrentAndDesign(const QString& description, const QString& binary);
    // Gives `binary` a fresh name unless it is a bare file name. False (user
    // told) when no name is free.
    bool ensureDesignName(QString& binary);
    // The design to load: its file when `binary` resolves; otherwise none and
    // `binary` gets a fresh name (a missing design is not reported: the
    // designer starts empty under the new name).
    bool prepareDesignFile(QString& binary, std::optional<QString>& loadPath);

    // Writes the setup's fields into the row being appended or edited; false
    // (user told) when they cannot be stored.
    using WriteRow = std::function<bool()>;
    // Stores a setup back from the designer under design file `binary`: a new
    // row when `append`, the current row otherwise. The design is saved first
    // through `saveDesign`; the row is posted only when that worked, else the
    // change is cancelled and the user told.
    bool commitRow(const QString& binary, bool append, const WriteRow& write, const SaveDesign& saveDesign);
    // Appends a clone's row whose design was just written to `target`; a row
    // that cannot be posted takes that file away again.
    bool appendClone(const QString& target, const WriteRow& write);

private:
    QString sysdata_;
    DesignKind kind_;
};

}  // namespace brindle::designer
