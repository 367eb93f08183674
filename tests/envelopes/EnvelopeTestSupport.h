#pragma once
// Shared pieces of the envelope tests: a design file whose one data object
// prints the record's last name one inch from the left and half an inch from
// the top, and ENVELOPE.DBF rows written by another xBase writer.
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QString>
#include <gtest/gtest.h>

#include "address/BrowseModel.h"
#include "address/FieldCatalogue.h"
#include "designobjects/DesignRegistry.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/RecordSource.h"
#include "designobjects/TextLabelKinds.h"

namespace brindle::envtest {

inline void writeDesign(const QString& path) {
    designobjects::DesignSurface surface(designobjects::DesignSurface::EnvelopeSurface);
    surface.setClipFilePath(QString());
    surface.setSize(912, 396);
    auto* name = new designobjects::TKPDLabel;
    name->setDataFieldName(QStringLiteral("LNAME"));
    name->setDataFieldDescript(QStringLiteral("Last Name"));
    surface.addObject(name, QRect(96, 48, 300, 24));
    ASSERT_TRUE(surface.saveToFile(path)) << surface.lastError().toStdString();
}

inline designobjects::TableRecordSource recordSource(const store::Table* table) {
    return designobjects::TableRecordSource(
        table, [](const QString& n) { return address::browseColumnTitle(n); },
        [](const QString& n) { return address::isBrowseColumnShown(n); },
        [](const QString& n) { return address::formerFieldLabel(n); });
}

// ENVELOPE.DBF in `folder` written by python3-dbf (rows: description,
// code, design name); false when that writer is missing.
inline bool writeEnvelopeTableWithPython(const QString& folder, const QString& rowsPython) {
    const QString script = QStringLiteral(
        "import sys, dbf\n"
        "t = dbf.Table(sys.argv[1] + '/ENVELOPE.DBF', 'DESCRIPT C(60); NUMBER N(5,0); BINARY C(12)',\n"
        "              dbf_type='db3', codepage='cp1252')\n"
        "t.open(dbf.READ_WRITE)\n"
        "for r in %1:\n"
        "    t.append(r)\n"
        "t.close()\n").arg(rowsPython);
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, folder});
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

}  // namespace brindle::envtest
