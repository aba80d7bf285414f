#pragma once

#include "core/SyncItem.h"

#include <map>
#include <vector>

// Every item one store knows, by uid.
using SyncState = std::map<QString, SyncItem>;

// What a merge changed in a state.
struct SyncChanges {
    // Items taken from the other side or merged (removals included).
    std::vector<QString> changed;
    // Items new to this state: from the other side, or copies of a change that lost (a conflict).
    std::vector<QString> added;
};

// Merges what another store published into this store's state. The result does not depend on
// the order in which stores' items arrive: every store that has seen the same items holds the
// same. Two changes made without seeing each other:
// - a removal against a change: the change stays (an edit is never thrown away);
// - two different texts: the change with the higher stamp (then store id) keeps the item, the
//   other is kept as a new item, whose first line names the PC it came from;
// - otherwise the higher stamp's content.
SyncChanges mergeItems(SyncState& state, const std::vector<SyncItem>& incoming);

// The uid of the item that keeps a change that lost against another.
QString conflictCopyUid(const SyncItem& lost);
// The first line of such a note: which PC it came from.
QString conflictCopyHeading(const QString& pcName);
