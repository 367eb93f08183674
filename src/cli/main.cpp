// brindle-db: address files from the command line.
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

#include "Commands.h"
#include "ProgressBar.h"

namespace {

// The toolkit's own notices (a missing runtime directory, font cache chatter)
// are not the command's business: stderr carries only brindle-db's progress,
// reports and errors. Fatal messages still end the program as they would.
void quietToolkit(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fputs(qPrintable(message), stderr);
        std::fputc('\n', stderr);
        std::abort();
    }
}

// Exit status of a program ended by Ctrl+C (128 + SIGINT), as shells report it.
constexpr int kExitInterrupted = 130;

}  // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(quietToolkit);
    // Ctrl+C during a pack or tag build cancels it, so that it leaves the old
    // files (and no scratch files) behind instead of being cut off.
    brindle::cli::ProgressBar::catchInterrupt();
    const int status = brindle::cli::runCli(argc, argv);
    if (brindle::cli::ProgressBar::interrupted()) return kExitInterrupted;
    return status;
}
