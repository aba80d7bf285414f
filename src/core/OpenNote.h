#pragma once

#include "core/NoteSaver.h"
#include "core/NoteTypes.h"

// A note the user has open, as the rules that save every note see it: its side of the store and
// what it shows now. The note's window is one; the rules' tests use plain objects.
class OpenNote {
public:
    virtual NoteSaver& saver() = 0;
    // What a save writes now.
    virtual Note snapshot() const = 0;
    // Saves what the note shows now, waiting up to lockWaitMs for a store another process holds;
    // the outcome is the saver's state.
    virtual void save(int lockWaitMs) = 0;

protected:
    ~OpenNote() = default;
};
