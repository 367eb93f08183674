// The list of label setups: design file names, Delete, Clone and the saving
// of a setup the designer hands back.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <unistd.h>

#include "LabelTestSupport.h"
#include "common/ScriptedDialogs.h"
#include "designer/DesignFileNames.h"
#include "labels/LabelSetupList.h"
#include "designobjects/DesignSurface.h"
#include "designobjects/TKGraphicControl.h"
#include "designobjects/TKLabelObjectFiler.h"

using namespace brindle;
using common::ScriptedDialogs;
using labels::LabelSetup;
using labels::LabelSetupList;

namespace {

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
}

QStringList descriptions(LabelSetupList& list) {
    QStringList out;
    for (const auto& row : list.rows()) out << row.description;
    return out;
}

}  // namespace

TEST(DesignFileNames, AFileOrARowTakesANameInAnyCase) {
    labeltest::Sysdata sys;
    touch(sys.file(QStringLiteral("bin00001.l")));
    touch(sys.file(QStringLiteral("BIN00003.L")));
    touch(sys.file(QStringLiteral("BIN00004.E")));  // another kind's name is no obstacle
    sys.addRow(labeltest::sampleSetup(QStringLiteral("a"), QStringLiteral("bin00002.L")));
    EXPECT_EQ(designer::nextLabelBinaryName(sys.path(), sys.labels()), QStringLiteral("BIN00004.L"));
    EXPECT_EQ(designer::nextBinaryName(sys.path(), QStringLiteral(".E"), {}), QStringLiteral("BIN00001.E"));

    // Every name in use: none is handed out.
    QSet<QString> all;
    for (int n = 1; n <= 99999; ++n) all.insert(QStringLiteral("BIN%1.R").arg(n, 5, 10, QChar('0')));
    EXPECT_EQ(designer::nextBinaryName(sys.path(), QStringLiteral(".R"), all), std::nullopt);
    all.remove(QStringLiteral("BIN99999.R"));
    EXPECT_EQ(designer::nextBinaryName(sys.path(), QStringLiteral(".r"), all), QStringLiteral("BIN99999.R"));
}

TEST(DesignFileNames, OnlyBareNamesOfFilesInsideTheFolderResolve) {
    labeltest::Sysdata sys;
    touch(sys.file(QStringLiteral("bin00005.l")));
    ASSERT_TRUE(QDir(sys.path()).mkdir(QStringLiteral("BIN00006.L")));
    QTemporaryDir outside;
    touch(outside.filePath(QStringLiteral("secret")));
    ASSERT_TRUE(QFile::link(outside.filePath(QStringLiteral("secret")), sys.file(QStringLiteral("BIN00007.L"))));

    EXPECT_EQ(designer::resolveDesignFile(sys.path(), QStringLiteral("BIN00005.L ")), sys.file(QStringLiteral("bin00005.l")));
    for (const QString& bad : {QString(), QStringLiteral(".."), QStringLiteral("BIN00006.L"), QStringLiteral("BIN00007.L"),
                               QStringLiteral("../") + QFileInfo(sys.path()).fileName() + QStringLiteral("/bin00005.l"),
                               outside.filePath(QStringLiteral("secret")), QStringLiteral("sub\\bin00005.l"),
                               QStringLiteral("BIN00008.L")})
        EXPECT_EQ(designer::resolveDesignFile(sys.path(), bad), std::nullopt) << bad.toStdString();
}

TEST(LabelSetupList, ListsRowsByDescriptionWithoutDeletedOnesAndSetsButtons) {
    labeltest::Sysdata sys;
    ScriptedDialogs dialogs;
    LabelSetupList list(sys.labels(), sys.path(), dialogs);
    EXPECT_FALSE(list.hasRow());
    const labels::LabelButtons none = list.buttons();
    EXPECT_FALSE(none.modify || none.print || none.preview || none.remove || none.clone || none.grid ||
                 none.panelsVisible);

    sys.addRow(labeltest::sampleSetup(QStringLiteral("zebra"), QStringLiteral("BIN00001.L")));
    sys.addRow(labeltest::sampleSetup(QStringLiteral("Émile"), QStringLiteral("BIN00002.L")));
    sys.addRow(labeltest::sampleSetup(QStringLiteral("apple"), QStringLiteral("BIN00003.L")));
    sys.labels().deleteRecord();
    sys.labels().first();
    EXPECT_EQ(descriptions(list), (QStringList{"zebra", "Émile"}));  // É folds after Z, as UPPER() orders it
    EXPECT_TRUE(list.hasRow());
    const labels::LabelButtons all = list.buttons();
    EXPECT_TRUE(all.modify && all.print && all.preview && all.remove && all.clone && all.grid && all.panelsVisible);
}

TEST(LabelSetupList, DeleteAsksAndRemovesTheDesignOnlyWhenNoOtherRowNamesIt) {
    labeltest::Sysdata sys;
    ScriptedDialogs dialogs;
    LabelSetupList list(sys.labels(), sys.path(), dialogs);
    sys.writeDesign(QStringLiteral("BIN00001.L"));
    sys.writeDesign(QStringLiteral("bin00002.l"));
    const auto shared1 = sys.addRow(labeltest::sampleSetup(QStringLiteral("A shared"), QStringLiteral("BIN00001.L")));
    sys.addRow(labeltest::sampleSetup(QStringLiteral("B shared"), QStringLiteral("bin00001.l")));
    const auto own = sys.addRow(labeltest::sampleSetup(QStringLiteral("C own"), QStringLiteral("BIN00002.L")));
    const auto gone = sys.addRow(labeltest::sampleSetup(QStringLiteral("D gone"), QStringLiteral("BIN00009.L")));
    const auto escape = sys.addRow(labeltest::sampleSetup(QStringLiteral("E escape"), QStringLiteral("../keep.L")));
    touch(QFileInfo(sys.path()).absolutePath() + QStringLiteral("/keep.L"));

    // No: nothing happens.
    ASSERT_TRUE(list.select(own));
    EXPECT_FALSE(list.deleteCurrent());
    EXPECT_EQ(dialogs.shown.back().text, "Delete \"C own\"?");
    EXPECT_EQ(dialogs.shown.back().caption, "DELETE");
    EXPECT_EQ(descriptions(list).size(), 5);

    dialogs.answers.clear();
    for (bool a : {true, true, true, true}) dialogs.answers.enqueue(a);
    ASSERT_TRUE(list.select(shared1));
    EXPECT_TRUE(list.deleteCurrent());
    EXPECT_TRUE(QFile::exists(sys.file(QStringLiteral("BIN00001.L"))));  // still named by "B shared"
    ASSERT_TRUE(list.select(own));
    EXPECT_TRUE(list.deleteCurrent());
    EXPECT_FALSE(QFile::exists(sys.file(QStringLiteral("bin00002.l"))));
    ASSERT_TRUE(list.select(gone));
    EXPECT_TRUE(list.deleteCurrent());  // silently, though its file is missing
    ASSERT_TRUE(list.select(escape));
    EXPECT_TRUE(list.deleteCurrent());
    EXPECT_TRUE(QFile::exists(QFileInfo(sys.path()).absolutePath() + QStringLiteral("/keep.L")));
    QFile::remove(QFileInfo(sys.path()).absolutePath() + QStringLiteral("/keep.L"));

    EXPECT_EQ(descriptions(list), QStringList{"B shared"});
    EXPECT_TRUE(dialogs.infos().isEmpty());
}

TEST(LabelSetupList, CloneCopiesRowAndDesignUnderNewNames) {
    labeltest::Sysdata sys;
    ScriptedDialogs dialogs;
    LabelSetupList list(sys.labels(), sys.path(), dialogs);
    const QByteArray design = sys.writeDesign(QStringLiteral("BIN00001.L"));
    touch(sys.file(QStringLiteral("BIN00002.L")));
    const LabelSetup original = labeltest::sampleSetup(QStringLiteral("Shipping 4x6"), QStringLiteral("BIN00001.L"));
    const auto row = sys.addRow(original);
    sys.addRow(labeltest::sampleSetup(QStringLiteral("other"), QStringLiteral("BIN00003.L")));

    ASSERT_TRUE(list.select(row));
    EXPECT_FALSE(list.cloneCurrent());  // answered No
    EXPECT_EQ(dialogs.shown.back().text, "Clone \"Shipping 4x6\"?");
    EXPECT_EQ(dialogs.shown.back().caption, "CLONE");

    dialogs.answers.clear();
    for (bool a : {true}) dialogs.answers.enqueue(a);
    EXPECT_TRUE(list.cloneCurrent());
    LabelSetup clone = list.current();
    EXPECT_EQ(clone.descript, "Clone of :Shipping 4x6");
    EXPECT_EQ(clone.binary, "BIN00004.L");  // 2 is a file, 3 a row
    const auto objectsIn = [&](const QString& name) {
        designobjects::DesignSurface surface(designobjects::DesignSurface::LabelSurface);
        designobjects::TKLabelObjectFiler filer;
        filer.loadSurface(nullptr, surface, sys.file(name));
        QStringList out = filer.objectsRead();
        for (const auto* o : surface.objects())
            out << QStringLiteral("%1,%2").arg(o->bounds().x()).arg(o->bounds().width());
        return out;
    };
    EXPECT_FALSE(design.isEmpty());
    EXPECT_EQ(objectsIn(QStringLiteral("BIN00004.L")), objectsIn(QStringLiteral("BIN00001.L")));
    EXPECT_EQ(objectsIn(QStringLiteral("BIN00004.L")).size(), 2);
    clone.descript = original.descript;
    clone.binary = original.binary;
    EXPECT_EQ(clone, original);

    // A 50-character description keeps the first 50 characters of the whole text.
    const QString fifty = QString(50, QChar(u'é'));
    const auto longRow = sys.addRow(labeltest::sampleSetup(fifty, QStringLiteral("BIN00001.L")));
    ASSERT_TRUE(list.select(longRow));
    dialogs.answers.clear();
    for (bool a : {true}) dialogs.answers.enqueue(a);
    EXPECT_TRUE(list.cloneCurrent());
    EXPECT_EQ(list.current().descript, (QStringLiteral("Clone of :") + fifty).left(50));
    EXPECT_TRUE(dialogs.infos().isEmpty());
}

TEST(LabelSetupList, CloneFailuresLeaveNoRowAndNoFile) {
    labeltest::Sysdata sys;
    ScriptedDialogs dialogs;
    LabelSetupList list(sys.labels(), sys.path(), dialogs);
    const auto missing = sys.addRow(labeltest::sampleSetup(QStringLiteral("missing"), QStringLiteral("BIN00001.L")));
    const auto garbled = sys.addRow(labeltest::sampleSetup(QStringLiteral("garbled"), QStringLiteral("BIN00002.L")));
    touch(sys.file(QStringLiteral("BIN00002.L")));
    const auto tooWide = sys.addRow(labeltest::sampleSetup(QStringLiteral("fine"), QStringLiteral("BIN00003.L")));
    sys.writeDesign(QStringLiteral("BIN00003.L"));

    dialogs.answers.clear();
    for (bool a : {true, true}) dialogs.answers.enqueue(a);
    ASSERT_TRUE(list.select(missing));
    EXPECT_FALSE(list.cloneCurrent());
    EXPECT_EQ(dialogs.infos().last(), "Label definition file has been removed from the sysdata directory");
    ASSERT_TRUE(list.select(garbled));
    EXPECT_FALSE(list.cloneCurrent());
    EXPECT_EQ(dialogs.infos().size(), 2);
    EXPECT_EQ(sys.labels().recordCount(), 3u);
    EXPECT_FALSE(QFile::exists(sys.file(QStringLiteral("BIN00004.L"))));

    // The table cannot take the new row: the design copy made for it goes again.
    {
        auto readOnly = store::Table::open(sys.file(QStringLiteral("LABEL.DBF")).toStdString(), store::OpenMode::ReadOnly);
        LabelSetupList roList(*readOnly, sys.path(), dialogs);
        ASSERT_TRUE(roList.select(tooWide));
        dialogs.answers.enqueue(true);
        EXPECT_FALSE(roList.cloneCurrent());
        EXPECT_TRUE(dialogs.infos().last().startsWith("The label setup could not be cloned: "))
            << dialogs.infos().last().toStdString();
        EXPECT_FALSE(QFile::exists(sys.file(QStringLiteral("BIN00004.L"))));
        EXPECT_EQ(readOnly->recordCount(), 3u);
    }

    if (geteuid() == 0) GTEST_SKIP() << "a read-only folder does not stop root";

    // The folder turns read-only: the copy of the design cannot be written.
    ASSERT_TRUE(list.select(tooWide));
    QFile::setPermissions(sys.path(), QFile::ReadOwner | QFile::ExeOwner);
    dialogs.answers.clear();
    for (bool a : {true}) dialogs.answers.enqueue(a);
    const bool cloned = list.cloneCurrent();
    QFile::setPermissions(sys.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(cloned);
    EXPECT_TRUE(dialogs.infos().last().startsWith("The label design could not be saved to")) << dialogs.infos().last().toStdString();
    EXPECT_EQ(sys.labels().recordCount(), 3u);
    EXPECT_FALSE(QFile::exists(sys.file(QStringLiteral("BIN00004.L"))));
}

TEST(LabelSetupList, DesignerResultIsPostedOnlyWhenItsDesignWasSaved) {
    labeltest::Sysdata sys;
    ScriptedDialogs dialogs;
    LabelSetupList list(sys.labels(), sys.path(), dialogs);

    // New setup whose design cannot be saved: no row, the user told.
    LabelSetup fresh = labels::newLabelSetup();
    std::optional<QString> load;
    ASSERT_TRUE(list.prepareDesignFile(fresh, load));
    EXPECT_EQ(load, std::nullopt);
    EXPECT_EQ(fresh.binary, "BIN00001.L");
    fresh.descript = QStringLiteral("Wałęsa export");  // kept as typed only where the file can hold it
    EXPECT_FALSE(list.commitSetup(fresh, true, [](const QString&) { return true; }));
    fresh.descript = QStringLiteral("Party");
    EXPECT_FALSE(list.commitSetup(fresh, true, [](const QString&) { return false; }));
    EXPECT_TRUE(dialogs.infos().last().contains("could not be saved")) << dialogs.infos().last().toStdString();
    EXPECT_EQ(sys.labels().recordCount(), 0u);

    QString savedTo;
    EXPECT_TRUE(list.commitSetup(fresh, true, [&](const QString& path) {
        savedTo = path;
        return true;
    }));
    EXPECT_EQ(savedTo, sys.file(QStringLiteral("BIN00001.L")));
    ASSERT_TRUE(list.hasRow());
    EXPECT_EQ(list.current().descript, "Party");

    // Modify whose save throws: the row keeps its old values.
    LabelSetup changed = list.current();
    changed.descript = QStringLiteral("Renamed");
    changed.lblWidth = 3.0F;
    EXPECT_FALSE(list.commitSetup(changed, false, [](const QString&) -> bool { throw std::runtime_error("disk full"); }));
    EXPECT_TRUE(dialogs.infos().last().contains("disk full"));
    sys.labels().first();
    EXPECT_EQ(list.current().descript, "Party");
    EXPECT_EQ(sys.labels().recordCount(), 1u);

    // An existing row whose design is gone gets a fresh name at Modify.
    LabelSetup existing = list.current();
    existing.binary = QStringLiteral("../../etc/passwd");
    ASSERT_TRUE(list.prepareDesignFile(existing, load));
    EXPECT_EQ(load, std::nullopt);
    EXPECT_EQ(existing.binary, "BIN00002.L");  // BIN00001.L is named by the row
    EXPECT_TRUE(list.commitSetup(existing, false, [](const QString&) { return true; }));
    EXPECT_EQ(sys.labels().recordCount(), 1u);
    EXPECT_EQ(list.current().binary, "BIN00002.L");
}
