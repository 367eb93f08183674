#include "designobjects/DesignDialogs.h"

namespace brindle::designobjects {

namespace {
DesignDialogs* g_default = nullptr;
}

DesignDialogs* DesignDialogs::defaultDialogs() { return g_default; }
void DesignDialogs::setDefaultDialogs(DesignDialogs* d) { g_default = d; }

}  // namespace brindle::designobjects
