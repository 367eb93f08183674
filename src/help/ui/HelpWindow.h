#pragma once
// The help window: contents list, keyword search and the page itself. One
// window serves the whole program (see ShowHelp.h); it is never modal.
#include <QString>
#include <QUrl>
#include <QWidget>
#include <memory>

#include "help/HelpIndex.h"

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabWidget;
class QTextBrowser;

namespace brindle::help {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(const QString& folder, QWidget* parent = nullptr);
    ~HelpWindow() override;

    // Shows a page; an unknown topic or page shows a short "no help" page.
    void showTopic(int topic);
    void showPage(const QString& link);
    void showContents();
    // Brings the search tab forward with the query typed in and its results listed.
    void showSearch(const QString& query = QString());
    // Follows a link as a click in the page would.
    void followLink(const QUrl& url);

    const HelpIndex& index() const { return *index_; }
    // Name of the page shown ("1030", "getting-started"); empty for the "no help" page.
    QString currentPage() const { return current_; }
    int currentTopic() const;
    QTextBrowser* browser() const { return browser_; }
    QListWidget* contentsList() const { return contentsList_; }
    QListWidget* resultList() const { return resultList_; }
    QLineEdit* searchEdit() const { return searchEdit_; }

    void back();
    void forward();

private:
    void display(const HelpTopic* topic, const QString& missing, bool record);
    void runSearch();
    void openItem(QListWidgetItem* item);
    void updateButtons();

    std::unique_ptr<HelpIndex> index_;
    QTabWidget* tabs_ = nullptr;
    QListWidget* contentsList_ = nullptr;
    QLineEdit* searchEdit_ = nullptr;
    QListWidget* resultList_ = nullptr;
    QTextBrowser* browser_ = nullptr;
    QPushButton* backButton_ = nullptr;
    QPushButton* forwardButton_ = nullptr;
    QString current_;
    QStringList history_;   // page names; "" for the "no help" page
    qsizetype historyPos_ = -1;
};

}  // namespace brindle::help
