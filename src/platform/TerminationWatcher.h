#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the system's requests to end the program into a signal on the event loop, so that the
// program ends as the palette's close does and saves every note: SIGTERM, SIGINT and SIGHUP on
// POSIX systems. (Log-out reaches the program through Qt's session manager on every system.)
class TerminationWatcher : public QObject {
    Q_OBJECT

public:
    explicit TerminationWatcher(QObject* parent = nullptr);
    ~TerminationWatcher() override;

Q_SIGNALS:
    void terminationRequested();

private:
    QSocketNotifier* m_notifier = nullptr;
};
