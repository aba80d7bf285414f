#pragma once

#include "core/NoteTypes.h"

#include <QList>
#include <QRect>

class NoteEditor;
class QWidget;

// How a note window looks: dark ink on pastel paper whatever the desktop's theme, the paper in
// the note's colour with a darker border, the editor's text at the note's text size while the
// date strip keeps its size, and the window kept above others or not.
class NoteAppearance {
public:
    NoteAppearance(QWidget& window, NoteEditor& editor);

    // The paper and the date strip, 0x00BBGGRR.
    void setColor(quint32 color);
    quint32 color() const { return m_color; }
    void setEditorColor(quint32 color);
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
    QWidget& m_window;
    NoteEditor& m_editor;
    quint32 m_color = 0xFFFFFF;
};
