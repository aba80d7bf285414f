#pragma once

#include <QObject>

class ErrorReport;
class QTimer;

// The fade of a note whose task ends: its transparency steps down from where it is, one step
// every tenth of a second, on a timer, so that the rest of the program goes on meanwhile; after a
// last wait at the lowest step the fade is over.
class TaskEndFade : public QObject {
    Q_OBJECT

public:
    TaskEndFade(ErrorReport& report, QObject* parent);

    // Runs the fade from a transparency, 0..255, whose step shows at once.
    void start(int fromAlpha);
    void stop();
    bool isRunning() const { return m_running; }
    // The next step, as the timer takes it; nothing once the fade is over.
    void step();
    QTimer* timer() const { return m_timer; }

Q_SIGNALS:
    void alphaChanged(int alpha);
    // The wait after the last step is over; the timer has stopped.
    void finished();

private:
    QTimer* m_timer = nullptr;
    bool m_running = false;
    int m_alpha = 0;
    int m_stepsLeft = 0;
};
