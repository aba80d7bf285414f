#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a signal on the event loop, so that the program
// ends as the palette's close does and saves every note.
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
