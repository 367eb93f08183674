#include "address/HelpTopics.h"

#include <QUrl>

#include "help/HelpIndex.h"

namespace brindle::address {

int gettingStartedTopic(const QString& link) {
    // Links arrive as URLs: percent-encoded, sometimes as "#NAME" anchors.
    QString name = QUrl::fromPercentEncoding(link.toUtf8()).trimmed();
    if (name.startsWith(QLatin1Char('#'))) name.remove(0, 1);
    const int topic = help::gettingStartedLinkTopic(name);
    return topic > 0 ? topic : 0;
}

}  // namespace brindle::address
