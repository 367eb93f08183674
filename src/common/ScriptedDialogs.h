#pragma once
// UserDialogs for tests: records every message with its caption and answers
// questions and file choosers from queues (an empty queue answers No / cancel).
#include <QQueue>
#include <QString>
#include <QVector>

#include "common/UserDialogs.h"

namespace brindle::common {

class ScriptedDialogs : public UserDialogs {
public:
    enum class Kind { Info, YesNo, YesNoDefaultNo, Error, Beep, OpenFile, SaveFile };
    struct Shown {
        Kind kind;
        QString caption;
        QString text;
    };

    void showInfo(const QString& message, const QString& caption) override { shown.push_back({Kind::Info, caption, message}); }
    bool askYesNo(const QString& message, const QString& caption) override {
        shown.push_back({Kind::YesNo, caption, message});
        return answers.isEmpty() ? false : answers.dequeue();
    }
    bool askYesNoDefaultNo(const QString& message, const QString& caption) override {
        shown.push_back({Kind::YesNoDefaultNo, caption, message});
        return answers.isEmpty() ? false : answers.dequeue();
    }
    void showError(const QString& message) override { shown.push_back({Kind::Error, QString(), message}); }
    void beep() override { shown.push_back({Kind::Beep, QString(), QString()}); }
    QString chooseOpenFile(const QString& caption, const QString&, const QString&, const QString&) override {
        shown.push_back({Kind::OpenFile, caption, QString()});
        return files.isEmpty() ? QString() : files.dequeue();
    }
    QString chooseSaveFile(const QString& caption, const QString&, const QString&, const QString&) override {
        shown.push_back({Kind::SaveFile, caption, QString()});
        return files.isEmpty() ? QString() : files.dequeue();
    }
    void beginBusy() override { ++busyDepth; }
    void endBusy() override { --busyDepth; }
    void processEvents() override { ++eventsProcessed; }

    // Texts of the messages of one kind, in order.
    QStringList texts(Kind kind) const {
        QStringList out;
        for (const auto& s : shown) if (s.kind == kind) out << s.text;
        return out;
    }
    QStringList infos() const { return texts(Kind::Info); }

    QVector<Shown> shown;
    QQueue<bool> answers;
    QQueue<QString> files;
    int busyDepth = 0;
    int eventsProcessed = 0;
};

}  // namespace brindle::common
