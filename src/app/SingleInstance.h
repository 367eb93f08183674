#pragma once
// One running program per user and program folder: a later start tells the
// running one to come to the front (and to open the file it was given, as
// when a file manager opens a .dbf with Brindle) and ends.
#include <QByteArray>
#include <QHash>
#include <QLocalServer>
#include <QObject>
#include <QString>

namespace brindle::app {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // "brindle-" + the user + a digest of the program folder, so installations
    // in different folders run side by side.
    static QString serverName(const QString& programDir);

    // True when a running instance answered; it has been asked to come to the
    // front and, when `openPath` is given, to open that file.
    bool notifyRunning(const QString& openPath = {}, int timeoutMs = 1500);
    // Starts answering later starts; a name left behind by a crashed run is reclaimed.
    bool listen();
    const QString& name() const { return name_; }

signals:
    void activationRequested();
    // A later start was given a file (an absolute path).
    void openRequested(const QString& path);

private:
    QString name_;
    QLocalServer server_;
    QHash<QObject*, QByteArray> pending_;  // unfinished requests by connection
};

}  // namespace brindle::app
