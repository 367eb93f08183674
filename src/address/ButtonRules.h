#pragma once
// Which controls of the main window are enabled and shown, as one function of
// the window's state, so the rules can be read and tested as a table.
#include <QString>

namespace brindle::address {

struct WindowState {
    bool open = false;       // an address file is open
    bool editing = false;    // the record is being edited or added
    bool hasRecord = false;  // there is a current record
    bool filterSet = false;  // the query string is not empty
    bool memoFound = false;  // a memo search found a record ("Find &Next" may go on)
    bool idle() const { return open && !editing && hasRecord; }
};

struct Enabling {
    // Enabled when a file is open: rebuild indexes, import, clear tags, restore filter.
    bool fileEntries = false;
    bool saveCancelShown = false;   // "&Save", "&Cancel" (shown and enabled)
    bool addEditDeleteShown = false;  // "&Add", "&Edit", "&Delete", "E&xit" shown
    bool add = false;
    bool editDelete = false;
    // Search, Browse, Export, navigation, Clone, Copy to clipboard, Sort, Print,
    // Utilities, dialling, "Search &Memo", Labels, Letters, Envelopes, Reports, Date.
    bool idleEntries = false;
    // The filter entries need an open file: filter values outlive the file.
    bool filterEntries = false;       // "&Save Filter", "&Clear Filter", "&Tag All Filter Matches"
    bool clearFilterButtonShown = false;
    bool clearFilterButtonEnabled = false;
    bool setFilter = false;           // "Filter", "Set &Filter"
    bool fileMenu = false;            // "&File" and "E&xit "
    bool recordMenu = false;
    bool findNextAllowed = false;     // "Find &Next" may be shown (it also needs a found memo)

    bool operator==(const Enabling&) const = default;
};

Enabling computeEnabling(const WindowState& s);

}  // namespace brindle::address
