#pragma once

#include <QBasicTimer>
#include <QObject>

class QWidget;

// Lets a window give up the copy of its pixels while nobody works in it, and draws it again when
// they are needed. A note keeps that copy (77 KB for a note of 271 × 71) only to put itself back
// on the screen without drawing; the window system keeps what is on the screen, and a note draws
// itself in well under a millisecond when it is uncovered on a desktop without a compositor.
class IdlePixels : public QObject {
    Q_OBJECT

public:
    // After its last drawing, an inactive window keeps its pixels this long at least: a pointer
    // passing over it or a drag does not make it draw again and again.
    static constexpr int IdleMs = 3000;

    explicit IdlePixels(QWidget& window);
    // Whether the window system's backing stores can be dropped and remade (X11, and offscreen
    // for the tests); elsewhere windows keep them.
    static bool supported();
    // Gives them up at once, as the idle time does (for the tests).
    void release();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void waitForRest();
    // Given up: the store is empty while the window shows.
    bool released() const;

    QWidget& m_window;
    QBasicTimer m_timer;
};
