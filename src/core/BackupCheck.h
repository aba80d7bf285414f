#pragma once

#include <QString>

// What a copy in the backup folder is good for: only a usable one may take the store's place.
class BackupCheck {
public:
    enum class Verdict {
        Usable,
        Empty,     // a file of no bytes: a copy never finished, a sync tool's placeholder
        NotAStore, // not an SQLite database, or one without both of the store's tables
        Damaged,   // quick_check names a problem, or the file could not be read
    };

    // Opens the copy on a connection of its own, runs quick_check and counts its notes. Slow
    // for a large copy: callers that must stay responsive run it on another thread.
    static BackupCheck of(const QString& path);

    Verdict verdict() const { return m_verdict; }
    bool isUsable() const { return m_verdict == Verdict::Usable; }
    // Rows of m_daviv in a usable copy; -1 otherwise.
    int notes() const { return m_notes; }
    // Why the copy cannot be used, in SQLite's words or the check's own.
    const QString& detail() const { return m_detail; }

private:
    BackupCheck(Verdict verdict, QString detail, int notes = -1)
        : m_verdict(verdict), m_detail(std::move(detail)), m_notes(notes)
    {
    }

    Verdict m_verdict;
    QString m_detail;
    int m_notes;
};
