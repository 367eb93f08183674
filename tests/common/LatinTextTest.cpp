// Which characters Windows-1252 cannot hold, and their nearest Latin spelling.
#include <gtest/gtest.h>

#include "common/LatinText.h"

using namespace brindle::common;

namespace {
QString u(const char* utf8) { return QString::fromUtf8(utf8); }
}  // namespace

TEST(LatinText, FindsEachUnstorableCharacterOnce) {
    EXPECT_TRUE(unstorableCharacters(u("Müller, José, Ørsted, straße, Œuvre, 50 €")).isEmpty());
    EXPECT_TRUE(unstorableCharacters(u("Wa??sa")).isEmpty());  // a typed "?" is stored as it is
    EXPECT_EQ(unstorableCharacters(u("Wałęsa łę")), (QList<char32_t>{U'ł', U'ę'}));
    EXPECT_EQ(unstorableCharacters(u("Жук")), (QList<char32_t>{U'Ж', U'у', U'к'}));
    // A character outside the basic plane counts once, not as two halves.
    EXPECT_EQ(unstorableCharacters(u("a😀b")), QList<char32_t>{U'😀'});
    // An accent typed as a separate mark joins its letter, which the file holds.
    EXPECT_TRUE(unstorableCharacters(u("Jose\u0301")).isEmpty());
    EXPECT_EQ(storableForm(u("Jose\u0301")), u("José"));
}

TEST(LatinText, NearestLatinSpellings) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"Wałęsa", "Walesa"},
        {"Łukasz Żółć", "Lukasz Zólc"},  // ó is held as it is
        {"Müller José Ørsted straße", "Müller José Ørsted straße"},
        {"Dvořák Čapek Őry Ștefan Đorđe", "Dvorák Capek Ory Stefan Dorde"},
        {"İstanbul ılık", "Istanbul ilik"},
        {"Дмитрий Шостакович", "Dmitriy Shostakovich"},
        {"Юлия Щукина", "Yuliya Shchukina"},
        {"Ґанна Їжак", "Ganna Yizhak"},
        {"Αθήνα", "Athina"},
        {"ﬁle №5 ①", "file No5 1"},
        {"a\u2011b \u2212 c", "a-b - c"},
        {"漢字 ok", " ok"},  // no Latin spelling: left out
        {"Jose\u0301", "José"},
        {"", ""},
    };
    for (const auto& c : cases) {
        const QString out = toNearestLatin(u(c.in));
        EXPECT_EQ(out, u(c.out)) << c.in;
        EXPECT_TRUE(unstorableCharacters(out).isEmpty()) << c.in;
    }
    EXPECT_EQ(nearestLatin(U'Ł'), u("L"));
    EXPECT_EQ(nearestLatin(U'Ж'), u("Zh"));
    EXPECT_EQ(nearestLatin(U'é'), u("é"));
    EXPECT_EQ(nearestLatin(U'漢'), QString());
}
