#pragma once
// The six system tables in sysdata/: letter templates, report definitions,
// envelope and label setups (created when missing), the label stock
// catalogue and the city/state/ZIP ranges (supplied, never created).
#include <QString>
#include <QVector>
#include <memory>
#include <vector>

#include "store/Table.h"

namespace brindle::common {

class UserDialogs;

enum class SystemTable { Letter, Report, Envelope, Label, Stock, Csz };

// "LETTER.DBF", "REPORT.DBF", "ENVELOPE.DBF", "LABEL.DBF", "LBLTPL.DBF", "CSZ.DBF".
QString systemTableFileName(SystemTable which);
// The fields a table is created with (LBLTPL and CSZ: the fields they are supplied with).
const std::vector<store::FieldDef>& systemTableFields(SystemTable which);
// Its one index tag: DESCRIPT "UPPER(descript)", or for CSZ STATE "UPPER(state)".
store::TagDef systemTableTag(SystemTable which);

// Opens the table in sysdata/. LETTER, REPORT, ENVELOPE and LABEL are created
// when there is no such file; a missing index file gets its tag (errors
// there are ignored; the table is then in record order). On failure the user
// is told ("Unable to Open or Create LETTER.DBF", "Unable to Open LBLTPL.DBF",
// "Unable to Open or Create CSZ.DBF") and the result is null.
std::unique_ptr<store::Table> openSystemTable(SystemTable which, UserDialogs& dialogs);
std::unique_ptr<store::Table> openLetterTable(UserDialogs& dialogs);
std::unique_ptr<store::Table> openReportTable(UserDialogs& dialogs);
std::unique_ptr<store::Table> openEnvelopeTable(UserDialogs& dialogs);
std::unique_ptr<store::Table> openLabelTable(UserDialogs& dialogs);
std::unique_ptr<store::Table> openStockTable(UserDialogs& dialogs);
std::unique_ptr<store::Table> openCszTable(UserDialogs& dialogs);

// The system reindex: each table with the tag it rebuilds and the activity
// text shown meanwhile, in the order they are rebuilt
// (LETTER, LABEL, CSZ, LBLTPL, ENVELOPE, REPORT).
struct SystemTableSpec {
    QString file;        // "LETTER.DBF"
    QString tag;         // "DESCRIPT"
    QString expression;  // "UPPER(DESCRIPT)"
    QString activity;    // "Rebuilding Letters File indexes"
};
const QVector<SystemTableSpec>& systemReindexOrder();

}  // namespace brindle::common
