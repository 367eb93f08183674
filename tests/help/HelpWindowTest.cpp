#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QScreen>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

#include "help/ui/HelpWindow.h"
#include "help/ui/ShowHelp.h"

using brindle::help::HelpWindow;

namespace {

const QString kHelpDir = QStringLiteral(BRINDLE_SOURCE_DIR "/data/help");

// Clicks the first link whose text is linkText, as the user would.
bool clickLink(QTextBrowser* browser, const QString& linkText) {
    QTextDocument* doc = browser->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (!f.charFormat().isAnchor() || f.text() != linkText) continue;
            QTextCursor c(doc);
            c.setPosition(f.position() + 1);
            const QPoint p = browser->cursorRect(c).center();
            QWidget* vp = browser->viewport();
            QMouseEvent press(QEvent::MouseButtonPress, p, vp->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(vp, &press);
            QMouseEvent release(QEvent::MouseButtonRelease, p, vp->mapToGlobal(p), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(vp, &release);
            return true;
        }
    return false;
}

}  // namespace

TEST(HelpWindow, ShowsTopicsAndFollowsLinksWithHistory) {
    HelpWindow w(kHelpDir);
    w.show();
    w.showTopic(1030);
    EXPECT_EQ(w.currentTopic(), 1030);
    EXPECT_TRUE(w.browser()->toPlainText().contains(QStringLiteral("Adding a record")));
    EXPECT_TRUE(w.windowTitle().contains(QStringLiteral("Adding and Changing Records")));

    ASSERT_TRUE(clickLink(w.browser(), QStringLiteral("Preferences")));
    EXPECT_EQ(w.currentTopic(), 1038);
    w.followLink(QUrl(QStringLiteral("topic:2099")));
    EXPECT_EQ(w.currentTopic(), 2099);
    w.back();
    EXPECT_EQ(w.currentTopic(), 1038);
    w.back();
    EXPECT_EQ(w.currentTopic(), 1030);
    w.forward();
    EXPECT_EQ(w.currentTopic(), 1038);
    // A new page after going back drops the pages ahead.
    w.followLink(QUrl(QStringLiteral("1026.html")));
    w.forward();
    EXPECT_EQ(w.currentTopic(), 1026);

    // Links of the Getting Started page name subjects.
    w.showPage(QStringLiteral("getting-started"));
    ASSERT_TRUE(clickLink(w.browser(), QStringLiteral("TECHNICAL SUPPORT")));
    EXPECT_EQ(w.currentTopic(), 1015);
}

TEST(HelpWindow, MissingTopicShowsAFriendlyPage) {
    HelpWindow w(kHelpDir);
    w.show();
    w.showTopic(4242);
    EXPECT_EQ(w.currentPage(), QString());
    EXPECT_TRUE(w.browser()->toPlainText().contains(QStringLiteral("No help is available on this subject yet")));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // its contents link works
    ASSERT_TRUE(clickLink(w.browser(), QStringLiteral("contents")));
    EXPECT_EQ(w.currentTopic(), 0);

    HelpWindow empty(QStringLiteral("/nonexistent/help"));
    empty.showContents();
    EXPECT_TRUE(empty.browser()->toPlainText().contains(QStringLiteral("No help is available")));
}

TEST(HelpWindow, ContentsAndSearchListsOpenPages) {
    HelpWindow w(kHelpDir);
    w.show();
    w.showContents();
    EXPECT_EQ(w.currentTopic(), 0);
    EXPECT_EQ(w.contentsList()->count(), w.index().contents().size());
    emit w.contentsList()->itemActivated(w.contentsList()->item(2));
    EXPECT_EQ(w.currentPage(), w.index().contents().at(2).name);
    EXPECT_EQ(w.contentsList()->currentRow(), 2);

    w.showSearch(QStringLiteral("modem"));
    ASSERT_GE(w.resultList()->count(), 1);
    emit w.searchEdit()->returnPressed();
    EXPECT_EQ(w.currentTopic(), 1031);
    w.searchEdit()->setText(QStringLiteral("xylophone"));
    ASSERT_EQ(w.resultList()->count(), 1);
    EXPECT_EQ(w.resultList()->item(0)->flags(), Qt::NoItemFlags);
}

TEST(ShowHelp, OneWindowServesTheProgramAndWorksBesideModalDialogs) {
    brindle::help::setHelpFolder(kHelpDir);
    brindle::help::showHelpTopic(1029);
    HelpWindow* w = brindle::help::currentHelpWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->currentTopic(), 1029);
    brindle::help::showHelpContents();
    EXPECT_EQ(brindle::help::currentHelpWindow(), w);
    EXPECT_EQ(w->currentTopic(), 0);

    {
        QDialog dialog;
        dialog.setModal(true);
        dialog.show();
        ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
        brindle::help::showHelpTopic(1038, &dialog);
        EXPECT_EQ(brindle::help::currentHelpWindow(), w);
        EXPECT_EQ(w->parentWidget(), &dialog);  // not blocked by the dialog
        dialog.hide();
        EXPECT_EQ(w->parentWidget(), nullptr);  // freed when the dialog goes away
        EXPECT_TRUE(w->isVisible());
    }
    ASSERT_EQ(brindle::help::currentHelpWindow(), w);
    brindle::help::showHelpSearch();
    EXPECT_TRUE(w->searchEdit()->isVisible());
    delete w;
    EXPECT_EQ(brindle::help::currentHelpWindow(), nullptr);
    brindle::help::setHelpFolder(QString());
}

TEST(ShowHelp, OpensCentredOnTheMainWindowAndInsideTheScreen) {
    brindle::help::setHelpFolder(kHelpDir);
    QMainWindow main;
    const QRect screen = main.screen()->availableGeometry();
    main.setGeometry(QRect(QPoint(0, 0), screen.size() * 0.6).translated(screen.topLeft() + QPoint(screen.width() / 5, screen.height() / 5)));
    main.show();
    {
        // Asked from a dialog of the main window, the window is centred on the main window.
        QDialog dialog(&main);
        dialog.setGeometry(screen.left(), screen.top(), 200, 100);
        dialog.show();
        brindle::help::showHelpTopic(1033, &dialog);
        HelpWindow* w = brindle::help::currentHelpWindow();
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(screen.contains(w->frameGeometry())) << w->frameGeometry().x() << "," << w->frameGeometry().width();
        EXPECT_LE((w->frameGeometry().center() - main.frameGeometry().center()).manhattanLength(), 4);
        // Once open it stays where it is.
        w->move(w->pos() + QPoint(10, 10));
        const QPoint moved = w->pos();
        brindle::help::showHelpTopic(1034, &main);
        EXPECT_EQ(w->pos(), moved);
        delete w;
    }
    // A main window at the edge of the screen: the help window stays inside it.
    main.move(screen.right() - main.width() / 3, screen.bottom() - main.height() / 3);
    brindle::help::showHelpTopic(1029, &main);
    HelpWindow* w = brindle::help::currentHelpWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(screen.contains(w->frameGeometry()));
    delete w;
    brindle::help::setHelpFolder(QString());
}
