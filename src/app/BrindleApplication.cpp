#include "app/BrindleApplication.h"

#include <QDebug>
#include <exception>

#include "common/Common.h"
#include "common/UserDialogs.h"

namespace brindle::app {

BrindleApplication::BrindleApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool BrindleApplication::notify(QObject* receiver, QEvent* event) {
    QString message;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        message = common::errorText(e);
    } catch (...) {
        message = QStringLiteral("An unexpected error occurred");
    }
    if (dialogs_) dialogs_->showError(message);
    else qWarning().noquote() << message;
    return false;
}

}  // namespace brindle::app
