// What the address windows show: whole texts and titles, steady sizes, the
// words of this platform, and help on a right click. With BRINDLE_DIALOG_SHOTS
// naming a folder, pictures of the windows are kept there to be looked at.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDBusConnection>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QHeaderView>
#include <QScreen>
#include <QWhatsThis>

#include "AddressTestSupport.h"
#include "address/ui/FilterWindows.h"
#include "address/ui/RecordDialogs.h"
#include "address/ui/TAddressMain.h"
#include "dialer/ui/TBRDialer.h"
#include "address/ui/TNewDataBaseName.h"
#include "dialer/ui/TfrmTAPICall.h"
#include "common/ui/Placement.h"

using namespace brindle;
using namespace brindle::address;
using namespace brindle::address::ui;
using brindle::addrtest::Fields;
using brindle::addrtest::OpenFile;
using brindle::addrtest::ProgramHome;
using brindle::addrtest::u;
using brindle::addrtest::keepShot;
using brindle::common::ScriptedDialogs;

namespace {

// Every label, button and edit of the window lies inside it and is not
// squeezed below what its text needs; the title fits the window's width.
void expectWhole(QWidget* window, const QString& name) {
    QApplication::processEvents();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->isWindow()) continue;
        if (!qobject_cast<QLabel*>(w) && !qobject_cast<QAbstractButton*>(w) && !qobject_cast<QLineEdit*>(w)) continue;
        if (qobject_cast<QWidget*>(w->parent()) && qobject_cast<QAbstractSpinBox*>(w->parentWidget())) continue;
        const QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
        EXPECT_TRUE(window->rect().contains(r)) << name.toStdString() << ": " << w->objectName().toStdString();
        EXPECT_GE(w->width(), w->minimumSizeHint().width()) << name.toStdString() << ": " << w->objectName().toStdString();
        if (auto* l = qobject_cast<QLabel*>(w); l && l->wordWrap())
            EXPECT_GE(l->height(), l->heightForWidth(l->width())) << name.toStdString() << ": " << l->text().toStdString();
        else
            EXPECT_GE(w->height(), w->minimumSizeHint().height()) << name.toStdString() << ": " << w->objectName().toStdString();
    }
    // Title bars of the usual desktops keep about 100 pixels for the icon and buttons.
    EXPECT_GE(window->width(), window->fontMetrics().horizontalAdvance(window->windowTitle()) + 100) << name.toStdString();
}

struct MainWithFile {
    ProgramHome home;
    ScriptedDialogs dialogs;
    TAddressMain w{dialogs};
    explicit MainWithFile(const std::vector<addrtest::Fields>& records) {
        addrtest::makeFile(home.data("ADD0001.DBF"), records);
        w.setGettingStartedAllowed(false);
        w.firstActivation();
    }
};

const std::vector<addrtest::Fields> kPeople = {
    {{"LNAME", "Müller-Lüdenscheidt"}, {"FNAME", "José"}, {"CITY", "Zürich"}, {"ORG", "Ærø Shipping & Co."},
     {"STREET", "Große Straße 1"}, {"PHONE", "+41 44 555 01 00"}, {"EMAIL", "jose.mueller@example.com"}},
    {{"LNAME", "Adams"}, {"FNAME", "Ann"}, {"CITY", "Boston"}, {"STATE", "MA"}, {"ZIP", "02110"}},
};

}  // namespace

TEST(WindowLayout, SmallDialogsShowTheirTextsAndTitlesWhole) {
    ProgramHome home;
    {
        TNewDataBaseName dlg(QStringLiteral("ADD0002"), home.settings());
        dlg.adjustSize();
        dlg.show();
        dlg.nameEdit()->setText(QStringLiteral("1 bad"));  // the red message appears
        ASSERT_TRUE(dlg.invalidLabel()->isVisible());
        expectWhole(&dlg, QStringLiteral("new-database"));
        keepShot(&dlg, QStringLiteral("new-database-invalid"));
    }
    {
        TCopyToClipBoard dlg;
        dlg.adjustSize();
        dlg.show();
        expectWhole(&dlg, QStringLiteral("copy-to-clipboard"));
        keepShot(&dlg, QStringLiteral("copy-to-clipboard"));
    }
    {
        TGetFirstLastZip dlg({true, true}, 30, 30, 10);
        dlg.adjustSize();
        dlg.show();
        expectWhole(&dlg, QStringLiteral("new-record"));
        keepShot(&dlg, QStringLiteral("new-record"));
    }
    {
        TSearchBox dlg(QStringLiteral("Last Name"));
        dlg.adjustSize();
        dlg.show();
        expectWhole(&dlg, QStringLiteral("search"));
        keepShot(&dlg, QStringLiteral("search"));
    }
    {
        TDateSelector dlg(QDate(1997, 4, 28));
        dlg.adjustSize();
        dlg.show();
        expectWhole(&dlg, QStringLiteral("date"));
        keepShot(&dlg, QStringLiteral("date"));
    }
    {
        ScriptedDialogs dialogs;
        TBRDialer dlg(QStringLiteral("555-0100"), home.settings(), dialogs);
        dlg.adjustSize();
        dlg.show();
        expectWhole(&dlg, QStringLiteral("dialer"));
        keepShot(&dlg, QStringLiteral("dialer"));
    }
}

TEST(WindowLayout, FilterWindowKeepsItsSizeAndPlaceWhileCounting) {
    MainWithFile s(kPeople);
    s.w.resize(760, 600);
    s.w.show();
    TAddressQueryForm form(s.w.file(), s.dialogs, &s.w);
    form.adjustSize();
    common::centreWindow(&form, &s.w);
    form.show();
    QApplication::processEvents();
    const QRect before = form.geometry();
    form.edit(0)->setText(u("müller"));
    form.testClicked();
    EXPECT_EQ(form.countLine()->text(), QStringLiteral("1 matches"));
    QApplication::processEvents();
    EXPECT_EQ(form.geometry(), before);
    for (const char* text : {"Searching...", "No filter set", "1234567 matches"}) {
        form.countLine()->setText(QString::fromLatin1(text));
        QApplication::processEvents();
        EXPECT_EQ(form.geometry(), before) << text;
        EXPECT_GE(form.countLine()->width(), form.countLine()->fontMetrics().horizontalAdvance(QString::fromLatin1(text)));
    }
    expectWhole(&form, QStringLiteral("filter"));
    keepShot(&form, QStringLiteral("filter"));
}

TEST(WindowLayout, RightClickOnAFilterFieldShowsItsHelp) {
    MainWithFile s(kPeople);
    TAddressQueryForm form(s.w.file(), s.dialogs, &s.w);
    form.show();
    for (int i : {0, 7, 14}) {
        QLineEdit* e = form.edit(i);
        ASSERT_FALSE(e->whatsThis().isEmpty());
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), e->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(e, &click);
        QWidget* shown = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible() && QByteArray(top->metaObject()->className()) == "QWhatsThat") shown = top;
        ASSERT_NE(shown, nullptr) << i;
        if (i == 14) keepShot(shown, QStringLiteral("filter-whats-this"));
        QWhatsThis::hideText();
        QApplication::processEvents();
    }
    // The date field explains the date form; the city field its state.
    EXPECT_TRUE(form.edit(14)->whatsThis().contains(QStringLiteral("YYYYMMDD")));
    EXPECT_TRUE(form.edit(7)->whatsThis().contains(QStringLiteral("state")));
}

TEST(WindowLayout, BrowseColumnsFitTheirTitlesAndContent) {
    MainWithFile s(kPeople);
    TAddressBrowseForm form(s.w.file(), browseFieldNames(), [] {}, s.dialogs, &s.w);
    form.show();
    QApplication::processEvents();
    QHeaderView* header = form.grid()->horizontalHeader();
    const QFontMetrics cells(form.grid()->font());
    for (int c = 0; c < form.model()->columnCount(); ++c) {
        const QString title = form.model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c)) << title.toStdString();
        for (int r = 0; r < form.model()->rowCount(); ++r) {
            const QString text = form.model()->data(form.model()->index(r, c), Qt::DisplayRole).toString();
            EXPECT_GT(header->sectionSize(c), cells.horizontalAdvance(text)) << title.toStdString() << ": " << text.toStdString();
        }
    }
    keepShot(&form, QStringLiteral("browse"));
}

TEST(WindowLayout, MainAndCallWindows) {
    MainWithFile s(kPeople);
    s.w.resize(760, 600);
    s.w.show();
    QApplication::processEvents();
    keepShot(&s.w, QStringLiteral("main-record"));
    s.w.tabs()->setCurrentIndex(1);
    keepShot(&s.w, QStringLiteral("main-memo"));
    TfrmTAPICall call(QStringLiteral("555-0100"), QDBusConnection(QStringLiteral("brindle-no-bus")));
    call.adjustSize();
    call.show();
    call.firstActivation();
    QApplication::processEvents();
    // The status line saying why no call can be placed is readable whole.
    auto* status = call.findChild<QListWidget*>(QStringLiteral("status"));
    ASSERT_TRUE(status && status->count() == 1);
    EXPECT_LE(status->fontMetrics().horizontalAdvance(status->item(0)->text()), status->viewport()->width());
    expectWhole(&call, QStringLiteral("call-window"));
    keepShot(&call, QStringLiteral("call-window"));
}

TEST(PlatformWords, RecordCopiedToTheClipboard) {
    OpenFile o({Fields{{"LNAME", "Müller"}, {"FNAME", "José"}}});
    o.session.copyToClipboard(RecordTextParts{});
    EXPECT_EQ(o.dialogs.infos(), QStringList{QStringLiteral("Record copied to the clipboard")});
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(u("José Müller \r\n")));
}
