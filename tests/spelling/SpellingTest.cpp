// The dictionary files, the checker's acceptance rules and suggestions, the
// walk of the spell-check dialog over a rich-text letter, and the dialog itself.
#include "common/ScriptedDialogs.h"
#include "richtext/RichDocument.h"
#include "spelling/DictionaryFile.h"
#include "spelling/SpellChecker.h"
#include "spelling/SpellSession.h"
#include "spelling/ui/RichTextWords.h"
#include "spelling/ui/TSpellCheckDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace brindle;
using namespace brindle::spelling;

namespace {

const QString kMain = QStringLiteral(BRINDLE_BINARY_DIR "/brindl.dct");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class Spelling : public ::testing::Test {
protected:
    QString userPath() const { return dir.filePath(QStringLiteral("brindlu.dct")); }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(Spelling, UserDictionaryHasItsHeaderAndKeepsWordsAcrossRestarts) {
    {
        TSpellChecker checker;
        const int handle = checker.createUserDictionary(userPath(), {});
        ASSERT_EQ(handle, 0);
        const QByteArray header = "USER DICTIONARY\r\n"
                                  "Brindle word list 1: UTF-8 words, one a line; owner: the user\r\n"
                                  "\x1a";
        EXPECT_EQ(readAll(userPath()), header);
        for (const QString& w : {QStringLiteral("Müller"), QStringLiteral("Wałęsa"), QStringLiteral("Йорк"),
                                 QStringLiteral("MÜLLER")})
            EXPECT_TRUE(checker.addWord(w, handle));
        // The second spelling of Müller is the same word.
        EXPECT_EQ(readAll(userPath()), header + QStringLiteral("Müller\r\nWałęsa\r\nЙорк\r\n").toUtf8());
        EXPECT_TRUE(checker.addWord(QStringLiteral("ignored"), -1));
    }
    TSpellChecker restarted;
    restarted.setMainDictionaryPath(QString());
    ASSERT_EQ(restarted.openUserDictionary(userPath()), 0);
    for (const QString& w : {QStringLiteral("müller"), QStringLiteral("MÜLLER"), QStringLiteral("WAŁĘSA"),
                             QStringLiteral("йорк"), QStringLiteral("Müller's"), QStringLiteral("ž"),
                             QStringLiteral("Q's")})
        EXPECT_TRUE(restarted.checkWord(w)) << w.toStdString();
    EXPECT_FALSE(restarted.checkWord(QStringLiteral("Muller")));
}

TEST_F(Spelling, DamagedFilesAreRefusedAndNeverOverwritten) {
    const QByteArray user = buildUserDictionary({QStringLiteral("alpha")});
    const QByteArray main = buildMainDictionary({"SET UTF-8\n", "1\nalpha\n"});
    ASSERT_TRUE(readMainDictionary(main));
    EXPECT_EQ(readMainDictionary(main)->words, "1\nalpha\n");
    // Every cut of the supplied file, and of the user's file inside its
    // header, is refused.
    for (qsizetype n = 0; n < main.size(); ++n) EXPECT_FALSE(readMainDictionary(main.left(n))) << n;
    for (qsizetype n = 0; n <= user.indexOf('\x1a'); ++n) EXPECT_FALSE(readUserDictionary(user.left(n))) << n;
    EXPECT_EQ(readUserDictionary(user), QStringList{QStringLiteral("alpha")});
    QByteArray hugeLength = main;
    hugeLength.replace("AFF 10\n", "AFF 999999999999\n");
    EXPECT_FALSE(readMainDictionary(hugeLength));
    EXPECT_FALSE(readUserDictionary(main)) << "a main dictionary is not a user dictionary";
    EXPECT_FALSE(readMainDictionary(user));

    // A user file that cannot be read keeps its bytes; Add Word is switched off.
    const QByteArray foreign = "personal word list, not ours\n";
    writeAll(userPath(), foreign);
    TSpellChecker checker;
    struct NoWords : WordSource {
        Word nextWord(int) const override { return {}; }
        void select(int, int) override {}
        int replace(int, int, const QString&) override { return 0; }
    } none;
    common::ScriptedDialogs dialogs;
    SpellSession session(checker, none, dialogs);
    session.open(kMain, userPath());
    EXPECT_FALSE(session.canAddWord());
    EXPECT_EQ(readAll(userPath()), foreign);

    // A user dictionary that cannot be written: the word is not taken.
    const int handle = checker.createUserDictionary(dir.filePath(QStringLiteral("u.dct")), {});
    ASSERT_GE(handle, 0);
    ASSERT_TRUE(QFile::remove(dir.filePath(QStringLiteral("u.dct"))));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("u.dct")));  // a folder where the file was
    QString error;
    EXPECT_FALSE(checker.addWord(QStringLiteral("zorblax"), handle, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(checker.userWords(handle).isEmpty());
}

TEST(SpellChecker, SuppliedDictionaryAcceptsIgnoringCaseAndSuggests) {
    const QByteArray bytes = readAll(kMain);
    ASSERT_TRUE(bytes.startsWith("MAIN DICTIONARY\r\nBrindle word list 1: Hunspell affixes and words; owner: Brindle\r\n\x1a"
                                 "AFF "))
        << "brindl.dct is built beside the program";
    TSpellChecker checker;
    checker.setMainDictionaryPath(kMain);  // opened by the first check
    struct Case {
        const char* word;
        bool accepted;
    };
    for (const Case& c : {Case{"Smith's", true}, Case{"SMITH'S", true}, Case{"smith", true}, Case{"nasa", true},
                          Case{"Letter", true}, Case{"don’t", true}, Case{"x", true}, Case{"", true},
                          Case{"Smiht's", false}, Case{"recieve", false}, Case{"qwxz", false},
                          Case{"Smith's's", true}})
        EXPECT_EQ(checker.checkWord(QString::fromUtf8(c.word)), c.accepted) << c.word;
    EXPECT_TRUE(checker.mainDictionaryOpen());

    struct Misspelt {
        const char* word;
        const char* right;
    };
    for (const Misspelt& m : {Misspelt{"recieve", "receive"}, Misspelt{"teh", "the"}, Misspelt{"seperate", "separate"},
                              Misspelt{"definately", "definitely"}, Misspelt{"adress", "address"},
                              Misspelt{"occured", "occurred"}}) {
        const QStringList s = checker.suggest(QString::fromUtf8(m.word));
        EXPECT_TRUE(s.contains(QString::fromUtf8(m.right))) << m.word << ": " << s.join(u',').toStdString();
        EXPECT_LE(s.size(), TSpellChecker::kDefaultMaxSuggestions);
    }
    checker.setMaxSuggestions(1);
    EXPECT_EQ(checker.suggest(QStringLiteral("teh")).size(), 1);
    checker.setMaxSuggestions(5000);
    EXPECT_EQ(checker.maxSuggestions(), TSpellChecker::kMaxSuggestionsLimit);
    EXPECT_EQ(TSpellChecker::foldWord(QStringLiteral("müller’s ÿ")), QStringLiteral("MÜLLER'S Ÿ"));
}

namespace {

// A letter with misspellings, one of them bold, and a highlight recorder.
class LetterSpelling : public Spelling {
protected:
    void SetUp() override {
        doc.loadPlainText(QStringLiteral("Dear Mr Smiht, I recieve teh letter; Smith's reply: teh end."));
        QTextCursor c = doc.find(QStringLiteral("recieve"), 0);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        c.mergeCharFormat(bold);
    }
    richtext::RichDocument doc;
    std::vector<std::pair<int, int>> highlights;
    common::ScriptedDialogs dialogs;
};

}  // namespace

TEST_F(LetterSpelling, SkipReplaceAndAddWalkTheLetter) {
    TSpellChecker checker;
    spelling::ui::RichTextWords words(doc, [this](int s, int l) { highlights.emplace_back(s, l); });
    SpellSession session(checker, words, dialogs);
    session.open(kMain, userPath());
    ASSERT_TRUE(session.canAddWord());

    ASSERT_TRUE(session.start());
    EXPECT_EQ(session.word(), QStringLiteral("Smiht"));
    EXPECT_EQ(highlights.back(), std::make_pair(8, 5));
    ASSERT_TRUE(session.skip());
    EXPECT_EQ(session.word(), QStringLiteral("recieve"));
    EXPECT_EQ(session.proposedReplacement(), QStringLiteral("receive"));
    ASSERT_TRUE(session.replace(session.proposedReplacement()));
    EXPECT_EQ(session.word(), QStringLiteral("teh"));
    // Adding "teh" passes over its second occurrence too.
    EXPECT_FALSE(session.addWord());
    EXPECT_TRUE(session.finished());

    EXPECT_EQ(doc.plainText(), QStringLiteral("Dear Mr Smiht, I receive teh letter; Smith's reply: teh end."));
    QTextCursor c(doc.document());
    c.setPosition(doc.plainText().indexOf(QStringLiteral("receive")) + 2);
    EXPECT_EQ(c.charFormat().fontWeight(), QFont::Bold) << "the replacement keeps the word's format";
    session.close();
    EXPECT_EQ(highlights.back(), std::make_pair(0, 0));
    EXPECT_EQ(checker.userWords(0), QStringList());  // closed
    TSpellChecker later;
    ASSERT_EQ(later.openUserDictionary(userPath()), 0);
    EXPECT_EQ(later.userWords(0), QStringList{QStringLiteral("teh")});
}

TEST_F(LetterSpelling, DialogShowsSuggestionsAndEndsWithCompleteMessage) {
    spelling::ui::TSpellCheckDialog dialog(doc, dialogs, [this](int s, int l) { highlights.emplace_back(s, l); },
                                           nullptr, kMain, userPath());
    dialog.show();
    QApplication::processEvents();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Spell Check"));
    EXPECT_EQ(dialog.errorWord()->text(), QStringLiteral("Smiht"));
    EXPECT_TRUE(dialog.addButton()->isEnabled());
    ASSERT_GT(dialog.replacements()->count(), 0);
    EXPECT_EQ(dialog.replaceWith()->text(), dialog.replacements()->item(0)->text());
    if (const char* shot = std::getenv("BRINDLE_SCREENSHOT_DIR"))
        dialog.grab().save(QString::fromLocal8Bit(shot) + QStringLiteral("/spellcheck.png"));

    // Picking a suggestion copies it; typing wins over suggestions.
    dialog.replacements()->setCurrentRow(dialog.replacements()->count() - 1);
    EXPECT_EQ(dialog.replaceWith()->text(), dialog.replacements()->item(dialog.replacements()->count() - 1)->text());
    dialog.replaceWith()->setText(QStringLiteral("Smith"));
    dialog.replaceButton()->click();
    EXPECT_EQ(dialog.errorWord()->text(), QStringLiteral("recieve"));
    dialog.skipButton()->click();
    EXPECT_EQ(dialog.errorWord()->text(), QStringLiteral("teh"));
    dialog.skipButton()->click();
    EXPECT_EQ(dialog.errorWord()->text(), QStringLiteral("teh"));
    EXPECT_TRUE(dialogs.infos().isEmpty());
    dialog.skipButton()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialogs.infos(), QStringList{QStringLiteral("Spell check complete")});
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(highlights.back(), std::make_pair(0, 0));
    EXPECT_TRUE(doc.plainText().startsWith(QStringLiteral("Dear Mr Smith, I recieve")));
}

TEST_F(Spelling, DialogOnACleanLetterCompletesAtOnce) {
    richtext::RichDocument doc;
    doc.loadPlainText(QStringLiteral("Dear Mr Smith, thank you for your letter."));
    common::ScriptedDialogs dialogs;
    spelling::ui::TSpellCheckDialog dialog(doc, dialogs, {}, nullptr, kMain, userPath());
    dialog.show();
    for (int i = 0; i < 5 && dialog.isVisible(); ++i) QApplication::processEvents();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialogs.infos(), QStringList{QStringLiteral("Spell check complete")});
}
