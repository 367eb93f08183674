// Choosing a stock layout: the catalogue filter, where the lists start, the
// manual dialog's units, presets and checks, and the paper step.
#include <gtest/gtest.h>

#include "LabelTestSupport.h"
#include "common/ScriptedDialogs.h"
#include "labels/LabelLayout.h"

using namespace brindle;
using common::ScriptedDialogs;
using labels::LabelEditModel;
using labels::LabelSetup;

TEST(BuildLabelQuery, TermsAndJoins) {
    EXPECT_EQ(labels::buildLabelQuery(QStringLiteral("Avery Laserjet"), 0, false),
              " UPPER(manufac)=\"AVERY\"  and  UPPER(printer)=\"LJ\"  and  UPPER(PRODTYPE)=\"ADDRESS/SHIPPING LABELS\" ");
    EXPECT_EQ(labels::buildLabelQuery(QStringLiteral("Costar LabelPrinter"), 6, true),
              " UPPER(manufac)=\"COSTAR\"  and  UPPER(printer)=\"LP\"  and  (\"A4\"$UPPER(PAPERSIZE) OR "
              "\"A5\"$UPPER(PAPERSIZE))");
    EXPECT_EQ(labels::buildLabelQuery(QStringLiteral("Nebs Dot Matrix"), 5, false),
              " UPPER(manufac)=\"NEBS\"  and  UPPER(printer)=\"DM\"  and  UPPER(PRODTYPE)=\"MISCELLANEOUS\" ");
    // No maker selected: the first term is the product's, with nothing before it.
    EXPECT_EQ(labels::buildLabelQuery(QString(), 4, false), " UPPER(PRODTYPE)=\"INDEX PRODUCTS\" ");
    EXPECT_EQ(labels::buildLabelQuery(QString(), 6, false), "");
}

TEST(BuildLabelQuery, SelectsTheRightRowsOfACatalogueWrittenElsewhere) {
    labeltest::Sysdata sys;
    QString error;
    if (!labeltest::writeCatalogueWithPython(sys.path(), &error))
        GTEST_SKIP() << "python3-dbf could not write the catalogue: " << error.toStdString();
    auto table = store::Table::open(sys.file(QStringLiteral("LBLTPL.DBF")).toStdString(), store::OpenMode::ReadOnly);
    const auto names = [&](const QString& maker, int product, bool european) {
        QStringList out;
        for (const auto& row : labels::matchingTemplates(*table, labels::buildLabelQuery(maker, product, european)))
            out << row.setup.descript;
        return out;
    };
    EXPECT_EQ(names(QStringLiteral("Avery Laserjet"), 0, false),
              (QStringList{"Avery 5160  Address", "Avery 5163 Shipping", "Avery L7160 Étiquette"}));
    EXPECT_EQ(names(QStringLiteral("Avery Laserjet"), 6, true),
              (QStringList{"Avery L7160 Étiquette", "Avery A5 Card", "Avery A4 Landscape"}));
    EXPECT_EQ(names(QStringLiteral("Avery Inkjet"), 6, false), QStringList{"Avery 8160 Inkjet"});
    EXPECT_EQ(names(QStringLiteral("Avery Dot Matrix"), 0, false), QStringList{"Dot Matrix Continuous"});
    EXPECT_EQ(names(QStringLiteral("Costar LabelPrinter"), 1, false), QStringList{});

    const auto rows = labels::matchingTemplates(*table, labels::buildLabelQuery(QStringLiteral("Avery Laserjet"), 0, false));
    const LabelSetup& shipping = rows[1].setup;
    EXPECT_FLOAT_EQ(shipping.horizPitch, 4.188F);
    EXPECT_DOUBLE_EQ(shipping.midExtraX, 0.25);
    EXPECT_EQ(shipping.nbrAcross * shipping.nbrDown, 10);
    EXPECT_EQ(labels::initialTemplateRow(rows, QStringLiteral("Avery 5163 Shipping"), true), 1);
    EXPECT_EQ(labels::initialTemplateRow(rows, QStringLiteral("avery 5163 shipping"), true), 2);  // exact: else the last
    EXPECT_EQ(labels::initialTemplateRow(rows, QStringLiteral("Avery 5163 Shipping"), false), 0);
    EXPECT_EQ(labels::initialTemplateRow({}, QString(), true), -1);
}

TEST(PositionLabelCombos, MakerPrinterAndProductPickTheEntries) {
    LabelSetup s = labels::newLabelSetup();
    auto at = [&](const char* maker, const char* printer, const char* product) {
        s.manufac = QString::fromLatin1(maker);
        s.printer = QString::fromLatin1(printer);
        s.prodType = QString::fromLatin1(product);
        return labels::positionLabelCombos(s);
    };
    auto p = at("AVERY", "IJ", "card products");
    EXPECT_EQ(p.manufacturerIndex, 1);
    EXPECT_EQ(p.productIndex, 1);
    EXPECT_TRUE(p.findTemplate);
    EXPECT_EQ(at("AVERY", "DM", "ADDRESS LABELS").productIndex, 6);  // no such entry: "All"
    EXPECT_EQ(at("COSTAR", "", "").manufacturerIndex, 3);
    EXPECT_EQ(at("NEBS", "LJ", "").manufacturerIndex, -1);  // NEBS is not in the list
    EXPECT_EQ(at("ACME", "IJ", "").manufacturerIndex, 0);
    p = at("USER", "", "");
    EXPECT_EQ(p.manufacturerIndex, 0);
    EXPECT_EQ(p.productIndex, 0);
    EXPECT_FALSE(p.findTemplate);
}

TEST(ApplyLayout, TemplateAndManualChoicesSetTheirFields) {
    LabelSetup working = labeltest::sampleSetup(QStringLiteral("mine"), QStringLiteral("BIN00001.L"));
    LabelSetup tpl = labels::fallbackLabelSetup();
    tpl.descript = QStringLiteral("Avery 5163 Shipping");
    tpl.printer = QStringLiteral("IJ");
    tpl.midExtraY = 0.5;
    tpl.art = QStringLiteral("AV5163");
    labels::getLayoutFromTemplate(working, tpl);
    EXPECT_EQ(working.descript, "mine");
    EXPECT_EQ(working.binary, "BIN00001.L");
    EXPECT_EQ(working.tplDescrip, "Avery 5163 Shipping");
    EXPECT_EQ(working.printer, "IJ");
    EXPECT_EQ(working.prodType, "ADDRESS LABELS");
    EXPECT_EQ(working.art, "AV5163");
    EXPECT_DOUBLE_EQ(working.midExtraX, 0.0);
    EXPECT_DOUBLE_EQ(working.midExtraY, 0.5);
    EXPECT_FLOAT_EQ(working.horizPitch, 2.75F);

    LabelSetup manual = working;
    manual.lblWidth = 3.5F;
    manual.paperSize = QStringLiteral("USERL");
    labels::getUserDefinedLayout(working, manual);
    EXPECT_FLOAT_EQ(working.lblWidth, 3.5F);
    EXPECT_EQ(working.paperSize, "USERL");
    EXPECT_EQ(working.manufac, "USER");
    EXPECT_TRUE(working.tplDescrip.isEmpty() && working.printer.isEmpty() && working.prodType.isEmpty() &&
                working.art.isEmpty());
    EXPECT_DOUBLE_EQ(working.midExtraY, 0.0);
    EXPECT_EQ(labels::calcSheetName(working), "[User Defined]");
}

TEST(LabelEditModel, MillimetresConvertOnlyWhatWasTyped) {
    LabelEditModel m(labels::fallbackLabelSetup());
    EXPECT_EQ(m.text(LabelEditModel::Width), "2.625");
    EXPECT_EQ(m.text(LabelEditModel::Height), "1.0");
    EXPECT_EQ(m.text(LabelEditModel::LeftMargin), "0.188");
    m.setMillimetres(true);
    EXPECT_EQ(m.text(LabelEditModel::Width), "67");
    EXPECT_EQ(m.text(LabelEditModel::PaperHeight), "279");
    // Back and forth: untouched fields keep their inches.
    m.setMillimetres(false);
    m.setMillimetres(true);
    m.setMillimetres(false);
    EXPECT_EQ(m.text(LabelEditModel::Width), "2.625");
    EXPECT_EQ(m.text(LabelEditModel::LeftMargin), "0.188");

    m.setMillimetres(true);
    m.setText(LabelEditModel::Height, QStringLiteral("25"));
    m.setText(LabelEditModel::Width, QStringLiteral("67"));
    m.setText(LabelEditModel::HorizPitch, QStringLiteral("70"));
    ScriptedDialogs dialogs;
    auto ok = m.accept(dialogs);
    ASSERT_TRUE(ok) << dialogs.infos().join(";").toStdString();
    EXPECT_FLOAT_EQ(ok->lblHeight, 0.984F);
    EXPECT_FLOAT_EQ(ok->lblWidth, 2.638F);
    EXPECT_FLOAT_EQ(ok->horizPitch, 2.756F);
    EXPECT_FLOAT_EQ(ok->leftMarg, 0.188F);
    EXPECT_FLOAT_EQ(ok->sheetDepth, 11.0F);
    m.setMillimetres(false);
    EXPECT_EQ(m.text(LabelEditModel::Height), "0.984");
    EXPECT_EQ(m.text(LabelEditModel::Width), "2.638");
}

TEST(LabelEditModel, PresetsShapeAndPitchFollowUp) {
    LabelSetup in = labels::fallbackLabelSetup();
    in.paperSize = QStringLiteral("USERP");
    in.lblShape = QStringLiteral("XX");
    LabelEditModel m(in);
    EXPECT_EQ(m.shapeIndex, 2);  // anything unknown is "Round"
    EXPECT_EQ(m.paperIndex(), -1);

    // Typed paper sizes without a list choice keep the incoming code.
    m.setText(LabelEditModel::PaperWidth, QStringLiteral("8.27"));
    ScriptedDialogs dialogs;
    EXPECT_EQ(m.accept(dialogs)->paperSize, "USERP");

    m.setMillimetres(true);
    m.choosePaper(3);  // A4 Landscape
    EXPECT_EQ(m.text(LabelEditModel::PaperWidth), "297");
    EXPECT_EQ(m.text(LabelEditModel::PaperHeight), "210");
    m.choosePaper(6);  // "Other" fills nothing
    EXPECT_EQ(m.text(LabelEditModel::PaperWidth), "297");
    m.setMillimetres(false);
    EXPECT_EQ(m.text(LabelEditModel::PaperWidth), "11.69");
    auto out = m.accept(dialogs);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->paperSize, "USERL");
    EXPECT_FLOAT_EQ(out->sheetDepth, 8.27F);
    EXPECT_EQ(out->lblShape, "EL");

    // Leaving the width pulls a smaller pitch up to it, never down.
    m.setText(LabelEditModel::Width, QStringLiteral("3.1"));
    m.leaveWidth();
    EXPECT_EQ(m.text(LabelEditModel::HorizPitch), "3.1");
    m.setText(LabelEditModel::Width, QStringLiteral("2"));
    m.leaveWidth();
    EXPECT_EQ(m.text(LabelEditModel::HorizPitch), "3.1");
    m.setText(LabelEditModel::Height, QStringLiteral("1.5"));
    m.leaveHeight();
    EXPECT_EQ(m.text(LabelEditModel::VertPitch), "1.5");
}

TEST(LabelEditModel, ChecksInOrderAndKeepsTheDialogOpen) {
    struct Case {
        LabelEditModel::Length field;
        const char* text;
        int across;
        int down;
        const char* message;  // nullptr: accepted
    } cases[] = {
        {LabelEditModel::Height, "0.29", 3, 10, "Label Height must be at least .3 inches (or 7mm)"},
        {LabelEditModel::Width, "0.49", 3, 10, "Label Width must be at least .5 inch (or 13mm)"},
        {LabelEditModel::HorizPitch, "1.5", 2, 10, "Horizontal Pitch must be at least = Label Width"},
        {LabelEditModel::HorizPitch, "1.5", 1, 10, nullptr},
        {LabelEditModel::VertPitch, "0.9", 3, 2, "Vertical Pitch must be at least = Label Height"},
        {LabelEditModel::VertPitch, "0.9", 3, 1, nullptr},
        {LabelEditModel::PaperWidth, "0.2", 3, 10, "Page Width must be at least .3 inch"},
        {LabelEditModel::PaperHeight, "0.2", 3, 10, "Page Height must be at least .3 inches"},
        {LabelEditModel::PaperHeight, "123.5", 3, 10, "Paper Height must lie between -9.999 and 99.999 inches"},
        {LabelEditModel::TopMargin, "half", 3, 10, "Top Margin must be a number"},
        {LabelEditModel::TopMargin, "0,25", 10, 20, nullptr},
        {LabelEditModel::TopMargin, "0.25", 10, 21, "A sheet can hold at most 200 labels (this layout has 210)"},
    };
    for (const Case& c : cases) {
        LabelSetup in = labels::fallbackLabelSetup();
        in.lblWidth = 2.0F;
        in.horizPitch = 2.0F;
        LabelEditModel m(in);
        m.across = c.across;
        m.down = c.down;
        m.setText(c.field, QString::fromLatin1(c.text));
        ScriptedDialogs dialogs;
        const auto out = m.accept(dialogs);
        if (c.message) {
            EXPECT_FALSE(out) << c.message;
            EXPECT_EQ(dialogs.infos(), QStringList{QString::fromLatin1(c.message)});
        } else {
            EXPECT_TRUE(out) << dialogs.infos().join(";").toStdString();
        }
    }
}

namespace {

// A print target that reports the page the test tells it to.
struct FakeTarget : labels::PaperTarget {
    QString driver = QStringLiteral("CUPS");
    double reportedWidth = 0, reportedHeight = 0;
    int requestedCode = -1;
    double requestedWidth = 0, requestedHeight = 0;
    bool landscape = false;
    QString driverName() const override { return driver; }
    void requestPaper(int code, double w, double h) override {
        requestedCode = code;
        requestedWidth = w;
        requestedHeight = h;
    }
    void setLandscape(bool on) override { landscape = on; }
    double pageWidth() const override { return landscape ? reportedHeight : reportedWidth; }
    double pageHeight() const override { return landscape ? reportedWidth : reportedHeight; }
};

}  // namespace

TEST(ApplyPaperSize, RequestsOrientsAndConfirms) {
    LabelSetup s = labels::fallbackLabelSetup();
    s.paperSize = QStringLiteral("USERL");
    s.sheetWidth = 11.0F;
    s.sheetDepth = 8.5F;
    FakeTarget t;
    t.reportedWidth = 8.5;  // portrait terms
    t.reportedHeight = 11;
    ScriptedDialogs dialogs;
    EXPECT_TRUE(labels::applyPaperSize(s, t, dialogs));
    EXPECT_EQ(t.requestedCode, 0);
    EXPECT_DOUBLE_EQ(t.requestedWidth, 8.5);
    EXPECT_DOUBLE_EQ(t.requestedHeight, 11);
    EXPECT_TRUE(t.landscape);
    EXPECT_TRUE(dialogs.shown.isEmpty());

    s = labels::fallbackLabelSetup();  // Letter
    t = FakeTarget();
    t.reportedWidth = 8.46;
    t.reportedHeight = 11;
    EXPECT_TRUE(labels::applyPaperSize(s, t, dialogs));
    EXPECT_EQ(t.requestedCode, 1);
    EXPECT_FALSE(t.landscape);
    EXPECT_TRUE(dialogs.shown.isEmpty());

    t.reportedWidth = 8.44;
    dialogs.answers.clear();
    for (bool a : {false}) dialogs.answers.enqueue(a);
    EXPECT_FALSE(labels::applyPaperSize(s, t, dialogs));
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].kind, ScriptedDialogs::Kind::YesNo);
    EXPECT_EQ(dialogs.shown[0].text,
              "Unable to confirm that the paper size was set to\r\n\r\n8.50\" by 11.00\"\r\n\r\n"
              "(you may have the wrong printer selected)\r\n\r\n\r\n\r\nWould you like to try printing anyways?");
    dialogs.answers.clear();
    for (bool a : {true}) dialogs.answers.enqueue(a);
    EXPECT_TRUE(labels::applyPaperSize(s, t, dialogs));

    // A driver that cannot take a custom size is never asked for one, and the
    // user decides.
    s.paperSize = QStringLiteral("USERP");
    t = FakeTarget();
    t.driver = QStringLiteral("hpfdj500");
    t.reportedWidth = 8.5;
    t.reportedHeight = 11;
    dialogs.shown.clear();
    EXPECT_FALSE(labels::applyPaperSize(s, t, dialogs));
    EXPECT_EQ(t.requestedCode, -1);
    EXPECT_EQ(dialogs.shown.size(), 1);
}
