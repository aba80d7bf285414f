#pragma once

#include <QObject>
#include <QString>

#include <memory>

// How a later start of the program reaches the copy that runs: that copy listens under a name
// only this user can take (a socket path in the user's own folder where the system has them), and
// a later start sends one request and waits for the answer.
class InstanceListener : public QObject {
    Q_OBJECT

public:
    explicit InstanceListener(QObject* parent = nullptr);
    ~InstanceListener() override;

    // Listens under the name, taking it over from a copy that was killed while holding it.
    bool listen(const QString& name);

Q_SIGNALS:
    // A later start asked for the program to be shown; it has been answered.
    void showRequested();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Asks the copy listening under the name to show itself; true when it answered in time.
bool askToShow(const QString& name, int timeoutMs);
