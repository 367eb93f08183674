#include "address/ButtonRules.h"

namespace brindle::address {

Enabling computeEnabling(const WindowState& s) {
    Enabling e;
    const bool idle = s.idle();
    e.fileEntries = s.open;
    e.saveCancelShown = s.editing;
    e.addEditDeleteShown = !s.editing;
    e.add = s.open && !s.editing;
    e.editDelete = idle;
    e.idleEntries = idle;
    // Filter values outlive the file, but without an open file there is
    // nothing to filter: the filter entries need one.
    const bool filtered = s.open && s.filterSet;
    e.filterEntries = filtered;
    e.clearFilterButtonShown = filtered;
    e.clearFilterButtonEnabled = filtered && !s.editing;
    e.setFilter = filtered || idle;
    e.fileMenu = !s.editing;
    e.recordMenu = s.open && !s.editing;
    e.findNextAllowed = !s.editing;
    return e;
}

}  // namespace brindle::address
