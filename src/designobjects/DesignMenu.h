#pragma once
// A design object's context menu as plain data: the surface widget turns it
// into a real menu when the user right-clicks an object, tests run its
// actions directly. Check marks are taken from the object's properties each
// time the menu is built, so the menu always shows the current state.
#include <QString>
#include <functional>
#include <vector>

namespace brindle::designobjects {

struct MenuEntry {
    QString caption;  // "-" is a separator
    std::function<void()> action;
    bool checkable = false;
    bool checked = false;
    std::vector<MenuEntry> children;  // a submenu when not empty
    bool enabled = true;              // false: shown greyed out

    bool isSeparator() const { return caption == QLatin1String("-"); }
    static MenuEntry separator() { return MenuEntry{QStringLiteral("-"), {}, false, false, {}}; }
    static MenuEntry item(const QString& caption, std::function<void()> action) {
        return MenuEntry{caption, std::move(action), false, false, {}};
    }
    static MenuEntry check(const QString& caption, bool checked, std::function<void()> action) {
        return MenuEntry{caption, std::move(action), true, checked, {}};
    }
    static MenuEntry submenu(const QString& caption, std::vector<MenuEntry> children) {
        return MenuEntry{caption, {}, false, false, std::move(children)};
    }
};

using MenuEntries = std::vector<MenuEntry>;

// The entry with this caption (searching submenus too), or nullptr.
inline const MenuEntry* findMenuEntry(const MenuEntries& entries, const QString& caption) {
    for (const auto& e : entries) {
        if (e.caption == caption) return &e;
        if (const auto* c = findMenuEntry(e.children, caption)) return c;
    }
    return nullptr;
}

// Runs the entry with this caption; false when there is none.
inline bool runMenuEntry(const MenuEntries& entries, const QString& caption) {
    const auto* e = findMenuEntry(entries, caption);
    if (!e || !e->action) return false;
    e->action();
    return true;
}

}  // namespace brindle::designobjects
