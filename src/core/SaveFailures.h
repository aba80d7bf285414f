#pragma once

#include "core/StoreError.h"

#include <QList>

#include <optional>

class OpenNote;

// Whether what the user sees is in the store, over every open note: what the user must hear of,
// each once — the store file made anew, another file found in its place, saves failing, and
// failing no more. The wording is the caller's.
class SaveFailures {
public:
    struct News {
        // The store file was gone and was made anew with the open notes.
        bool storeRecreated = false;
        // The store was another file: the open notes were saved as new notes in it.
        bool rowsReplaced = false;
        // Something is not stored, told once when it begins and once when it is over.
        bool failureBegan = false;
        bool failureOver = false;
        bool failing = false;
        // Notes whose last save failed, and why the first of them failed.
        int unsaved = 0;
        std::optional<StoreError> reason;
    };

    // Notes whose save failed are saved again.
    static void retryFailed(const QList<OpenNote*>& notes);
    // What is new since the last look. readFailed: the notes could not be read at start, which
    // counts as failing until they are.
    News look(const QList<OpenNote*>& notes, bool readFailed);
    // The start told of a failure already.
    void markReported() { m_failureReported = true; }

private:
    bool m_failureReported = false;
    bool m_rowsReplacedReported = false;
    bool m_storeRecreatedReported = false;
};
