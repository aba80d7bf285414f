#pragma once

#include <QKeyCombination>
#include <QObject>
#include <QString>

#include <memory>

// A key combination that reaches the program whichever program has the keyboard: on X11 a key
// grab on the root window, taken with and without NumLock and CapsLock; on Windows a hot key.
// Taken when made, given back when destroyed. Letters and digits, with Ctrl, Shift, Alt and
// Meta (the Windows or Super key).
class GlobalShortcut : public QObject {
    Q_OBJECT

public:
    explicit GlobalShortcut(QKeyCombination key, QObject* parent = nullptr);
    ~GlobalShortcut() override;

    bool registered() const { return m_problem.isEmpty(); }
    // Why the combination could not be had (another program holds it, the window system offers
    // no such thing), in English for the log; empty once it is registered.
    QString problem() const { return m_problem; }

Q_SIGNALS:
    // The combination was pressed; held down, it counts once. Emitted while the window system's
    // message is handled, so that a window activated now counts as the user's doing: on X11 the
    // press's time is Qt's latest user time, on Windows the program may take the foreground.
    void activated();

private:
    struct Grab;
    std::unique_ptr<Grab> m_grab;
    QString m_problem;
};
