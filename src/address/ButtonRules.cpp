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
    e.filterEntries = s.filterSet;
    e.clearFilterButtonShown = s.filterSet;
    e.clearFilterButtonEnabled = s.filterSet && !s.editing;
    e.setFilter = s.filterSet || idle;
    e.fileMenu = !s.editing;
    e.recordMenu = s.open && !s.editing;
    e.findNextAllowed = !s.editing;
    return e;
}

}  // namespace brindle::address
