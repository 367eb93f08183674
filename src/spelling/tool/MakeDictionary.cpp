// brindle-mkdict AFF DIC OUT: wraps a Hunspell affix file and word list in the
// supplied dictionary's header (brindl.dct). Run by the build.
#include "spelling/DictionaryFile.h"

#include <QFile>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: brindle-mkdict AFF DIC OUT\n");
        return 2;
    }
    brindle::spelling::MainDictionary dictionary;
    for (int i : {1, 2}) {
        QFile f(QString::fromLocal8Bit(argv[i]));
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "brindle-mkdict: cannot read %s: %s\n", argv[i], qPrintable(f.errorString()));
            return 2;
        }
        (i == 1 ? dictionary.affixes : dictionary.words) = f.readAll();
    }
    QString error;
    if (!brindle::spelling::writeFileReplacing(QString::fromLocal8Bit(argv[3]),
                                               brindle::spelling::buildMainDictionary(dictionary), &error)) {
        std::fprintf(stderr, "brindle-mkdict: cannot write %s: %s\n", argv[3], qPrintable(error));
        return 2;
    }
    return 0;
}
