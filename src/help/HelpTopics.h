#pragma once
// Every help topic the program opens, by name: the windows' Help buttons and
// F1, the Help menu and the links of the Getting Started page. No other code
// writes a topic number; tests walk this list and fail for a topic without a
// page in data/help.
#include <array>
#include <string_view>

namespace brindle::help::topic {

constexpr int HowToUseHelp = 0;
constexpr int MainWindow = 1029;
constexpr int NewDatabase = 1037;
constexpr int FieldLengths = 2097;
constexpr int Preferences = 1038;
constexpr int SystemReindex = 1039;
constexpr int AddressReindex = 1040;
constexpr int DateSelector = 1025;
constexpr int SearchBox = 1026;
constexpr int FilterWindow = 1033;
constexpr int BrowseWindow = 1034;
constexpr int NewRecord = 1091;
constexpr int Dialer = 1031;
constexpr int PrintPreview = 1074;
constexpr int ImportDbf = 1021;
constexpr int ImportAscii = 1023;
constexpr int AsciiMatch = 1024;
constexpr int ImportOlder = 1092;
constexpr int Export = 1047;
// Label stock: the setup list and its layout dialogs.
constexpr int LabelSetup = 1075;
constexpr int LabelsPrint = 1019;
constexpr int LabelLayout = 1049;
constexpr int SelectLabelTemplate = 1048;
constexpr int UserDefinedLabelLayout = 1050;
constexpr int LabelDesigner = 1073;
// Letter templates: the letters window and the letter designer.
constexpr int Letters = 1083;
constexpr int LetterDesigner = 1085;
constexpr int LetterPreview = 1086;
// Envelopes: the setup list and print window, its size, feed and pre-print dialogs.
constexpr int PrintEnvelope = 1082;
constexpr int EnvelopeSize = 1081;
constexpr int PaperFeedMethod = 1017;
constexpr int EnvelopePrint = 1018;
constexpr int EnvelopeDesigner = 1080;
// The checks of the utilities menu.
constexpr int StateZipCheck = 1043;
constexpr int DuplicateCheck = 1044;
// ZIP code counts and the bulk edits of the utilities menu.
constexpr int ZipCount = 1002;
constexpr int SearchReplace = 1003;
constexpr int ConvertCase = 1045;
constexpr int DeleteRecordSets = 1046;
constexpr int AddingAndChanging = 1030;
constexpr int DeletingRecords = 2099;
constexpr int TechnicalSupport = 1015;
constexpr int FrequentlyAskedQuestions = 911;
constexpr int FaqPage = 2098;  // the Getting Started page's "FREQUENTLY ASKED QUESTIONS" link
// The design objects' dialogs.
constexpr int MultiLineTextEditor = 40001;
constexpr int PictureChooser = 40003;
constexpr int TextDialog = 40004;
constexpr int SymbolSelector = 40005;
constexpr int CounterDialog = 40006;
constexpr int SelectField = 40007;
constexpr int Text3DEffects = 40008;
constexpr int AddressLabelLayout = 40009;
constexpr int IntelligentMailDialog = 40010;
// Spell checking a letter.
constexpr int SpellCheck = 1084;
// The printers' calibration, reached from "Print Labels".
constexpr int PrinterCalibration = 1093;

struct Named {
    std::string_view name;
    int number;
};

// All of the above, for the tests that check every topic has its page.
constexpr std::array<Named, 55> all = {{
    {"HowToUseHelp", HowToUseHelp},
    {"MainWindow", MainWindow},
    {"NewDatabase", NewDatabase},
    {"FieldLengths", FieldLengths},
    {"Preferences", Preferences},
    {"SystemReindex", SystemReindex},
    {"AddressReindex", AddressReindex},
    {"DateSelector", DateSelector},
    {"SearchBox", SearchBox},
    {"FilterWindow", FilterWindow},
    {"BrowseWindow", BrowseWindow},
    {"NewRecord", NewRecord},
    {"Dialer", Dialer},
    {"PrintPreview", PrintPreview},
    {"ImportDbf", ImportDbf},
    {"ImportAscii", ImportAscii},
    {"AsciiMatch", AsciiMatch},
    {"ImportOlder", ImportOlder},
    {"Export", Export},
    {"AddingAndChanging", AddingAndChanging},
    {"DeletingRecords", DeletingRecords},
    {"TechnicalSupport", TechnicalSupport},
    {"FrequentlyAskedQuestions", FrequentlyAskedQuestions},
    {"FaqPage", FaqPage},
    {"MultiLineTextEditor", MultiLineTextEditor},
    {"PictureChooser", PictureChooser},
    {"TextDialog", TextDialog},
    {"SymbolSelector", SymbolSelector},
    {"CounterDialog", CounterDialog},
    {"SelectField", SelectField},
    {"Text3DEffects", Text3DEffects},
    {"AddressLabelLayout", AddressLabelLayout},
    {"IntelligentMailDialog", IntelligentMailDialog},
    {"SpellCheck", SpellCheck},
    {"LabelSetup", LabelSetup},
    {"LabelsPrint", LabelsPrint},
    {"LabelLayout", LabelLayout},
    {"SelectLabelTemplate", SelectLabelTemplate},
    {"UserDefinedLabelLayout", UserDefinedLabelLayout},
    {"StateZipCheck", StateZipCheck},
    {"DuplicateCheck", DuplicateCheck},
    {"ZipCount", ZipCount},
    {"SearchReplace", SearchReplace},
    {"ConvertCase", ConvertCase},
    {"DeleteRecordSets", DeleteRecordSets},
    {"LabelDesigner", LabelDesigner},
    {"Letters", Letters},
    {"LetterDesigner", LetterDesigner},
    {"LetterPreview", LetterPreview},
    {"PrintEnvelope", PrintEnvelope},
    {"EnvelopeSize", EnvelopeSize},
    {"PaperFeedMethod", PaperFeedMethod},
    {"EnvelopePrint", EnvelopePrint},
    {"EnvelopeDesigner", EnvelopeDesigner},
    {"PrinterCalibration", PrinterCalibration},
}};

}  // namespace brindle::help::topic
