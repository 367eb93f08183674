#pragma once
// Help topic numbers of the address area's windows and links.
#include <QString>

namespace brindle::address {

namespace topic {
constexpr int MainWindow = 1029;
constexpr int NewDatabase = 1037;
constexpr int FieldLengths = 2097;
constexpr int Preferences = 1038;
constexpr int AddressReindex = 1040;
constexpr int SystemReindex = 1039;
constexpr int FrequentlyAskedQuestions = 911;
constexpr int TechnicalSupport = 1015;
}  // namespace topic

// The topic a link of the Getting Started page opens ("NEW" 1037, "DBASE"
// 1021, "ASCII" 1023, "ADD" and "CHANGE" 1030, "FIND" 1026, "DELETE" 2099,
// "TECHNICAL SUPPORT" 1015, "FREQUENTLY ASKED QUESTIONS" 2098), compared
// ignoring case; a leading "#" and surrounding blanks are ignored. 0 for any
// other link.
int gettingStartedTopic(const QString& link);

}  // namespace brindle::address
