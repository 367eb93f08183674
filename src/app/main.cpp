// Brindle: start-up and shut-down of the window program.
#include <QFileInfo>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <string_view>

#include "address/ui/TAddressMain.h"
#include "app/BrindleApplication.h"
#include "app/ProgramCommands.h"
#include "app/SingleInstance.h"
#include "common/Common.h"
#include "common/ui/QtUserDialogs.h"
#include "designobjects/ui/QtDesignDialogs.h"

using namespace brindle;

namespace {

// --version and --help answer on stdout before the application object exists,
// so they need no display. True when one of them was given.
bool answeredAlone(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "--version" || arg == "-V") {
            std::printf("Brindle %s\n", common::versionText().toLocal8Bit().constData());
            return true;
        }
        if (arg == "--help" || arg == "-h") {
            std::printf("Usage: brindle [FILE.dbf]\n\nStarts Brindle and opens the address file FILE.dbf when given;\n"
                        "a running Brindle comes to the front and opens it.\n");
            return true;
        }
    }
    return false;
}

// brindle [FILE.dbf]: the address file to open, as the desktop's "Open With"
// gives it (a path or a file:// address). Read from the arguments Qt leaves
// once it has taken its own (-platform and the like).
QString fileArgument(const QStringList& args) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i].startsWith(QLatin1Char('-'))) continue;
        const QUrl url(args[i]);
        return QFileInfo(url.isLocalFile() ? url.toLocalFile() : args[i]).absoluteFilePath();
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    if (answeredAlone(argc, argv)) return 0;
    app::BrindleApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brindle"));
    QApplication::setApplicationVersion(common::versionText());
    QGuiApplication::setDesktopFileName(QStringLiteral("org.brindle.Brindle"));
    const QString file = fileArgument(QApplication::arguments());

    // A second start brings the running window to the front, hands over its
    // file and ends silently.
    app::SingleInstance guard(app::SingleInstance::serverName(common::programDir()));
    if (guard.notifyRunning(file)) return 0;
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
    // Queued: the file opens after the answer has gone back to the later start.
    QObject::connect(&guard, &app::SingleInstance::openRequested, &window, &address::ui::TAddressMain::openFile,
                     Qt::QueuedConnection);
    // Closing the main window ends the program, whatever else is open (help).
    QObject::connect(&window, &address::ui::TAddressMain::closed, &application, &QApplication::quit,
                     Qt::QueuedConnection);
    QApplication::restoreOverrideCursor();
    window.show();
    if (!file.isEmpty()) window.openFile(file);
    const int rc = application.exec();
    application.setDialogs(nullptr);
    designobjects::DesignDialogs::setDefaultDialogs(nullptr);
    return rc;
}
