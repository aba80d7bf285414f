#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

#include <memory>

// Keeps a second copy of the program off the same store: the first copy holds a lock file beside
// the store and listens, under a name made from the store's absolute path, for later starts,
// which ask it to show its palette. Copies with different temporary folders, or of different
// users, meet at the same lock.
class TSingleInstance : public QObject {
    Q_OBJECT

public:
    explicit TSingleInstance(const QString& storePath, QObject* parent = nullptr);
    ~TSingleInstance() override;

    // True for the first copy. A later copy asks the first to show itself and gets false;
    // Answered then tells whether the first copy received the request.
    bool Claim();
    bool Answered() const { return FAnswered; }

Q_SIGNALS:
    void ShowRequested();

private:
    QString FName;
    std::unique_ptr<QLockFile> FLock;
    QLocalServer FServer;
    bool FAnswered = false;
};
