#include "core/SyncMerge.h"

#include <QCoreApplication>

#include <optional>
#include <tuple>

namespace {

bool wins(const SyncItem& a, const SyncItem& b)
{
    return std::tie(a.stamp, a.origin) > std::tie(b.stamp, b.origin);
}

// Two changes made without seeing each other, merged the same way whichever side merges; the
// change that lost, where its text would otherwise be gone, comes back as a copy.
SyncItem mergeConcurrent(const SyncItem& a, const SyncItem& b, std::optional<SyncItem>& lostCopy)
{
    const SyncItem& winner = wins(a, b) ? a : b;
    const SyncItem& loser = wins(a, b) ? b : a;
    SyncItem merged = winner;
    if (a.removed != b.removed) {
        merged = a.removed ? b : a;
    } else if (!a.removed && a.text != b.text) {
        SyncItem copy = loser;
        copy.uid = conflictCopyUid(loser);
        copy.isOpen = true;
        if (copy.kind == SyncItem::NoteKind)
            copy.text = conflictCopyHeading(loser.originName) + QLatin1String("\r\n") + loser.text;
        lostCopy = copy;
    }
    merged.version = joinVersions(a.version, b.version);
    return merged;
}

} // namespace

QString conflictCopyUid(const SyncItem& lost)
{
    return lost.uid + QLatin1Char('~') + lost.origin + QLatin1Char('.') + QString::number(lost.stamp);
}

QString conflictCopyHeading(const QString& pcName)
{
    return QCoreApplication::translate("SyncMerge", "【%1 で同時に書き換えられた内容】").arg(pcName);
}

SyncChanges mergeItems(SyncState& state, const std::vector<SyncItem>& incoming)
{
    SyncChanges changes;
    const auto take = [&](const SyncItem& item, bool isNew) {
        SyncItem& held = state[item.uid];
        // The place stays this store's own once it has one.
        const QRect place = isNew || !held.place.isValid() ? item.place : held.place;
        held = item;
        held.place = place;
        (isNew ? changes.added : changes.changed).push_back(item.uid);
    };
    for (const SyncItem& item : incoming) {
        const auto known = state.find(item.uid);
        if (known == state.end()) {
            take(item, true);
            continue;
        }
        switch (compareVersions(item.version, known->second.version)) {
        case SyncOrder::Same:
        case SyncOrder::Older:
            break;
        case SyncOrder::Newer:
            take(item, false);
            break;
        case SyncOrder::Concurrent: {
            std::optional<SyncItem> lostCopy;
            const SyncItem merged = mergeConcurrent(known->second, item, lostCopy);
            // Beside the note it was written in, as this PC shows that note.
            if (lostCopy && known->second.place.isValid())
                lostCopy->place = known->second.place.translated(24, 24);
            take(merged, false);
            if (lostCopy && !state.contains(lostCopy->uid))
                take(*lostCopy, true);
            break;
        }
        }
    }
    return changes;
}
