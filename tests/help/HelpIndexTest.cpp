#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "help/HelpIndex.h"

using brindle::help::HelpIndex;
using brindle::help::HelpTopic;

namespace {

const QString kHelpDir = QStringLiteral(BRINDLE_SOURCE_DIR "/data/help");

QList<int> numbers(const QList<const HelpTopic*>& topics) {
    QList<int> n;
    for (const HelpTopic* t : topics) n << t->number;
    return n;
}

void writeFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

}  // namespace

TEST(HelpIndex, EveryTopicTheProgramOpensHasAPage) {
    HelpIndex index(kHelpDir);
    ASSERT_FALSE(index.isEmpty()) << index.error().toStdString();
    const int topics[] = {0, 1029, 1037, 2097, 1038, 1040, 1039, 1021, 1023, 1030, 1026, 2099, 1015, 2098, 911, 1031};
    for (int n : topics) {
        const HelpTopic* t = index.topic(n);
        ASSERT_NE(t, nullptr) << n;
        const QString html = index.html(*t);
        // The page's own title agrees with the index, and there is real text.
        const auto m = QRegularExpression(QStringLiteral("<title>(.*)</title>")).match(html);
        ASSERT_TRUE(m.hasMatch()) << n;
        EXPECT_EQ(m.captured(1).replace(QStringLiteral("&amp;"), QStringLiteral("&")), t->title) << n;
        EXPECT_GT(t->words.split(QLatin1Char(' ')).size(), 40) << n;
        EXPECT_FALSE(html.contains(QStringLiteral("http"), Qt::CaseInsensitive)) << n;
    }
    EXPECT_EQ(index.contents().first().number, HelpIndex::ContentsTopic);
}

TEST(HelpIndex, EveryLinkBetweenPagesLeadsSomewhere) {
    HelpIndex index(kHelpDir);
    const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
    int links = 0;
    for (const HelpTopic& t : index.contents()) {
        auto it = href.globalMatch(index.html(t));
        while (it.hasNext()) {
            const QString link = it.next().captured(1);
            ++links;
            EXPECT_TRUE(index.page(link) || brindle::help::gettingStartedLinkTopic(link) >= 0)
                << t.name.toStdString() << " -> " << link.toStdString();
        }
    }
    EXPECT_GT(links, 20);
}

TEST(HelpIndex, GettingStartedLinksMapToTheirTopics) {
    HelpIndex index(kHelpDir);
    const HelpTopic* start = index.page(QStringLiteral("getting-started"));
    ASSERT_NE(start, nullptr);
    const QString html = index.html(*start);
    const struct {
        const char* link;
        int topic;
    } links[] = {{"NEW", 1037},    {"DBASE", 1021}, {"ASCII", 1023},  {"ADD", 1030},
                 {"CHANGE", 1030}, {"FIND", 1026},  {"DELETE", 2099}, {"TECHNICAL SUPPORT", 1015},
                 {"FREQUENTLY ASKED QUESTIONS", 2098}};
    for (const auto& l : links) {
        EXPECT_TRUE(html.contains(QStringLiteral("href=\"%1\"").arg(QLatin1String(l.link)))) << l.link;
        EXPECT_EQ(brindle::help::gettingStartedLinkTopic(QLatin1String(l.link)), l.topic);
        EXPECT_EQ(brindle::help::gettingStartedLinkTopic(QString::fromLatin1(l.link).toLower()), l.topic);
        EXPECT_NE(index.topic(l.topic), nullptr);
    }
    EXPECT_EQ(brindle::help::gettingStartedLinkTopic(QStringLiteral("NEWS")), -1);
    EXPECT_EQ(brindle::help::gettingStartedLinkTopic(QString()), -1);
}

TEST(HelpIndex, PagesAreFoundByNumberFileNameOrLink) {
    HelpIndex index(kHelpDir);
    for (const char* link : {"1030", "1030.html", "topic:1030", "./1030.html#carry", "/some/folder/1030.HTML"}) {
        const HelpTopic* t = index.page(QLatin1String(link));
        ASSERT_NE(t, nullptr) << link;
        EXPECT_EQ(t->number, 1030) << link;
    }
    EXPECT_EQ(index.page(QStringLiteral("GETTING-STARTED.html"))->name, QStringLiteral("getting-started"));
    EXPECT_EQ(index.page(QStringLiteral("getting-started"))->number, -1);
    EXPECT_EQ(index.topic(4242), nullptr);
    EXPECT_EQ(index.topic(-1), nullptr);
    EXPECT_EQ(index.page(QStringLiteral("9999.html")), nullptr);
    EXPECT_EQ(index.page(QStringLiteral("nosuchpage")), nullptr);
    EXPECT_EQ(index.page(QString()), nullptr);
}

TEST(HelpIndex, KeywordSearchLooksAtTitlesKeywordsAndText) {
    HelpIndex index(kHelpDir);
    // keywords, either letter case
    EXPECT_TRUE(numbers(index.search(QStringLiteral("MODEM"))).contains(1031));
    const auto reindex = numbers(index.search(QStringLiteral("reindex")));
    EXPECT_TRUE(reindex.contains(1040));
    EXPECT_TRUE(reindex.contains(1039));
    // every word must match; title matches rank first
    const auto dbf = numbers(index.search(QStringLiteral("import dbf")));
    ASSERT_FALSE(dbf.isEmpty());
    EXPECT_EQ(dbf.first(), 1021);
    EXPECT_FALSE(dbf.contains(1023));
    EXPECT_EQ(numbers(index.search(QStringLiteral("Preferences"))).first(), 1038);
    // a word that only the page text holds, matched at the start of a word
    EXPECT_TRUE(numbers(index.search(QStringLiteral("handset"))).contains(1031));
    EXPECT_FALSE(numbers(index.search(QStringLiteral("andset"))).contains(1031));
    EXPECT_TRUE(index.search(QStringLiteral("xylophone")).isEmpty());
    EXPECT_TRUE(index.search(QStringLiteral("  ,; ")).isEmpty());
}

TEST(HelpIndex, ReadsItsOwnIndexFormatAndSurvivesBadLines) {
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("index.txt")),
              "# comment\n"
              "7 | Seventh | alpha, beta\n"
              "\n"
              "bad line without bars\n"
              " | No name | x\n"
              "3 | Third | gamma\n"
              "7 | Listed twice | delta\n"
              "notes | Notes | epsilon\n");
    writeFile(dir.filePath(QStringLiteral("7.html")), "<html><head><title>Seventh</title></head><body>Zeta &amp; eta</body></html>");
    writeFile(dir.filePath(QStringLiteral("notes.html")), "<p>Theta</p>");
    HelpIndex index(dir.path());
    ASSERT_EQ(index.contents().size(), 3);
    EXPECT_EQ(index.contents()[0].number, 7);
    EXPECT_EQ(index.contents()[1].number, 3);
    EXPECT_EQ(index.contents()[2].name, QStringLiteral("notes"));
    EXPECT_EQ(index.topic(7)->title, QStringLiteral("Seventh"));
    EXPECT_EQ(index.topic(7)->keywords, QStringList({QStringLiteral("alpha"), QStringLiteral("beta")}));
    // page 3 is listed but its file is missing: it is known, with no text
    EXPECT_TRUE(index.html(*index.topic(3)).isEmpty());
    EXPECT_EQ(numbers(index.search(QStringLiteral("zeta"))), QList<int>{7});
    EXPECT_TRUE(index.search(QStringLiteral("seventh head")).isEmpty());  // markup is not text
    EXPECT_TRUE(index.search(QStringLiteral("delta")).isEmpty());

    HelpIndex missing(dir.filePath(QStringLiteral("nowhere")));
    EXPECT_TRUE(missing.isEmpty());
    EXPECT_FALSE(missing.error().isEmpty());
    EXPECT_EQ(missing.topic(0), nullptr);
}
