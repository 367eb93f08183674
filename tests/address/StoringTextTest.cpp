// Typed text the address file cannot hold is named to the user and replaced
// only with consent; nothing is ever stored as "?".
#include <gtest/gtest.h>

#include "AddressTestSupport.h"
#include "address/ui/TAddressMain.h"

using namespace brindle;
using namespace brindle::address;
using brindle::addrtest::Fields;
using brindle::addrtest::OpenFile;
using brindle::addrtest::ProgramHome;
using brindle::addrtest::u;
using brindle::addrtest::keepShot;
using brindle::common::ScriptedDialogs;

namespace {

// The stored text of a field of the first record, read back from the file itself.
std::string storedField(const QString& path, const char* field) {
    auto t = store::Table::open(path.toStdString(), store::OpenMode::ReadOnly);
    t->first();
    return field == std::string("MEMO") ? t->getMemo("MEMO") : t->getString(field);
}

}  // namespace

TEST(StoringText, UnstorableLettersAreNamedAndReplacedOnlyWhenTheUserAgrees) {
    OpenFile o({Fields{{"LNAME", "Adams"}}});
    ASSERT_TRUE(o.session.startEdit());
    o.session.setField(QStringLiteral("LNAME"), u("Wałęsa"));
    o.session.setField(QStringLiteral("FNAME"), u("José"));
    o.session.setField(QStringLiteral("CITY"), u("Łódź"));
    // The edit keeps what was typed while it lasts.
    EXPECT_EQ(o.session.field(QStringLiteral("LNAME")), u("Wałęsa"));

    // "No": back to editing; nothing is written.
    EXPECT_FALSE(o.session.save(u("Привет")));
    EXPECT_TRUE(o.session.editing());
    EXPECT_EQ(o.session.field(QStringLiteral("LNAME")), u("Wałęsa"));
    o.file.close();
    EXPECT_EQ(storedField(o.path, "LNAME"), "Adams");
    ASSERT_TRUE(o.file.openBRWDBF(o.path));

    ASSERT_EQ(o.dialogs.shown.size(), 1);
    const QString question = o.dialogs.shown[0].text;
    EXPECT_EQ(o.dialogs.shown[0].kind, ScriptedDialogs::Kind::YesNo);
    for (const char* part : {"Last: ł ę", "City: Ł ź", "Memo: П р и в е т", "ł → l", "Ł → L", "П → P"})
        EXPECT_TRUE(question.contains(u(part))) << part << "\n" << question.toStdString();
    EXPECT_FALSE(question.contains(QStringLiteral("First")));  // José is stored as typed

    // "Yes": the nearest Latin letters are stored.
    ASSERT_TRUE(o.session.startEdit());
    o.session.setField(QStringLiteral("LNAME"), u("Wałęsa"));
    o.session.setField(QStringLiteral("FNAME"), u("José"));
    o.session.setField(QStringLiteral("CITY"), u("Łódź"));
    o.dialogs.answers.enqueue(true);
    EXPECT_TRUE(o.session.save(u("Привет")));
    EXPECT_FALSE(o.session.editing());
    EXPECT_EQ(o.file.field("LNAME"), u("Walesa"));
    EXPECT_EQ(o.file.field("FNAME"), u("José"));
    EXPECT_EQ(o.file.field("CITY"), u("Lódz"));
    EXPECT_EQ(o.session.memoText(), u("Privet"));
    o.file.close();
    EXPECT_EQ(storedField(o.path, "FNAME"), "Jos\xE9");
    EXPECT_EQ(storedField(o.path, "MEMO"), "Privet");
}

TEST(StoringText, AccentedTextIsStoredWithoutAQuestion) {
    OpenFile o({Fields{{"LNAME", "Adams"}}});
    ASSERT_TRUE(o.session.startEdit());
    o.session.setField(QStringLiteral("LNAME"), u("Müller"));
    o.session.setField(QStringLiteral("STREET"), u("Straße 5"));
    // An accent pasted as a separate mark is joined to its letter.
    o.session.setField(QStringLiteral("FNAME"), u("Jose\u0301"));
    EXPECT_TRUE(o.session.save(u("Œuvre – 5 €")));
    EXPECT_TRUE(o.dialogs.shown.isEmpty());
    o.file.close();
    EXPECT_EQ(storedField(o.path, "LNAME"), "M\xFCller");
    EXPECT_EQ(storedField(o.path, "FNAME"), "Jos\xE9");
    EXPECT_EQ(storedField(o.path, "STREET"), "Stra\xDF" "e 5");
    EXPECT_EQ(storedField(o.path, "MEMO"), "\x8Cuvre \x96 5 \x80");
}

TEST(StoringText, NewRecordBoxNamesGoThroughTheSameCheck) {
    OpenFile o({Fields{{"LNAME", "Walesa"}, {"FNAME", "Lech"}}});
    o.session.prefs.flags[QStringLiteral("AutoDupCheck")] = true;
    o.session.askNewRecord = [](const NewRecordBoxLayout&) {
        return std::optional<NewRecordAnswer>(NewRecordAnswer{u("Wałęsa"), u("Łukasz"), QString()});
    };
    ASSERT_TRUE(o.session.add());
    EXPECT_EQ(o.session.field(QStringLiteral("FNAME")), u("Łukasz"));
    o.dialogs.answers.enqueue(true);
    EXPECT_TRUE(o.session.save(QString()));
    EXPECT_EQ(o.dialogs.shown.last().kind, ScriptedDialogs::Kind::YesNo);
    EXPECT_TRUE(o.dialogs.shown.last().text.contains(u("First: Ł")));
    EXPECT_EQ(o.file.field("LNAME"), u("Walesa"));
    EXPECT_EQ(o.file.field("FNAME"), u("Lukasz"));

    // The duplicate check compares the stored spelling.
    o.dialogs.shown.clear();
    EXPECT_FALSE(o.session.checkDupName(u("Lech"), u("Wałęsa")));
    EXPECT_TRUE(o.dialogs.texts(ScriptedDialogs::Kind::YesNoDefaultNo).first().startsWith(QStringLiteral("Possible duplicate")));
}

TEST(StoringText, MainWindowAsksBeforeSavingAndKeepsTheTypedText) {
    ProgramHome home;
    addrtest::makeFile(home.data("ADD0001.DBF"), {{{"LNAME", "Adams"}, {"FNAME", "Ann"}}});
    ScriptedDialogs dialogs;
    ui::TAddressMain w(dialogs);
    w.setGettingStartedAllowed(false);
    w.firstActivation();
    w.button(QStringLiteral("editButton"))->click();
    ASSERT_TRUE(w.session().editing());
    w.recordEdit("LNAME")->setText(u("Wałęsa"));
    w.recordEdit("USER1")->setText(u("Ясно"));
    w.memo()->setPlainText(u("Łódź city"));
    w.button(QStringLiteral("saveButton"))->click();
    // Answered No: still editing, with every character as typed.
    EXPECT_TRUE(w.session().editing());
    EXPECT_EQ(w.recordEdit("LNAME")->text(), u("Wałęsa"));
    EXPECT_EQ(w.recordEdit("USER1")->text(), u("Ясно"));
    EXPECT_EQ(w.memo()->toPlainText(), u("Łódź city"));
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_TRUE(dialogs.shown[0].text.contains(u("Comment 1: Я с н о")));

    dialogs.answers.enqueue(true);
    w.button(QStringLiteral("saveButton"))->click();
    EXPECT_FALSE(w.session().editing());
    EXPECT_EQ(w.recordEdit("LNAME")->text(), u("Walesa"));
    EXPECT_EQ(w.recordEdit("USER1")->text(), u("Yasno"));
    EXPECT_EQ(w.memo()->toPlainText(), u("Lódz city"));
    EXPECT_FALSE(w.file().field("LNAME").contains(QLatin1Char('?')));
}
