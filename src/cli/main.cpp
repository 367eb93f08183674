// brindle-db: address files from the command line.
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

#include "Commands.h"

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

}  // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(quietToolkit);
    return brindle::cli::runCli(argc, argv);
}
