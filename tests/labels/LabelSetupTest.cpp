// The label setup record: defaults, storage in LABEL.DBF, what cannot be
// stored, and the sheet geometry.
#include <gtest/gtest.h>

#include "LabelTestSupport.h"
#include "common/ScriptedDialogs.h"
#include "labels/LabelSetup.h"

using namespace brindle;
using labels::LabelSetup;

TEST(LabelSetupDefaults, NewAndFallbackDifferWhereTheyShould) {
    const LabelSetup n = labels::newLabelSetup();
    const LabelSetup f = labels::fallbackLabelSetup();
    EXPECT_EQ(n.descript, "<New Label>");
    EXPECT_EQ(f.descript, "Default Label Setup");
    EXPECT_FLOAT_EQ(n.horizPitch, 2.765F);
    EXPECT_FLOAT_EQ(n.vertPitch, 1.01F);
    EXPECT_FLOAT_EQ(f.horizPitch, 2.75F);
    EXPECT_FLOAT_EQ(f.vertPitch, 1.0F);
    EXPECT_EQ(n.prodType, "ADDRESS/SHIPPING LABELS");
    EXPECT_EQ(f.prodType, "ADDRESS LABELS");
    for (const LabelSetup& s : {n, f}) {
        EXPECT_EQ(s.tplDescrip, "Avery 5160  Address");
        EXPECT_EQ(s.nbrAcross * s.nbrDown, 30);
        EXPECT_EQ(s.paperSize + s.lblShape + s.printer, "LTRRRLJ");
        EXPECT_TRUE(s.binary.isEmpty());
    }
    EXPECT_EQ(labels::calcSheetName(n), "Avery 5160  Address");
    LabelSetup user = n;
    user.tplDescrip.clear();
    EXPECT_EQ(labels::calcSheetName(user), "[User Defined]");
}

TEST(LabelSetupStorage, RoundTripsEveryFieldWithThreeDecimals) {
    labeltest::Sysdata sys;
    LabelSetup s = labeltest::sampleSetup(QStringLiteral("Müller & José's labels"), QStringLiteral("BIN00007.L"));
    s.lblWidth = 2.6254F;    // stored as 2.625
    s.topMarg = 0.18751F;    // stored as 0.188
    sys.addRow(s);
    store::Table& t = sys.labels();
    ASSERT_TRUE(t.first());
    EXPECT_EQ(t.getString("LBLWIDTH"), "2.625");
    EXPECT_EQ(t.getString("TOPMARG"), "0.188");
    const LabelSetup back = labels::readLabelSetup(t);
    LabelSetup expected = s;
    expected.lblWidth = 2.625F;
    expected.topMarg = 0.188F;
    EXPECT_EQ(back, expected);
}

TEST(LabelSetupStorage, NoCurrentRowReadsTheFallbackAndLongDescriptionsAreCut) {
    labeltest::Sysdata sys;
    EXPECT_EQ(labels::readLabelSetup(sys.labels()), labels::fallbackLabelSetup());
    const QString sixty = QString(60, QChar('x'));
    sys.addRow(labeltest::sampleSetup(sixty, QStringLiteral("BIN00001.L")));
    ASSERT_TRUE(sys.labels().first());
    EXPECT_EQ(labels::readLabelSetup(sys.labels()).descript.size(), 50);
}

TEST(LabelSetupStorage, RefusesWhatTheColumnsCannotHold) {
    labeltest::Sysdata sys;
    store::Table& t = sys.labels();
    struct Case {
        void (*change)(LabelSetup&);
        const char* message;
    } cases[] = {
        {[](LabelSetup& s) { s.sheetWidth = 123.5F; }, "Paper Width must lie between -9.999 and 99.999 inches"},
        {[](LabelSetup& s) { s.midExtraY = -10.0; }, "Middle Gap Down must lie between -9.999 and 99.999 inches"},
        {[](LabelSetup& s) { s.nbrAcross = 0; }, "# across and # down must be at least 1"},
        {[](LabelSetup& s) { s.nbrDown = 100; }, "# across and # down must be at most 99"},
        {[](LabelSetup& s) { s.nbrAcross = 10; s.nbrDown = 21; },
         "A sheet can hold at most 200 labels (this layout has 210)"},
        {[](LabelSetup& s) { s.descript = QStringLiteral("Wałęsa Межа"); },
         "Description \"Wałęsa Межа\" holds characters that cannot be stored: ł ę М е ж а"},
    };
    for (const Case& c : cases) {
        LabelSetup s = labeltest::sampleSetup(QStringLiteral("x"), QStringLiteral("BIN00001.L"));
        c.change(s);
        common::ScriptedDialogs dialogs;
        t.append();
        EXPECT_FALSE(labels::writeLabelSetup(t, s, dialogs)) << c.message;
        t.cancel();
        EXPECT_EQ(dialogs.infos(), QStringList{QString::fromUtf8(c.message)});
    }
    EXPECT_EQ(t.recordCount(), 0u);
    // 99.999 and 10 x 20 still fit.
    LabelSetup edge = labeltest::sampleSetup(QStringLiteral("edge"), QStringLiteral("BIN00001.L"));
    edge.sheetDepth = 99.999F;
    edge.nbrAcross = 10;
    edge.nbrDown = 20;
    EXPECT_TRUE(labels::storageProblem(edge).isEmpty());
}

TEST(SheetGeometry, MiddleGapsShiftTheFarHalfWithOddAndEvenCounts) {
    LabelSetup s = labels::fallbackLabelSetup();
    s.leftMarg = 0.25F;
    s.topMarg = 0.5F;
    s.horizPitch = 2.75F;
    s.vertPitch = 1.0F;
    s.midExtraX = 0.25;
    const auto xOfColumn = [&s](int column) { return labels::labelOrigin(s, column).x; };

    s.nbrAcross = 3;  // columns 2 and 3 (1-based) move
    EXPECT_DOUBLE_EQ(xOfColumn(0), 0.25);
    EXPECT_DOUBLE_EQ(xOfColumn(1), 0.25 + 2.75 + 0.25);
    EXPECT_DOUBLE_EQ(xOfColumn(2), 0.25 + 5.5 + 0.25);

    s.nbrAcross = 4;  // columns 3 and 4 move
    EXPECT_DOUBLE_EQ(xOfColumn(1), 0.25 + 2.75);
    EXPECT_DOUBLE_EQ(xOfColumn(2), 0.25 + 5.5 + 0.25);
    EXPECT_DOUBLE_EQ(xOfColumn(3), 0.25 + 8.25 + 0.25);

    // Rows: position 9 of a 4-across sheet is row 2, column 1; 5 rows shift rows 3 to 5.
    s.midExtraX = 0;
    s.midExtraY = 0.5;
    s.nbrDown = 5;
    const labels::LabelOrigin o = labels::labelOrigin(s, 9);
    EXPECT_DOUBLE_EQ(o.x, 0.25 + 2.75);
    EXPECT_DOUBLE_EQ(o.y, 0.5 + 2.0 + 0.5);
    EXPECT_DOUBLE_EQ(labels::labelOrigin(s, 4).y, 1.5);  // row 1 stays

    s.nbrAcross = 10;
    s.nbrDown = 30;
    EXPECT_EQ(labels::positionsPerSheet(s), labels::kMaxPositions);
}
