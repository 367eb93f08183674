#include "address/HelpTopics.h"

#include <QUrl>

namespace brindle::address {

int gettingStartedTopic(const QString& link) {
    QString name = QUrl::fromPercentEncoding(link.toUtf8()).trimmed();
    if (name.startsWith(QLatin1Char('#'))) name.remove(0, 1);
    name = name.trimmed().toUpper();
    static const struct {
        const char* name;
        int topic;
    } links[] = {
        {"NEW", 1037},    {"DBASE", 1021},  {"ASCII", 1023},  {"ADD", 1030},
        {"CHANGE", 1030}, {"FIND", 1026},   {"DELETE", 2099}, {"TECHNICAL SUPPORT", 1015},
        {"FREQUENTLY ASKED QUESTIONS", 2098},
    };
    for (const auto& l : links)
        if (name == QLatin1String(l.name)) return l.topic;
    return 0;
}

}  // namespace brindle::address
