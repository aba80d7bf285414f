#pragma once

#include "core/StoreError.h"
#include "core/SyncItem.h"

#include <QDateTime>
#include <QString>

#include <map>
#include <vector>

// What one store puts in the sync folder: every note and reminder it knows, removals included.
struct SyncFileContent {
    QString storeId;
    QString pcName;
    // The store's logical clock when it wrote the file.
    qint64 clock = 0;
    std::vector<SyncItem> items;
};

// The files of the sync folder. Each store writes one file of its own, named after its id and
// its PC's name, always whole: written under a hidden temporary name and renamed over the old
// one, so that a sync tool never takes half of it. Other stores' files are only read.
namespace SyncFile {

// "zufusen-<store id>-<PC name>.zusync", the name made safe for every file system.
QString fileName(const QString& storeId, const QString& pcName);
// A new random store id.
QString newStoreId();

StoreResult<> write(const QString& folder, const SyncFileContent& content);
// A file as it was read; a file that is partial, damaged, foreign or not under its own name gives
// why, and is read again once it changes.
StoreResult<SyncFileContent> read(const QString& path);

} // namespace SyncFile

// The other stores' files in a folder, read again only when they change. A sync tool's
// temporary and conflict files, and any other file, are passed over.
class SyncFolderReader {
public:
    struct Peer {
        QString path;
        SyncFileContent content;
    };

    // Every whole file of another store; for a store with two files (its PC renamed), the later.
    std::vector<Peer> read(const QString& folder, const QString& ownStoreId);
    // Files seen but not usable (yet), with why: for the log.
    const std::map<QString, QString>& passedOver() const { return m_passedOver; }

private:
    struct Seen {
        qint64 size = -1;
        QDateTime modified;
        std::optional<SyncFileContent> content;
    };
    std::map<QString, Seen> m_seen;
    std::map<QString, QString> m_passedOver;
};
