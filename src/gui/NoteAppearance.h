#pragma once

#include "core/NoteTypes.h"

#include <QList>
#include <QRect>

class QWidget;

// How a note window looks: dark ink on pastel paper whatever the desktop's theme, the paper in
// the note's colour with a darker border, the text at the note's text size while the date strip
// keeps its size, and the window kept above others or not.
class NoteAppearance {
public:
    // The text shows in a widget of its own: the view of a note only looked at, later its editor.
    NoteAppearance(QWidget& window, QWidget& text);

    // The paper, the date strip and the text's background, 0x00BBGGRR.
    void setColor(quint32 color);
    quint32 color() const { return m_color; }
    // The text moves to another widget, which takes its size and background.
    void showTextIn(QWidget& text);
    // Shows a look; a window that changes staying on top stays at its bounds.
    void showLook(const NoteLook& look, const QRect& bounds);
    // Paints the paper, from the window's paint event.
    void paint();

    // The text sizes, in percent, that zooming steps through.
    static const QList<int>& zoomSteps();
    // The text size so many steps from a size; from a size between two steps the first step
    // goes to the next one.
    static int zoomedBy(int from, int steps);

private:
    void setTextBackground();

    QWidget& m_window;
    QWidget* m_text;
    quint32 m_color = 0xFFFFFF;
};
