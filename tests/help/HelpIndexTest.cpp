#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QHash>
#include <QSet>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "help/HelpIndex.h"
#include "help/HelpTopics.h"

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

namespace {

// The arguments of a call whose opening parenthesis is at `open`, split at
// top-level commas (parentheses and string literals respected).
QStringList callArguments(const QString& text, qsizetype open) {
    QStringList args;
    QString current;
    int depth = 0;
    bool inString = false;
    for (qsizetype i = open + 1; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inString) {
            current += c;
            if (c == QLatin1Char('\\') && i + 1 < text.size()) current += text[++i];
            else if (c == QLatin1Char('"')) inString = false;
            continue;
        }
        if (c == QLatin1Char('"')) inString = true;
        if (c == QLatin1Char('(')) ++depth;
        if (c == QLatin1Char(')') && depth-- == 0) {
            args << current.trimmed();
            return args;
        }
        if (c == QLatin1Char(',') && depth == 0) {
            args << current.trimmed();
            current.clear();
            continue;
        }
        current += c;
    }
    return {};
}

// Every help topic the program's source opens: the topic arguments of the
// routines that open help, as number literals or as named constants defined
// in the source ("constexpr int MainWindow = 1029;"). Arguments that only
// pass a topic on (a parameter such as helpTopic_) are left to their callers.
// `unknown` collects arguments that are neither.
QSet<int> topicsOpenedBySource(QStringList* unknown) {
    struct Opener {
        const char* name;
        int argument;
    };
    const Opener openers[] = {{"HelpDialog", 0},    {"ReindexWindow", 0},  {"DesignDialog", 1},
                              {"showHelpTopic", 0}, {"openHelpTopic", 0},  {"installHelpKey", 1},
                              {"addHelpKey", 1}};
    const QStringList passedOn = {"helpTopic", "helpTopic_", "topic", "t"};
    QStringList sources;
    QDirIterator it(QStringLiteral(BRINDLE_SOURCE_DIR "/src"), {"*.cpp", "*.h"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly)) sources << QString::fromUtf8(f.readAll());
    }
    QHash<QString, int> constants;
    const QRegularExpression constant(QStringLiteral("\\b(\\w+)\\s*=\\s*(\\d+)\\s*;"));
    for (const QString& text : sources)
        for (auto m = constant.globalMatch(text); m.hasNext();) {
            const auto c = m.next();
            constants.insert(c.captured(1), c.captured(2).toInt());
        }
    QSet<int> topics;
    for (const QString& text : sources)
        for (const Opener& o : openers) {
            const QRegularExpression call(QStringLiteral("\\b%1\\s*\\(").arg(QLatin1String(o.name)));
            for (auto m = call.globalMatch(text); m.hasNext();) {
                const QStringList args = callArguments(text, m.next().capturedEnd() - 1);
                if (args.size() <= o.argument) continue;
                // The last word of the argument: "topic::MainWindow" -> "MainWindow", "int helpTopic" -> "helpTopic".
                const QString arg = args[o.argument];
                const QString word = arg.section(QRegularExpression(QStringLiteral("[^\\w]+")), -1, -1,
                                                 QString::SectionSkipEmpty);
                bool number = false;
                const int n = word.toInt(&number);
                if (number) topics.insert(n);
                else if (constants.contains(word)) topics.insert(constants.value(word));
                else if (!passedOn.contains(word)) *unknown << QLatin1String(o.name) + QLatin1Char('(') + arg;
            }
        }
    return topics;
}

}  // namespace

TEST(HelpIndex, EveryTopicTheProgramOpensHasAPage) {
    HelpIndex index(kHelpDir);
    ASSERT_FALSE(index.isEmpty()) << index.error().toStdString();
    QStringList unknown;
    QSet<int> topics = topicsOpenedBySource(&unknown);
    EXPECT_TRUE(unknown.isEmpty()) << unknown.join(QStringLiteral(" | ")).toStdString();
    // The walk finds windows of every area, named and numbered alike.
    for (int known : {0, 1029, 1033, 1074, 1091, 40001, 911})
        EXPECT_TRUE(topics.contains(known)) << known;
    // The table of named topics lists every topic a window opens, once, and
    // each of its topics needs a page too (some are only linked to).
    QSet<int> named;
    for (const auto& t : brindle::help::topic::all) {
        EXPECT_FALSE(named.contains(t.number)) << t.name << " repeats " << t.number;
        named.insert(t.number);
    }
    for (int n : std::as_const(topics))
        EXPECT_TRUE(named.contains(n)) << n << " is opened but missing from help::topic::all";
    topics.unite(named);
    // Links of the Getting Started page open topics too.
    for (const char* link : {"NEW", "DBASE", "ASCII", "ADD", "CHANGE", "FIND", "DELETE", "TECHNICAL SUPPORT",
                             "FREQUENTLY ASKED QUESTIONS"})
        topics.insert(brindle::help::gettingStartedLinkTopic(QLatin1String(link)));
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
