#include "dialer/ui/DialerCommands.h"

#include "address/AddressFile.h"
#include "address/RecordSession.h"
#include "dialer/ui/TBRDialer.h"

namespace brindle::address::ui {

void attachDialerCommands(commands::CommandRegistry& registry) {
    for (const auto& [id, field] : {std::pair{"dial1", "PHONE"}, std::pair{"dial2", "PHONE2"}}) {
        const QString phoneField = QString::fromLatin1(field);
        registry.attach(QString::fromLatin1(id), [phoneField](commands::CommandContext& c) {
            TBRDialer dlg(c.session->field(phoneField).trimmed(), c.file->settingsPath(), *c.dialogs, c.window);
            dlg.execCentred(c.window);
        });
    }
}

}  // namespace brindle::address::ui
