// Brindle: start-up and shut-down of the window program.
#include <QTimer>

#include "address/ui/TAddressMain.h"
#include "app/BrindleApplication.h"
#include "app/ProgramCommands.h"
#include "app/SingleInstance.h"
#include "common/Common.h"
#include "common/ui/QtUserDialogs.h"
#include "designobjects/ui/QtDesignDialogs.h"

using namespace brindle;

int main(int argc, char** argv) {
    app::BrindleApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brindle"));

    // A second start brings the running window to the front and ends silently.
    app::SingleInstance guard(app::SingleInstance::serverName(common::programDir()));
    if (guard.notifyRunning()) return 0;
    guard.listen();

    common::QtUserDialogs dialogs;
    application.setDialogs(&dialogs);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    address::ui::TAddressMain window(dialogs, app::programCommands());
    dialogs.setParent(&window);
    // The design objects' dialogs open centred over the main window.
    designobjects::QtDesignDialogs designDialogs(&window);
    designobjects::DesignDialogs::setDefaultDialogs(&designDialogs);
    QObject::connect(&guard, &app::SingleInstance::activationRequested, &window,
                     &address::ui::TAddressMain::bringToFront);
    // Closing the main window ends the program, whatever else is open (help).
    QObject::connect(&window, &address::ui::TAddressMain::closed, &application, &QApplication::quit,
                     Qt::QueuedConnection);
    QApplication::restoreOverrideCursor();
    window.show();
    const int rc = application.exec();
    application.setDialogs(nullptr);
    designobjects::DesignDialogs::setDefaultDialogs(nullptr);
    return rc;
}
