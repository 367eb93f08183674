#pragma once
// The main window's commands as rows of one table: where each sits (menu and
// position, button bar), its caption with accelerator, shortcut, status hint,
// "What's this?" text and help topic, the rule that enables it, and the
// handler that does the work. The window builds its menus, buttons and
// enabling from the rows; each feature attaches its handlers (or adds rows of
// its own) from its own folder, so the window never names a feature.
#include <QKeySequence>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

#include "address/ButtonRules.h"

class QWidget;

namespace brindle::address {
class AddressFile;
class RecordSession;
}  // namespace brindle::address
namespace brindle::common {
class UserDialogs;
}

namespace brindle::commands {

// Where a control stands. Menus are shown in this order; the Edit menu is
// not shown (its keys act on the focused edit). The inline places are laid
// out by the window beside the fields they belong to.
enum class Place {
    FileMenu,
    ImportMenu,  // a submenu of File
    EditMenu,
    RecordMenu,
    SortMenu,
    UtilitiesMenu,
    PrintMenu,
    HelpMenu,
    TopBar,         // the button bar above the record
    NavigationBar,  // first, previous, next, last
    BottomBar,      // save, cancel, add, edit, delete, exit, clear filter
    Inline,         // dial, date, memo search: beside their fields
};

// Decides from the window's enabling flags (and its state, for the few rules
// that need it) whether a control is enabled or shown.
using Rule = std::function<bool(const address::Enabling&, const address::WindowState&)>;

// What a handler may use: the window (parent of what it opens), the open
// file, the record being edited, and the messages.
struct CommandContext {
    QWidget* window = nullptr;
    address::AddressFile* file = nullptr;
    address::RecordSession* session = nullptr;
    common::UserDialogs* dialogs = nullptr;
};
using Handler = std::function<void(CommandContext&)>;

struct MenuEntry {
    Place menu = Place::FileMenu;
    int position = 0;             // order within the menu
    bool separatorBefore = false;
    QString name;                 // object name of the action
    QString caption;              // with its accelerator ("Print &Labels")
    QKeySequence shortcut;
    bool checkable = false;
};

// Icons of the icon-only buttons (the window takes them from its style).
enum class Icon { None, First, Previous, Next, Last };

struct ButtonEntry {
    Place bar = Place::TopBar;
    int position = 0;             // order within its bar
    QString name;                 // object name of the button
    QString caption;
    Icon icon = Icon::None;
    Rule visible;                 // empty: always shown
    Rule enabled;                 // empty: the command's own rule
    bool startsHidden = false;
};

struct Command {
    QString id;
    std::optional<MenuEntry> menu;
    std::optional<ButtonEntry> button;
    QString hint;       // status bar and tooltip
    QString whatsThis;  // falls back to the hint
    int helpTopic = 0;  // 0: the window's own topic
    Rule enabled;       // empty: always enabled
    Handler run;        // empty: the feature is not built yet; the command shows disabled

    bool available() const { return static_cast<bool>(run); }
};

// Shown beside the hint of a command whose feature is not part of this version yet.
QString notYetAvailableHint();

class CommandRegistry {
public:
    // Adds a row; a row with the same id replaces the earlier one.
    void add(Command command);
    // The feature that does a command's work; false when no row has the id.
    bool attach(const QString& id, Handler handler);
    const Command* find(const QString& id) const;
    Command* find(const QString& id);
    // The rows of a place in their order (menu positions or button positions).
    std::vector<const Command*> at(Place place) const;
    const std::vector<Command>& all() const { return commands_; }

private:
    std::vector<Command> commands_;
};

// A menu of the menu bar: caption, object name, and the rule that enables
// the whole menu.
struct MenuSpec {
    Place place = Place::FileMenu;
    QString name;
    QString caption;
    Rule enabled;
    std::optional<Place> parent;  // a submenu: the menu it stands in,
    int position = 0;             // its place among that menu's entries
    bool separatorBefore = false;
};
const std::vector<MenuSpec>& mainMenus();

// The main window's rows: every entry of its menus and every button, with the
// captions, keys and positions the window has always had. Features attach
// their handlers to these rows.
CommandRegistry mainWindowCommands();

}  // namespace brindle::commands
