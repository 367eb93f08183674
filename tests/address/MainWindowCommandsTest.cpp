// The main window's commands: the rows it is built from, features attaching
// their work to them, and rows a feature adds of its own.
#include <gtest/gtest.h>

#include <QMenuBar>
#include <QPushButton>

#include <set>

#include "AddressTestSupport.h"
#include "address/ui/TAddressMain.h"
#include "commands/Command.h"

using namespace brindle;
using brindle::addrtest::makeAddressFile;
using brindle::addrtest::ProgramHome;
using brindle::common::ScriptedDialogs;
using brindle::commands::Command;
using brindle::commands::CommandContext;
using brindle::commands::CommandRegistry;
using brindle::commands::Place;

namespace {

bool isMenu(Place p) {
    return p == Place::FileMenu || p == Place::ImportMenu || p == Place::EditMenu || p == Place::RecordMenu ||
           p == Place::SortMenu || p == Place::UtilitiesMenu || p == Place::PrintMenu || p == Place::HelpMenu;
}

// A window on a file of two records, started and idle.
struct OpenWindow {
    ProgramHome home;
    ScriptedDialogs dialogs;
    std::unique_ptr<address::ui::TAddressMain> window;
    explicit OpenWindow(CommandRegistry registry) {
        const QString path = home.data(QStringLiteral("ADD0001.DBF"));
        makeAddressFile(path, {{"Smith", "Ann"}, {"Jones", "Bo"}});
        window = std::make_unique<address::ui::TAddressMain>(dialogs, std::move(registry));
        window->setGettingStartedAllowed(false);
        window->firstActivation();
    }
};

}  // namespace

TEST(MainWindowCommands, RowsAreWellFormed) {
    const CommandRegistry rows = commands::mainWindowCommands();
    std::set<QString> ids, actions, buttons;
    std::set<std::pair<int, int>> positions;
    for (const Command& c : rows.all()) {
        EXPECT_TRUE(ids.insert(c.id).second) << c.id.toStdString();
        EXPECT_TRUE(c.menu || c.button) << c.id.toStdString();
        if (c.menu) {
            EXPECT_TRUE(isMenu(c.menu->menu)) << c.id.toStdString();
            EXPECT_FALSE(c.menu->caption.isEmpty()) << c.id.toStdString();
            EXPECT_TRUE(actions.insert(c.menu->name).second) << c.menu->name.toStdString();
            EXPECT_TRUE(positions.insert({static_cast<int>(c.menu->menu), c.menu->position}).second) << c.id.toStdString();
        }
        if (c.button) {
            EXPECT_FALSE(isMenu(c.button->bar)) << c.id.toStdString();
            EXPECT_TRUE(buttons.insert(c.button->name).second) << c.button->name.toStdString();
            EXPECT_TRUE(positions.insert({static_cast<int>(c.button->bar), c.button->position}).second) << c.id.toStdString();
        }
        EXPECT_FALSE(c.available()) << "the table itself attaches no work: " << c.id.toStdString();
    }
    // The printing buttons stand first in the top bar, in menu order.
    QStringList top;
    for (const Command* c : rows.at(Place::TopBar)) top << c->button->name;
    EXPECT_EQ(top, (QStringList{"labels", "letters", "envelopes", "reports", "browseButton", "searchButton", "filterButton"}));
}

TEST(MainWindowCommands, CommandsOfFeaturesNotBuiltStayDisabled) {
    OpenWindow w(commands::mainWindowCommands());
    address::ui::TAddressMain& win = *w.window;
    ASSERT_TRUE(win.file().isOpen());
    for (const char* id : {"printLabels", "countZip", "importDbf", "export", "website"}) {
        EXPECT_FALSE(win.commandRegistry().find(QString::fromLatin1(id))->available()) << id;
        EXPECT_FALSE(win.action(QString::fromLatin1(id))->isEnabled()) << id;
    }
    EXPECT_FALSE(win.button("labels")->isEnabled());
    EXPECT_TRUE(win.button("labels")->whatsThis().contains(commands::notYetAvailableHint()));
    // The window's own commands are attached and follow the rules.
    for (const char* id : {"browse", "search", "first", "add", "edit", "sortLNAME", "about"})
        EXPECT_TRUE(win.action(QString::fromLatin1(id))->isEnabled()) << id;
    EXPECT_TRUE(win.button("browseButton")->isEnabled());
    EXPECT_FALSE(win.button("labels")->whatsThis().isEmpty());
}

TEST(MainWindowCommands, AFeatureAttachesItsWorkAndAddsItsOwnRows) {
    CommandRegistry rows = commands::mainWindowCommands();
    int labelsRun = 0;
    QString seenFile;
    ASSERT_TRUE(rows.attach(QStringLiteral("printLabels"), [&](CommandContext& c) {
        ++labelsRun;
        EXPECT_NE(c.window, nullptr);
        seenFile = c.file->field("LNAME");
    }));
    EXPECT_FALSE(rows.attach(QStringLiteral("noSuchCommand"), [](CommandContext&) {}));
    // A row of the feature's own, between two utilities.
    Command extra;
    extra.id = QStringLiteral("featureExtra");
    commands::MenuEntry m;
    m.menu = Place::UtilitiesMenu;
    m.position = 25;
    m.name = extra.id;
    m.caption = QStringLiteral("Feature &Extra");
    extra.menu = m;
    extra.enabled = [](const address::Enabling& e, const address::WindowState&) { return e.idleEntries; };
    int extraRun = 0;
    extra.run = [&](CommandContext&) { ++extraRun; };
    rows.add(extra);

    OpenWindow w(std::move(rows));
    address::ui::TAddressMain& win = *w.window;
    EXPECT_TRUE(win.action(QStringLiteral("printLabels"))->isEnabled());
    EXPECT_TRUE(win.button("labels")->isEnabled());
    EXPECT_FALSE(win.button("labels")->whatsThis().contains(commands::notYetAvailableHint()));
    win.button("labels")->click();
    win.action(QStringLiteral("printLabels"))->trigger();
    EXPECT_EQ(labelsRun, 2);
    EXPECT_FALSE(seenFile.isEmpty());

    QMenu* utilities = nullptr;
    for (QAction* a : win.menuBar()->actions())
        if (a->text() == QStringLiteral("&Utilities")) utilities = a->menu();
    ASSERT_NE(utilities, nullptr);
    QStringList captions;
    for (QAction* a : utilities->actions()) captions << a->text();
    EXPECT_EQ(captions.indexOf(QStringLiteral("Feature &Extra")), 2);
    win.action(QStringLiteral("featureExtra"))->trigger();
    EXPECT_EQ(extraRun, 1);
    // Editing disables it like the other idle entries.
    win.editClick();
    EXPECT_FALSE(win.action(QStringLiteral("featureExtra"))->isEnabled());
    EXPECT_FALSE(win.action(QStringLiteral("printLabels"))->isEnabled());
    win.cancelClick();
    EXPECT_TRUE(win.action(QStringLiteral("featureExtra"))->isEnabled());
}
