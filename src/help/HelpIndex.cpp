#include "help/HelpIndex.h"

#include "help/HelpTopics.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextStream>
#include <algorithm>

namespace brindle::help {
namespace {

QString readText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

// Visible text of a page, lower case, with tags and entities turned into blanks.
QString visibleWords(const QString& html) {
    static const QRegularExpression head(QStringLiteral("<(head|style|script)[^>]*>.*?</\\1>"),
                                         QRegularExpression::CaseInsensitiveOption |
                                             QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    static const QRegularExpression entity(QStringLiteral("&[#a-zA-Z0-9]+;"));
    QString s = html;
    s.replace(head, QStringLiteral(" "));
    s.replace(tag, QStringLiteral(" "));
    s.replace(entity, QStringLiteral(" "));
    return s.simplified().toLower();
}

QStringList queryWords(const QString& query) {
    static const QRegularExpression sep(QStringLiteral("[^\\w]+"));
    return query.toLower().split(sep, Qt::SkipEmptyParts);
}

bool hasWordStartingWith(const QString& text, const QString& word) {
    qsizetype from = 0;
    while ((from = text.indexOf(word, from)) >= 0) {
        if (from == 0 || !text.at(from - 1).isLetterOrNumber()) return true;
        ++from;
    }
    return false;
}

QString& folderOverride() {
    static QString folder;
    return folder;
}

}  // namespace

HelpIndex::HelpIndex(const QString& folder) : folder_(folder) {
    const QString indexPath = QDir(folder).filePath(QStringLiteral("index.txt"));
    QFile f(indexPath);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error_ = QStringLiteral("The help index %1 cannot be read.").arg(QDir::toNativeSeparators(indexPath));
        return;
    }
    QTextStream in(&f);
    in.setEncoding(QStringConverter::Utf8);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const QStringList parts = line.split(QLatin1Char('|'));
        if (parts.size() != 3) continue;
        HelpTopic t;
        t.name = parts[0].trimmed();
        if (t.name.isEmpty() || page(t.name)) continue;  // nameless or listed twice
        bool isNumber = false;
        const int n = t.name.toInt(&isNumber);
        t.number = isNumber && n >= 0 ? n : -1;
        t.title = parts[1].trimmed();
        for (const QString& k : parts[2].split(QLatin1Char(','), Qt::SkipEmptyParts))
            if (!k.trimmed().isEmpty()) t.keywords << k.trimmed();
        t.words = visibleWords(readText(filePath(t)));
        topics_.append(t);
    }
}

const HelpTopic* HelpIndex::topic(int number) const {
    if (number < 0) return nullptr;
    for (const HelpTopic& t : topics_)
        if (t.number == number) return &t;
    return nullptr;
}

const HelpTopic* HelpIndex::page(const QString& link) const {
    QString s = link.trimmed();
    if (s.startsWith(QLatin1String("topic:"), Qt::CaseInsensitive)) s = s.mid(6);
    const qsizetype hash = s.indexOf(QLatin1Char('#'));
    if (hash >= 0) s.truncate(hash);
    const qsizetype slash = s.lastIndexOf(QLatin1Char('/'));
    if (slash >= 0) s = s.mid(slash + 1);
    if (s.endsWith(QLatin1String(".html"), Qt::CaseInsensitive)) s.chop(5);
    else if (s.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive)) s.chop(4);
    if (s.isEmpty()) return nullptr;
    bool isNumber = false;
    const int n = s.toInt(&isNumber);
    if (isNumber) return topic(n);
    for (const HelpTopic& t : topics_)
        if (t.name.compare(s, Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

QString HelpIndex::filePath(const HelpTopic& topic) const {
    return QDir(folder_).filePath(topic.name + QStringLiteral(".html"));
}

QString HelpIndex::html(const HelpTopic& topic) const { return readText(filePath(topic)); }

QList<const HelpTopic*> HelpIndex::search(const QString& query) const {
    const QStringList words = queryWords(query);
    if (words.isEmpty()) return {};
    struct Hit {
        const HelpTopic* topic;
        int score;
        qsizetype order;
    };
    QList<Hit> hits;
    for (qsizetype i = 0; i < topics_.size(); ++i) {
        const HelpTopic& t = topics_[i];
        const QString title = t.title.toLower();
        const QString keys = t.keywords.join(QLatin1Char(',')).toLower();
        int score = 0;
        bool all = true;
        for (const QString& w : words) {
            int best = 0;
            if (title.contains(w)) best = 3;
            else if (keys.contains(w)) best = 2;
            else if (hasWordStartingWith(t.words, w)) best = 1;
            if (best == 0) {
                all = false;
                break;
            }
            score += best;
        }
        if (all) hits.append({&t, score, i});
    }
    std::stable_sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) { return a.score > b.score; });
    QList<const HelpTopic*> result;
    for (const Hit& h : hits) result.append(h.topic);
    return result;
}

int gettingStartedLinkTopic(const QString& linkName) {
    static const struct {
        const char* name;
        int topic;
    } links[] = {{"NEW", topic::NewDatabase},
                 {"DBASE", topic::ImportDbf},
                 {"ASCII", topic::ImportAscii},
                 {"ADD", topic::AddingAndChanging},
                 {"CHANGE", topic::AddingAndChanging},
                 {"FIND", topic::SearchBox},
                 {"DELETE", topic::DeletingRecords},
                 {"TECHNICAL SUPPORT", topic::TechnicalSupport},
                 {"FREQUENTLY ASKED QUESTIONS", topic::FaqPage}};
    const QString s = linkName.trimmed();
    for (const auto& l : links)
        if (s.compare(QLatin1String(l.name), Qt::CaseInsensitive) == 0) return l.topic;
    return -1;
}

void setHelpFolder(const QString& folder) { folderOverride() = folder; }

QString helpFolder() {
    if (!folderOverride().isEmpty()) return folderOverride();
    QStringList roots;
    const QString home = qEnvironmentVariable("BRINDLE_HOME");
    if (!home.isEmpty()) roots << home;
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (!exeDir.isEmpty() && QFileInfo(QDir(exeDir).filePath(QStringLiteral("sysdata"))).isDir()) roots << exeDir;
    QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (xdg.isEmpty()) xdg = QDir::homePath() + QStringLiteral("/.local/share");
    roots << xdg + QStringLiteral("/brindle");
    for (const QString& root : roots) {
        const QString dir = QDir(root).filePath(QStringLiteral("help"));
        if (QFileInfo(QDir(dir).filePath(QStringLiteral("index.txt"))).isFile()) return dir;
    }
    const QString installed = QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("brindle/help"),
                                                     QStandardPaths::LocateDirectory);
    if (!installed.isEmpty()) return installed;
    return QDir(roots.isEmpty() ? exeDir : roots.first()).filePath(QStringLiteral("help"));
}

}  // namespace brindle::help
