#include "help/ui/HelpWindow.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace brindle::help {
namespace {

constexpr int kNameRole = Qt::UserRole + 1;

QString missingPage(const QString& what) {
    return QStringLiteral(
               "<html><head><title>No help available</title></head><body>"
               "<h2>No help available</h2>"
               "<p>No help is available on this subject yet%1.</p>"
               "<p>The <a href=\"topic:0\">contents</a> list every subject that has a page, and the "
               "Search tab finds pages by keyword.</p></body></html>")
        .arg(what.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(what.toHtmlEscaped()));
}

QListWidgetItem* itemFor(const HelpTopic& t) {
    auto* item = new QListWidgetItem(t.title);
    item->setData(kNameRole, t.name);
    return item;
}

}  // namespace

HelpWindow::HelpWindow(const QString& folder, QWidget* parent)
    : QWidget(parent, Qt::Window), index_(std::make_unique<HelpIndex>(folder)) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Brindle Help"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    tabs_ = new QTabWidget;
    contentsList_ = new QListWidget;
    contentsList_->setWordWrap(true);
    for (const HelpTopic& t : index_->contents()) contentsList_->addItem(itemFor(t));
    tabs_->addTab(contentsList_, QStringLiteral("&Contents"));

    auto* searchPage = new QWidget;
    auto* searchLayout = new QVBoxLayout(searchPage);
    auto* searchLabel = new QLabel(QStringLiteral("&Type a word to look for:"));
    searchEdit_ = new QLineEdit;
    searchEdit_->setClearButtonEnabled(true);
    searchLabel->setBuddy(searchEdit_);
    resultList_ = new QListWidget;
    resultList_->setWordWrap(true);
    searchLayout->addWidget(searchLabel);
    searchLayout->addWidget(searchEdit_);
    searchLayout->addWidget(resultList_, 1);
    tabs_->addTab(searchPage, QStringLiteral("&Search"));

    browser_ = new QTextBrowser;
    browser_->setOpenLinks(false);
    browser_->setOpenExternalLinks(false);

    auto* splitter = new QSplitter;
    splitter->addWidget(tabs_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({270, 550});

    backButton_ = new QPushButton(QStringLiteral("&Back"));
    forwardButton_ = new QPushButton(QStringLiteral("&Forward"));
    auto* contentsButton = new QPushButton(QStringLiteral("C&ontents"));
    auto* closeButton = new QPushButton(QStringLiteral("Close"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(backButton_);
    buttons->addWidget(forwardButton_);
    buttons->addWidget(contentsButton);
    buttons->addStretch(1);
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(splitter, 1);
    resize(820, 560);

    connect(browser_, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);
    connect(contentsList_, &QListWidget::itemActivated, this, &HelpWindow::openItem);
    connect(contentsList_, &QListWidget::itemClicked, this, &HelpWindow::openItem);
    connect(resultList_, &QListWidget::itemActivated, this, &HelpWindow::openItem);
    connect(resultList_, &QListWidget::itemClicked, this, &HelpWindow::openItem);
    connect(searchEdit_, &QLineEdit::textChanged, this, &HelpWindow::runSearch);
    connect(searchEdit_, &QLineEdit::returnPressed, this, [this] {
        if (resultList_->count() > 0) openItem(resultList_->item(0));
    });
    connect(backButton_, &QPushButton::clicked, this, &HelpWindow::back);
    connect(forwardButton_, &QPushButton::clicked, this, &HelpWindow::forward);
    connect(contentsButton, &QPushButton::clicked, this, &HelpWindow::showContents);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    auto* backKey = new QShortcut(QKeySequence::Back, this);
    connect(backKey, &QShortcut::activated, this, &HelpWindow::back);
    updateButtons();
}

HelpWindow::~HelpWindow() = default;

int HelpWindow::currentTopic() const {
    const HelpTopic* t = index_->page(current_);
    return t ? t->number : -1;
}

void HelpWindow::display(const HelpTopic* topic, const QString& missing, bool record) {
    const QString pageHtml = topic ? index_->html(*topic) : QString();
    const bool found = !pageHtml.isEmpty();
    const QString name = found ? topic->name : QString();
    browser_->setHtml(found ? pageHtml : missingPage(topic ? topic->title : missing));
    current_ = name;
    setWindowTitle(found ? QStringLiteral("Brindle Help - %1").arg(topic->title) : QStringLiteral("Brindle Help"));

    if (record) {
        history_ = history_.mid(0, historyPos_ + 1);
        if (history_.isEmpty() || history_.constLast() != name || name.isEmpty()) history_.append(name);
        historyPos_ = history_.size() - 1;
    }
    {
        const QSignalBlocker block(contentsList_);
        contentsList_->setCurrentRow(-1);
        for (int i = 0; i < contentsList_->count(); ++i)
            if (found && contentsList_->item(i)->data(kNameRole).toString() == name) contentsList_->setCurrentRow(i);
    }
    updateButtons();
}

void HelpWindow::showTopic(int topic) {
    display(index_->topic(topic), QStringLiteral("topic %1").arg(topic), true);
}

void HelpWindow::showPage(const QString& link) { display(index_->page(link), link, true); }

void HelpWindow::showContents() {
    tabs_->setCurrentIndex(0);
    showTopic(HelpIndex::ContentsTopic);
}

void HelpWindow::showSearch(const QString& query) {
    tabs_->setCurrentIndex(1);
    if (!query.isNull()) searchEdit_->setText(query);
    runSearch();
    if (current_.isEmpty() && browser_->toPlainText().isEmpty()) showTopic(HelpIndex::ContentsTopic);
    searchEdit_->setFocus();
    searchEdit_->selectAll();
}

void HelpWindow::followLink(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto")) {
        QDesktopServices::openUrl(url);
        return;
    }
    const QString text = scheme == QLatin1String("topic") ? url.path() : url.toString(QUrl::PreferLocalFile);
    // Links of the Getting Started page name subjects rather than pages.
    const int startTopic = gettingStartedLinkTopic(QUrl::fromPercentEncoding(text.toUtf8()));
    if (startTopic >= 0) {
        showTopic(startTopic);
        return;
    }
    showPage(text);
}

void HelpWindow::back() {
    if (historyPos_ <= 0) return;
    --historyPos_;
    const QString name = history_.at(historyPos_);
    display(index_->page(name), QString(), false);
}

void HelpWindow::forward() {
    if (historyPos_ + 1 >= history_.size()) return;
    ++historyPos_;
    const QString name = history_.at(historyPos_);
    display(index_->page(name), QString(), false);
}

void HelpWindow::runSearch() {
    resultList_->clear();
    const QString query = searchEdit_->text();
    if (query.trimmed().isEmpty()) return;
    const auto hits = index_->search(query);
    for (const HelpTopic* t : hits) resultList_->addItem(itemFor(*t));
    if (hits.isEmpty()) {
        auto* none = new QListWidgetItem(QStringLiteral("(no pages found)"));
        none->setFlags(Qt::NoItemFlags);
        resultList_->addItem(none);
    }
}

void HelpWindow::openItem(QListWidgetItem* item) {
    if (!item) return;
    const QString name = item->data(kNameRole).toString();
    if (!name.isEmpty()) showPage(name);
}

void HelpWindow::updateButtons() {
    backButton_->setEnabled(historyPos_ > 0);
    forwardButton_->setEnabled(historyPos_ + 1 < history_.size());
}

}  // namespace brindle::help
