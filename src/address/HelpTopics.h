#pragma once
// The address area's way to its help topics, and the Getting Started links.
#include <QString>

#include "help/HelpTopics.h"

namespace brindle::address {

// The topics by name (help/HelpTopics.h), as topic::MainWindow and so on.
namespace topic = help::topic;

// The topic a link of the Getting Started page opens ("NEW" 1037, "DBASE"
// 1021, "ASCII" 1023, "ADD" and "CHANGE" 1030, "FIND" 1026, "DELETE" 2099,
// "TECHNICAL SUPPORT" 1015, "FREQUENTLY ASKED QUESTIONS" 2098), compared
// ignoring case; a leading "#" and surrounding blanks are ignored. 0 for any
// other link.
int gettingStartedTopic(const QString& link);

}  // namespace brindle::address
