#pragma once
// Shared pieces of the label tests: a scratch sysdata folder with its own
// LABEL.DBF, rows put in directly, design files, and a small stock
// catalogue written by an independent xBase writer (python3-dbf).
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "labels/LabelSetup.h"
#include "store/Table.h"

namespace brindle::labeltest {

class Sysdata {
public:
    Sysdata();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    // LABEL.DBF created with the program's fields and tag, opened shared,
    // filtered and ordered as the list opens it.
    store::Table& labels();
    // Adds a row (posted) and returns its record number.
    std::uint32_t addRow(const labels::LabelSetup& setup);
    // A design file holding one text object; returns its bytes.
    QByteArray writeDesign(const QString& name);
    // The setup "Club" (3 across, 10 down) whose design BIN00001.L holds an
    // address block, added and made the current row; false when the design
    // could not be saved.
    bool addClubSetup();

private:
    QTemporaryDir dir_;
    std::unique_ptr<store::Table> labels_;
};

// A setup with every field set, for round trips.
labels::LabelSetup sampleSetup(const QString& description, const QString& binary);

// Writes LBLTPL.DBF into `folder` with python3-dbf; false when that is not
// available (the test is then skipped).
bool writeCatalogueWithPython(const QString& folder, QString* error = nullptr);

}  // namespace brindle::labeltest
