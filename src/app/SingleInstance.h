#pragma once
// One running program per user and program folder: a later start tells the
// running one to come to the front and ends.
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

    // True when a running instance answered; it has been asked to come to the front.
    bool notifyRunning(int timeoutMs = 1500);
    // Starts answering later starts; a name left behind by a crashed run is reclaimed.
    bool listen();
    const QString& name() const { return name_; }

signals:
    void activationRequested();

private:
    QString name_;
    QLocalServer server_;
};

}  // namespace brindle::app
