#pragma once
// The help pages: one HTML file per topic number in the help folder, listed
// with their titles and keywords in the folder's index.txt. The index answers
// lookups by topic number or page name, keyword searches and the contents
// order; it never opens a window.
#include <QList>
#include <QString>
#include <QStringList>

namespace brindle::help {

struct HelpTopic {
    int number = -1;       // topic number; -1 for a named page such as "getting-started"
    QString name;          // "1030" or "getting-started"; the file is name + ".html"
    QString title;
    QStringList keywords;  // as listed in index.txt
    QString words;         // the page's visible text, lower case, for searching
};

class HelpIndex {
public:
    static constexpr int ContentsTopic = 0;

    // Reads index.txt of the folder and the pages it lists. A missing folder or
    // index gives an empty index (error() says why); lines of index.txt that
    // cannot be used are skipped.
    explicit HelpIndex(const QString& folder);

    QString folder() const { return folder_; }
    QString error() const { return error_; }
    bool isEmpty() const { return topics_.isEmpty(); }

    // Every page in the order of index.txt, which is the contents order.
    const QList<HelpTopic>& contents() const { return topics_; }
    const HelpTopic* topic(int number) const;
    // By link text: "1030", "1030.html", "topic:1030", "getting-started.html"
    // (folders and a "#fragment" are ignored; letter case is not significant).
    const HelpTopic* page(const QString& link) const;
    // The page's HTML; empty when the file is missing.
    QString html(const HelpTopic& topic) const;
    QString filePath(const HelpTopic& topic) const;

    // Pages whose title, keywords or text hold every word of the query
    // (case-insensitive; page text by word prefix), best first: matches in the
    // title before keywords before text, then contents order.
    QList<const HelpTopic*> search(const QString& query) const;

private:
    QString folder_;
    QString error_;
    QList<HelpTopic> topics_;
};

// Topic opened by a link of the Getting Started page ("NEW", "DBASE", "ASCII",
// "ADD", "CHANGE", "FIND", "DELETE", "TECHNICAL SUPPORT",
// "FREQUENTLY ASKED QUESTIONS"; letter case ignored); -1 for any other text.
int gettingStartedLinkTopic(const QString& linkName);

// The folder the help window reads: the one set by setHelpFolder, else
// "help/" under the program's data root ($BRINDLE_HOME, the executable's
// folder when it holds sysdata/, else the user's data folder), else the
// installed share/brindle/help.
QString helpFolder();
void setHelpFolder(const QString& folder);

}  // namespace brindle::help
