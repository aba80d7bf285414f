#include "core/SaveFailures.h"

#include "core/OpenNote.h"

#include <utility>

void SaveFailures::retryFailed(const QList<OpenNote*>& notes)
{
    for (OpenNote* note : notes)
        if (note->saver().state() == SaveState::Failed)
            note->save(0);
}

SaveFailures::News SaveFailures::look(const QList<OpenNote*>& notes, bool readFailed)
{
    News news;
    bool rowsReplaced = false;
    bool storeRecreated = false;
    for (OpenNote* note : notes) {
        NoteSaver& saver = note->saver();
        if (saver.state() == SaveState::Failed) {
            ++news.unsaved;
            if (!news.reason)
                news.reason = saver.error();
        }
        const std::optional<SaveResult::Way> change = saver.takeRowChange();
        rowsReplaced = rowsReplaced || change == SaveResult::AddedTaken;
        storeRecreated = storeRecreated || change == SaveResult::AddedToNewStore;
    }
    news.storeRecreated = storeRecreated && !std::exchange(m_storeRecreatedReported, true);
    news.rowsReplaced = rowsReplaced && !std::exchange(m_rowsReplacedReported, true);
    news.failing = news.unsaved > 0 || readFailed;
    if (news.failing)
        news.failureBegan = !std::exchange(m_failureReported, true);
    else
        news.failureOver = std::exchange(m_failureReported, false);
    return news;
}
