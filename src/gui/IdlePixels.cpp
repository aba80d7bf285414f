#include "gui/IdlePixels.h"

#include <QBackingStore>
#include <QEvent>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTimerEvent>
#include <QWidget>
#include <QWindow>

IdlePixels::IdlePixels(QWidget& window) : QObject(&window), m_window(window)
{
    m_window.installEventFilter(this);
}

bool IdlePixels::supported()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform == QLatin1String("offscreen");
}

void IdlePixels::release()
{
    m_timer.stop();
    QBackingStore* store = m_window.backingStore();
    if (!m_window.isVisible() || !store || store->size().isEmpty())
        return;
    // The widgets' painting remakes a store whose size is not the window's, and draws it all.
    store->resize(QSize(0, 0));
}

bool IdlePixels::released() const
{
    const QBackingStore* store = m_window.backingStore();
    return m_window.isVisible() && store && store->size().isEmpty();
}

bool IdlePixels::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
        // Installed again at each show: Qt keeps a filter once however often it is installed.
        if (watched == &m_window && m_window.windowHandle())
            m_window.windowHandle()->installEventFilter(this);
        break;
    case QEvent::Expose:
        // What the window system asks to be shown again only comes from the kept pixels when
        // nothing is dirty: with none kept, everything is.
        if (released())
            m_window.update();
        waitForRest();
        break;
    case QEvent::UpdateRequest:
        waitForRest();
        break;
    case QEvent::WindowDeactivate:
        waitForRest();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void IdlePixels::waitForRest()
{
    // Notes painted together (a thousand at start) give theirs up spread over a while: each
    // takes a word with the window system.
    m_timer.start(IdleMs + int(QRandomGenerator::global()->bounded(IdleMs)), this);
}

void IdlePixels::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timer.timerId())
        return QObject::timerEvent(event);
    m_timer.stop();
    // The note being worked in keeps them: every keystroke draws a little of it.
    if (!m_window.isActiveWindow())
        release();
}
