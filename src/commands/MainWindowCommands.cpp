// The rows of the main window: its menus and buttons as the user has always
// seen them. Handlers are attached by whoever does the work: the main window
// for the record, file and help commands, each feature for its own.
#include "address/SortOrders.h"
#include "commands/Command.h"

namespace brindle::commands {
namespace {

using address::Enabling;
using address::WindowState;

Rule flag(bool Enabling::*member) {
    return [member](const Enabling& e, const WindowState&) { return e.*member; };
}
Rule always() {
    return [](const Enabling&, const WindowState&) { return true; };
}

Command menuCommand(Place menu, int position, const char* name, const char* caption, Rule enabled,
                    const QKeySequence& key = {}, bool separatorBefore = false) {
    Command c;
    c.id = QString::fromLatin1(name);
    MenuEntry m;
    m.menu = menu;
    m.position = position;
    m.separatorBefore = separatorBefore;
    m.name = c.id;
    m.caption = QString::fromUtf8(caption);
    m.shortcut = key;
    c.menu = m;
    c.enabled = std::move(enabled);
    return c;
}

ButtonEntry buttonAt(Place bar, int position, const char* name, const char* caption, Rule visible = {},
                     bool startsHidden = false) {
    ButtonEntry b;
    b.bar = bar;
    b.position = position;
    b.name = QString::fromLatin1(name);
    b.caption = QString::fromUtf8(caption);
    b.visible = std::move(visible);
    b.startsHidden = startsHidden;
    return b;
}

Command buttonCommand(const char* id, ButtonEntry button, Rule enabled, const char* whatsThis) {
    Command c;
    c.id = QString::fromLatin1(id);
    c.button = std::move(button);
    c.enabled = std::move(enabled);
    c.whatsThis = QString::fromUtf8(whatsThis);
    return c;
}

Command withButton(Command c, ButtonEntry button, const char* hint = nullptr) {
    c.button = std::move(button);
    if (hint) c.hint = QString::fromUtf8(hint);
    return c;
}

// Shown while the record is idle, or whenever no edit is in progress.
Rule idleOrNotEditing() {
    return [](const Enabling& e, const WindowState& s) { return e.idleEntries || !s.editing; };
}

}  // namespace

QString notYetAvailableHint() { return QStringLiteral("Not available in this version yet"); }

const std::vector<MenuSpec>& mainMenus() {
    static const std::vector<MenuSpec> menus = [] {
        auto spec = [](Place place, const char* name, const char* caption, Rule enabled) {
            MenuSpec m;
            m.place = place;
            m.name = QString::fromLatin1(name);
            m.caption = QString::fromLatin1(caption);
            m.enabled = std::move(enabled);
            return m;
        };
        MenuSpec import = spec(Place::ImportMenu, "importMenu", "&Import", flag(&Enabling::fileEntries));
        import.parent = Place::FileMenu;
        import.position = 50;
        import.separatorBefore = true;
        return std::vector<MenuSpec>{
            spec(Place::FileMenu, "fileMenu", "&File", flag(&Enabling::fileMenu)),
            import,
            spec(Place::EditMenu, "editMenu", "Ed&it", always()),
            spec(Place::RecordMenu, "recordMenu", "&Record", flag(&Enabling::recordMenu)),
            spec(Place::SortMenu, "sortMenu", "&Sort", flag(&Enabling::idleEntries)),
            spec(Place::UtilitiesMenu, "utilitiesMenu", "&Utilities", flag(&Enabling::idleEntries)),
            spec(Place::PrintMenu, "printMenu", "&Print", flag(&Enabling::idleEntries)),
            spec(Place::HelpMenu, "helpMenu", "&Help", always()),
        };
    }();
    return menus;
}

CommandRegistry mainWindowCommands() {
    CommandRegistry r;
    const Rule fileMenu = flag(&Enabling::fileMenu);
    const Rule fileEntries = flag(&Enabling::fileEntries);
    const Rule idle = flag(&Enabling::idleEntries);
    const Rule filterEntries = flag(&Enabling::filterEntries);
    const auto ctrl = [](int key) { return QKeySequence(Qt::CTRL | key); };

    // File. The Import submenu stands at position 50 (after Search); the
    // recently used files follow the last entry.
    r.add(menuCommand(Place::FileMenu, 10, "newDatabase", "&New Address Database", fileMenu));
    r.add(menuCommand(Place::FileMenu, 20, "openDatabase", "&Open Address DataBase", fileMenu));
    r.add(withButton(menuCommand(Place::FileMenu, 30, "browse", "&Browse", idle, ctrl(Qt::Key_B), true),
                     buttonAt(Place::TopBar, 50, "browseButton", "Browse"),
                     "Click here or press CTRL+B for a table view of the database"));
    r.add(withButton(menuCommand(Place::FileMenu, 40, "search", "&Search", idle, ctrl(Qt::Key_S)),
                     buttonAt(Place::TopBar, 60, "searchButton", "Search"),
                     "Click here or press CTRL+S to search for a specific value"));
    r.add(menuCommand(Place::ImportMenu, 10, "importDbf", "Import from &DBF File", fileEntries));
    r.add(menuCommand(Place::ImportMenu, 20, "importAscii", "Import from &ASCII File", fileEntries));
    r.add(menuCommand(Place::ImportMenu, 30, "importOld1", "Import from Brindle 1.x DBF", fileEntries));
    r.add(menuCommand(Place::ImportMenu, 40, "importOld2", "Import from Brindle 2.x DBF", fileEntries));
    r.add(menuCommand(Place::FileMenu, 60, "export", "&Export ", idle));
    r.add(withButton(menuCommand(Place::FileMenu, 70, "setFilter", "Set &Filter", flag(&Enabling::setFilter),
                                 ctrl(Qt::Key_F), true),
                     buttonAt(Place::TopBar, 70, "filterButton", "Filter"),
                     "Click here or press CTRL+F to set or change a filter"));
    r.add(menuCommand(Place::FileMenu, 80, "clearFilter", "&Clear Filter", filterEntries));
    r.add(menuCommand(Place::FileMenu, 90, "saveFilter", "&Save Filter", filterEntries));
    r.add(menuCommand(Place::FileMenu, 100, "restoreFilter", "&Restore Filter", fileEntries));
    r.add(menuCommand(Place::FileMenu, 110, "clearTags", "Clear &Tags", fileEntries, {}, true));
    r.add(menuCommand(Place::FileMenu, 120, "tagAll", "&Tag All Filter Matches", filterEntries));
    r.add(menuCommand(Place::FileMenu, 130, "rebuildIndexes", "&Rebuild Indexes for this file", fileEntries, {}, true));
    r.add(menuCommand(Place::FileMenu, 140, "rebuildSystemIndexes", "Rebuild S&ystem File indexes", fileMenu));
    r.add(menuCommand(Place::FileMenu, 150, "preferences", "Pre&ferences", fileMenu, {}, true));
    r.add(menuCommand(Place::FileMenu, 160, "exit", "E&xit ", fileMenu));

    // Edit: not on the menu bar; its keys act on the focused edit.
    r.add(menuCommand(Place::EditMenu, 10, "undo", "&Undo typing", always()));
    r.add(menuCommand(Place::EditMenu, 20, "cut", "Cu&t", always()));
    r.add(menuCommand(Place::EditMenu, 30, "copy", "&Copy", always()));
    r.add(menuCommand(Place::EditMenu, 40, "paste", "&Paste", always()));

    // Record, and the navigation buttons (enabled only while the record is idle).
    const Rule recordMenu = flag(&Enabling::recordMenu);
    const struct {
        const char* id;
        const char* caption;
        int key;
        const char* button;
        Icon icon;
        const char* tip;
    } moves[] = {
        {"first", "&First", Qt::Key_Up, "firstButton", Icon::First, "First record"},
        {"previous", "&Previous", Qt::Key_Left, "previousButton", Icon::Previous, "Previous record"},
        {"next", "&Next", Qt::Key_Right, "nextButton", Icon::Next, "Next record"},
        {"last", "&Last", Qt::Key_Down, "lastButton", Icon::Last, "Last record"},
    };
    int position = 10;
    for (const auto& m : moves) {
        Command c = menuCommand(Place::RecordMenu, position, m.id, m.caption, recordMenu, ctrl(m.key));
        ButtonEntry b = buttonAt(Place::NavigationBar, position, m.button, "", idleOrNotEditing());
        b.icon = m.icon;
        b.enabled = idle;  // the buttons only while the record is idle, the menu entries whenever a file is open
        c.button = b;
        c.hint = QString::fromLatin1(m.tip);
        c.whatsThis = QString::fromLatin1(m.tip);
        r.add(std::move(c));
        position += 10;
    }
    Command add = menuCommand(Place::RecordMenu, 50, "add", "&Add", flag(&Enabling::add), {}, true);
    add.button = buttonAt(Place::BottomBar, 30, "addButton", "&Add", flag(&Enabling::addEditDeleteShown));
    add.whatsThis = QStringLiteral("Adds a new record (Alt+Enter while editing saves and adds another).");
    r.add(std::move(add));
    Command edit = menuCommand(Place::RecordMenu, 60, "edit", "&Edit", flag(&Enabling::editDelete));
    edit.button = buttonAt(Place::BottomBar, 40, "editButton", "&Edit", flag(&Enabling::addEditDeleteShown));
    edit.whatsThis = QStringLiteral("Lets you change this record; a double click on any field does the same.");
    r.add(std::move(edit));
    Command del = menuCommand(Place::RecordMenu, 70, "delete", "&Delete", flag(&Enabling::editDelete));
    del.button = buttonAt(Place::BottomBar, 50, "deleteButton", "&Delete", flag(&Enabling::addEditDeleteShown));
    del.whatsThis = QStringLiteral("Deletes this record after asking.");
    r.add(std::move(del));
    r.add(menuCommand(Place::RecordMenu, 80, "copyToClipboard", "Copy To &Clipboard", idle, {}, true));
    r.add(menuCommand(Place::RecordMenu, 90, "clone", "Create a Duplicate &Record (Clone)", idle));

    // Sort: one checkable entry per order.
    position = 10;
    for (const auto& order : address::sortOrders()) {
        Command c;
        c.id = QStringLiteral("sort") + order.tag;
        MenuEntry m;
        m.menu = Place::SortMenu;
        m.position = position;
        m.name = c.id;
        m.caption = order.caption;
        m.checkable = true;
        c.menu = m;
        c.enabled = idle;
        r.add(std::move(c));
        position += 10;
    }

    // Utilities.
    r.add(menuCommand(Place::UtilitiesMenu, 10, "countZip", "Count &Zip Codes", idle));
    r.add(menuCommand(Place::UtilitiesMenu, 20, "checkStateZip", "Check && Repair &State and Zip Codes", idle));
    r.add(menuCommand(Place::UtilitiesMenu, 30, "checkDuplicates", "Check && Repair &Duplicates", idle));
    r.add(menuCommand(Place::UtilitiesMenu, 40, "convertCase", "Con&vert Case", idle));
    r.add(menuCommand(Place::UtilitiesMenu, 50, "deleteRecords", "Delete &Records", idle));
    r.add(menuCommand(Place::UtilitiesMenu, 60, "searchReplace", "&Search && Replace Field Values", idle));

    // Print, with the four printing buttons of the top bar.
    r.add(withButton(menuCommand(Place::PrintMenu, 10, "printLabels", "Print &Labels", idle, ctrl(Qt::Key_L)),
                     buttonAt(Place::TopBar, 10, "labels", "Labels"),
                     "Click here or press CTRL+L to print/design labels"));
    r.add(withButton(menuCommand(Place::PrintMenu, 20, "printLetters", "Print Le&tters", idle, ctrl(Qt::Key_T)),
                     buttonAt(Place::TopBar, 20, "letters", "Letters"),
                     "Click here or press CTRL+T to print/design letters"));
    r.add(withButton(menuCommand(Place::PrintMenu, 30, "printEnvelopes", "Print &Envelopes", idle, ctrl(Qt::Key_E)),
                     buttonAt(Place::TopBar, 30, "envelopes", "Envelopes"),
                     "Click here or press CTRL+E to print/design envelopes"));
    r.add(withButton(menuCommand(Place::PrintMenu, 40, "printReports", "Print &Reports", idle, ctrl(Qt::Key_R)),
                     buttonAt(Place::TopBar, 40, "reports", "Reports"),
                     "Click here or press CTRL+R to print/design reports"));
    r.add(menuCommand(Place::PrintMenu, 50, "printCurrent", "Print C&urrent Record", idle, ctrl(Qt::Key_P)));

    // Help.
    r.add(menuCommand(Place::HelpMenu, 10, "helpContents", "&Contents", always()));
    r.add(menuCommand(Place::HelpMenu, 20, "helpSearch", "Search for Help On", always()));
    r.add(menuCommand(Place::HelpMenu, 30, "helpOnHelp", "How to Use Help", always()));
    r.add(menuCommand(Place::HelpMenu, 40, "gettingStarted", "&Getting Started", always(), {}, true));
    r.add(menuCommand(Place::HelpMenu, 50, "faq", "Frequently Asked Questions", always()));
    r.add(menuCommand(Place::HelpMenu, 60, "techSupport", "Technical Support", always()));
    r.add(menuCommand(Place::HelpMenu, 70, "about", "&About...", always(), {}, true));
    r.add(menuCommand(Place::HelpMenu, 80, "configuration", "Configuration Information", always()));
    r.add(menuCommand(Place::HelpMenu, 90, "website", " Visit Our Internet Website", always()));

    // The bottom bar's own buttons.
    const Rule saveCancel = flag(&Enabling::saveCancelShown);
    r.add(buttonCommand("saveButton", buttonAt(Place::BottomBar, 10, "saveButton", "&Save", saveCancel, true), saveCancel,
                        "Saves the changes to this record (Ctrl+Enter)."));
    r.add(buttonCommand("cancelButton", buttonAt(Place::BottomBar, 20, "cancelButton", "&Cancel", saveCancel, true),
                        saveCancel, "Drops the changes to this record (Esc)."));
    r.add(buttonCommand("exitButton",
                        buttonAt(Place::BottomBar, 60, "exitButton", "E&xit", flag(&Enabling::addEditDeleteShown)),
                        fileMenu, "Closes the program."));
    r.add(buttonCommand("clearFilterButton",
                        buttonAt(Place::BottomBar, 70, "clearFilterButton", "Clear Filter",
                                 flag(&Enabling::clearFilterButtonShown), true),
                        flag(&Enabling::clearFilterButtonEnabled), "Removes the filter and shows all records."));

    // Beside their fields: dialling, the record's date, memo search.
    r.add(buttonCommand("dial1", buttonAt(Place::Inline, 10, "dial1", "Dial Phone &1", idleOrNotEditing()), idle,
                        "Dials the first phone number."));
    r.add(buttonCommand("dial2", buttonAt(Place::Inline, 20, "dial2", "Dial Phone &2", idleOrNotEditing()), idle,
                        "Dials the second phone number."));
    r.add(buttonCommand("dateButton", buttonAt(Place::Inline, 30, "dateButton", "Date"),
                        [](const Enabling& e, const WindowState& s) { return e.idleEntries || s.editing; },
                        "Opens a calendar to choose the record's date."));
    r.add(buttonCommand("searchMemo", buttonAt(Place::Inline, 40, "searchMemo", "Search &Memo", idleOrNotEditing()),
                        idle, "Finds the first record whose memo contains a text."));
    const Rule findNext = [](const Enabling& e, const WindowState& s) { return e.findNextAllowed && s.memoFound; };
    r.add(buttonCommand("findNext", buttonAt(Place::Inline, 50, "findNext", "Find &Next", findNext, true), findNext,
                        "Finds the next record whose memo contains the same text."));
    return r;
}

}  // namespace brindle::commands
