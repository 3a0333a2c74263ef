#pragma once
// One running copy per user. The first copy holds a lock file and listens on
// a local socket named after the program and the user; a later copy finds
// the lock taken, asks the first over the socket to raise its window, and
// ends. A lock or socket left by a copy that crashed is taken over (the lock
// records the owner's process id, and a dead owner's lock is stale).
//
// Thread contract: UI thread.

#include <memory>

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

namespace velmora {

class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // `key` names the instance; the default is the program and the user.
    explicit SingleInstance(QString key = {}, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is the first copy (it now listens). False when another
    // copy runs: it has been asked to raise its window (within `waitMs`
    // while it may still be starting up).
    bool Claim(int waitMs = 5000);

    QString serverName() const { return serverName_; }

signals:
    // A later copy asked this one to come to the front.
    void raiseRequested();

private:
    bool AskFirstToRaise(int waitMs);

    QString serverName_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

}  // namespace velmora
