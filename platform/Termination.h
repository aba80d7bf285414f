#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the system's requests to end the program into a signal on the event loop, so that the
// program ends as the palette's close does and saves every note: SIGTERM, SIGINT and SIGHUP on
// POSIX systems. (Log-out reaches the program through Qt's session manager on every system.)
class TTerminationWatcher : public QObject {
    Q_OBJECT

public:
    explicit TTerminationWatcher(QObject* parent = nullptr);
    ~TTerminationWatcher() override;

Q_SIGNALS:
    void TerminationRequested();

private:
    QSocketNotifier* FNotifier = nullptr;
};
