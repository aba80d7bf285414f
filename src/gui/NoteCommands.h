#pragma once

#include "core/NoteTypes.h"

#include <QtGlobal>

class NoteEditor;

// What a note's context menu needs of its note: the editor whose commands it names, and the
// note's own commands of text size, staying on top and colour.
class NoteCommands {
public:
    // Built when first asked for.
    virtual NoteEditor* editor() = 0;
    virtual const NoteLook& look() const = 0;
    virtual void zoomBy(int steps) = 0;
    virtual void setZoom(int percent) = 0;
    virtual void setOnTop(bool onTop) = 0;
    virtual quint32 color() const = 0;
    virtual void changeColor(quint32 color) = 0;

protected:
    ~NoteCommands() = default;
};
