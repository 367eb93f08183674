#pragma once
// How logic talks to the user: messages, questions, file choosers, progress
// and the busy pointer. Windows use the Qt implementation (common/ui);
// tests use ScriptedDialogs, which records every message and answers from a queue.
#include <QString>
#include <QStringList>

namespace brindle::common {

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // Message box with an information icon and OK; caption "Information" unless given.
    virtual void showInfo(const QString& message, const QString& caption = QStringLiteral("Information")) = 0;
    // Yes/No question, Yes the default button; true when Yes is chosen.
    virtual bool askYesNo(const QString& message, const QString& caption) = 0;
    // Yes/No question, No the default button.
    virtual bool askYesNoDefaultNo(const QString& message, const QString& caption) = 0;
    // The general error handler: shows an error's text; the program goes on.
    virtual void showError(const QString& message) = 0;
    virtual void beep() = 0;

    // File choosers; an empty result means the user cancelled.
    // filter uses the "Description|*.ext" form of the program ("DBF Files|*.dbf").
    virtual QString chooseOpenFile(const QString& caption, const QString& folder, const QString& filter,
                                   const QString& defaultSuffix) = 0;
    virtual QString chooseSaveFile(const QString& caption, const QString& folder, const QString& filter,
                                   const QString& defaultSuffix) = 0;

    // Hourglass pointer on and off (nested calls count).
    virtual void beginBusy() = 0;
    virtual void endBusy() = 0;
    // Lets the window handle pending input during long work.
    virtual void processEvents() = 0;
};

// Hourglass for the lifetime of a scope.
class BusyScope {
public:
    explicit BusyScope(UserDialogs& d) : d_(d) { d_.beginBusy(); }
    ~BusyScope() { d_.endBusy(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    UserDialogs& d_;
};

}  // namespace brindle::common
