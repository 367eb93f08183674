#pragma once
// The dialogs of a job run from the shell: messages go to stderr, prefixed
// with the command ("brindle-db labels: ..."); the only question a job asks
// there is whether to cancel after Ctrl+C, and the answer is yes. Nothing is
// chosen from files: the command line names them.
#include <QString>

#include <cstdio>
#include <string>

#include "common/UserDialogs.h"

namespace brindle::cli {

class ShellDialogs : public common::UserDialogs {
public:
    explicit ShellDialogs(std::string command) : prefix_("brindle-db " + std::move(command) + ": ") {}

    void showInfo(const QString& m, const QString&) override { note(m); }
    bool askYesNo(const QString& m, const QString&) override {
        note(m + QStringLiteral(" -> yes"));
        return true;
    }
    bool askYesNoDefaultNo(const QString& m, const QString& c) override { return askYesNo(m, c); }
    void showError(const QString& m) override { note(m); }
    void beep() override {}
    QString chooseOpenFile(const QString&, const QString&, const QString&, const QString&) override { return {}; }
    QString chooseSaveFile(const QString&, const QString&, const QString&, const QString&) override { return {}; }
    void beginBusy() override {}
    void endBusy() override {}
    void processEvents() override {}

private:
    void note(QString m) const {
        m.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        std::fprintf(stderr, "%s%s\n", prefix_.c_str(), m.toLocal8Bit().constData());
    }

    std::string prefix_;
};

}  // namespace brindle::cli
