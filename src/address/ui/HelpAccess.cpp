#include "address/ui/HelpAccess.h"

#include "help/ui/ShowHelp.h"

namespace brindle::address::ui {

void openHelpTopic(int topic, QWidget* parent) { help::showHelpTopic(topic, parent); }
void openHelpContents(QWidget* parent) { help::showHelpContents(parent); }
void openHelpSearch(QWidget* parent) { help::showHelpSearch(parent); }

}  // namespace brindle::address::ui
