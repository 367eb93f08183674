#include "LabelTestSupport.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include "common/ScriptedDialogs.h"
#include "common/SystemTables.h"
#include "designobjects/DesignRegistry.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/MultiLineLabels.h"
#include "designobjects/TKLabelObjectFiler.h"
#include "designobjects/TKGraphicControl.h"

namespace brindle::labeltest {

Sysdata::Sysdata() { EXPECT_TRUE(dir_.isValid()); }

store::Table& Sysdata::labels() {
    if (!labels_) {
        const std::string path = file(QStringLiteral("LABEL.DBF")).toStdString();
        store::Table::create(path, common::systemTableFields(common::SystemTable::Label));
        {
            auto exclusive = store::Table::open(path, store::OpenMode::Exclusive);
            const store::TagDef tag = common::systemTableTag(common::SystemTable::Label);
            exclusive->indexTag(tag.name, tag.expression);
        }
        labels_ = store::Table::open(path, store::OpenMode::Shared);
        labels_->setOrder(1);
        labels_->setFilter("not DELETED()");
        labels_->first();
    }
    return *labels_;
}

std::uint32_t Sysdata::addRow(const labels::LabelSetup& setup) {
    store::Table& t = labels();
    common::ScriptedDialogs dialogs;
    t.append();
    EXPECT_TRUE(labels::writeLabelSetup(t, setup, dialogs)) << dialogs.infos().join(QStringLiteral("; ")).toStdString();
    t.post();
    return t.recNo();
}

QByteArray Sysdata::writeDesign(const QString& name) {
    designobjects::DesignSurface surface(designobjects::DesignSurface::LabelSurface);
    designobjects::TKGraphicControl* text = designobjects::DesignRegistry::instance().create(QStringLiteral("TKPLabel"));
    EXPECT_NE(text, nullptr);
    if (text) surface.addObject(text, QRect(10, 12, 120, 20));
    designobjects::TKLabelObjectFiler().saveSurface(surface, file(name));
    QFile f(file(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

bool Sysdata::addClubSetup() {
    {
        designobjects::DesignSurface surface(designobjects::DesignSurface::LabelSurface);
        surface.setSizeInches(2.625, 1.0);
        surface.addObject(new designobjects::TKDMultiLineAddressLabel, QRect(5, 5, 230, 80));
        if (!surface.saveToFile(file(QStringLiteral("BIN00001.L")))) return false;
    }
    labels::LabelSetup setup = labels::newLabelSetup();
    setup.descript = QStringLiteral("Club");
    setup.binary = QStringLiteral("BIN00001.L");
    addRow(setup);
    labels().first();
    return true;
}

labels::LabelSetup sampleSetup(const QString& description, const QString& binary) {
    labels::LabelSetup s = labels::newLabelSetup();
    s.descript = description;
    s.lblHeight = 1.5F;
    s.lblWidth = 4.0F;
    s.nbrAcross = 2;
    s.nbrDown = 6;
    s.topMarg = 1.0F;
    s.leftMarg = 0.156F;
    s.horizPitch = 4.188F;
    s.vertPitch = 1.5F;
    s.paperSize = QStringLiteral("A4");
    s.lblShape = QStringLiteral("SR");
    s.tplDescrip = QStringLiteral("Shipping 1-1/2 x 4");
    s.midExtraX = 0.25;
    s.art = QStringLiteral("AV5163.BMP");
    s.binary = binary;
    return s;
}

bool writeCatalogueWithPython(const QString& folder, QString* error) {
    // Rows chosen so that each filter term has rows it keeps and rows it drops.
    const char* script = R"PY(
import sys, dbf
t = dbf.Table(sys.argv[1] + '/LBLTPL.DBF',
    'DESCRIPT C(60); PRINTER C(2); LBLHEIGHT N(6,3); LBLWIDTH N(6,3); NBRACROSS N(2,0); NBRDOWN N(2,0); '
    'TOPMARG N(6,3); LEFTMARG N(6,3); HORIZPITCH N(6,3); VERTPITCH N(6,3); SHEETWIDTH N(6,3); '
    'SHEETDEPTH N(6,3); PAPERSIZE C(5); LBLSHAPE C(2); MANUFAC C(10); PRODTYPE C(25); '
    'MIDEXTRAX N(6,3); MIDEXTRAY N(6,3); ART C(12)', dbf_type='db3', codepage='cp1252')
t.open(dbf.READ_WRITE)
rows = [
 ('Avery 5160  Address', 'LJ', 1.0, 2.625, 3, 10, 0.5, 0.188, 2.75, 1.0, 8.5, 11.0, 'LTR', 'RR', 'AVERY', 'ADDRESS/SHIPPING LABELS', 0, 0, 'AV5160'),
 ('Avery 5163 Shipping', 'LJ', 2.0, 4.0, 2, 5, 0.5, 0.156, 4.188, 2.0, 8.5, 11.0, 'LTR', 'RR', 'AVERY', 'ADDRESS/SHIPPING LABELS', 0.25, 0, ''),
 ('Avery L7160 Étiquette', 'LJ', 1.5, 2.5, 3, 7, 0.6, 0.28, 2.6, 1.5, 8.27, 11.69, 'A4', 'RR', 'avery', 'ADDRESS/SHIPPING LABELS', 0, 0, ''),
 ('Avery 8160 Inkjet', 'IJ', 1.0, 2.625, 3, 10, 0.5, 0.188, 2.75, 1.0, 8.5, 11.0, 'LTR', 'RR', 'AVERY', 'ADDRESS/SHIPPING LABELS', 0, 0, ''),
 ('Avery 5388 Index Card', 'LJ', 3.0, 5.0, 1, 3, 1.0, 1.75, 5.0, 3.0, 8.5, 11.0, 'LTR', 'SR', 'AVERY', 'INDEX PRODUCTS', 0, 0, ''),
 ('Avery A5 Card', 'LJ', 2.0, 3.0, 1, 3, 0.5, 0.5, 3.0, 2.0, 5.82, 8.27, 'A5', 'SR', 'AVERY', 'CARD PRODUCTS', 0, 0, ''),
 ('Avery A4 Landscape', 'LJ', 2.0, 3.0, 3, 3, 0.5, 0.5, 3.5, 2.5, 11.69, 8.27, 'A4L', 'SR', 'AVERY', 'CARD PRODUCTS', 0, 0, ''),
 ('Costar Roll Address', 'LP', 1.125, 3.5, 1, 1, 0.0, 0.0, 3.5, 1.125, 3.5, 1.125, 'USERP', 'RR', 'COSTAR', 'ADDRESS/SHIPPING LABELS', 0, 0, ''),
 ('Dot Matrix Continuous', 'DM', 0.9375, 3.5, 1, 1, 0.0, 0.0, 3.5, 1.0, 4.0, 1.0, 'USERP', 'RR', 'AVERY', 'ADDRESS/SHIPPING LABELS', 0, 0, ''),
]
for r in rows:
    t.append(r)
t.close()
)PY";
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(script), folder});
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error) *error = QString::fromUtf8(p.readAllStandardError());
        return false;
    }
    return true;
}

}  // namespace brindle::labeltest
