#pragma once

#include "TestSupport.h"

#include "notes/RichEdit.h"
#include "notes/uFDaviv.h"
#include "shell/uFMain.h"

#include <QEvent>
#include <QFile>

#include <fcntl.h>
#include <sys/fsuid.h>
#include <unistd.h>

// A store with two bystander rows (an ended note and a message) that no test means to write,
// and an exact record of every stored value, so that a test sees any change it did not mean.
class TFaultFixture : public TWindowFixture {
protected:
    TFaultFixture()
    {
        Prepare();
        Exec("insert into m_daviv (f_day, note, xpos, ypos, width, height, term, visible, color, alpha) "
             "values ('2001/01/01', 'bystander', 1, 2, 271, 71, 0, -1, 65535, 200)");
        Exec("insert into m_icom_message values ('9:00:00', 'reminder', '2001/01/02')");
    }
    ~TFaultFixture() override
    {
        Main.reset();
        frmMain = nullptr;
        frmDaviv = nullptr;
    }

    // Adds a note row from SQL values in the column order of the table; returns its rowid.
    qint64 AddRow(const QByteArray& values)
    {
        TSQLiteDatabase db(DbPath().toUtf8());
        db.RunStatement("insert into m_daviv (f_day, note, xpos, ypos, width, height, term, visible, color, alpha) "
                        "values (" +
                        values + ")");
        return sqlite3_last_insert_rowid(db.Handle());
    }

    qint64 AddOpenNote(const QString& text)
    {
        return AddRow("'2011/08/26', " + SqlTextLiteral(text) + ", 100, 120, 271, 71, -1, -1, 65408, 200");
    }

    // Every value of both tables with its storage class, byte for byte; note rows only where
    // the condition holds.
    QStringList Snapshot(const QByteArray& noteCondition = "1")
    {
        QStringList rows;
        const auto read = [&](const QByteArray& sql) {
            auto table = Query(sql);
            for (table->GoFirst(); !table->AtEnd(); table->GoNext())
                rows << QString::fromLatin1(table->ValueText("r"));
        };
        QByteArray notes = "select 'note ' || rowid";
        for (const char* column :
             {"f_day", "note", "xpos", "ypos", "width", "height", "term", "visible", "color", "alpha"})
            notes += QByteArray(" || '|' || typeof(") + column + ") || ':' || hex(" + column + ")";
        read(notes + " as r from m_daviv where " + noteCondition + " order by rowid");
        read("select 'message ' || rowid || '|' || typeof(itime) || hex(itime) || '|' || typeof(message) || "
             "hex(message) || '|' || typeof(iday) || hex(iday) as r from m_icom_message order by rowid");
        return rows;
    }
    QStringList SnapshotExcept(qint64 id) { return Snapshot("rowid <> " + QByteArray::number(id)); }

    // The stored note text of a row, decoded as the restore decodes it.
    QString StoredText(qint64 id)
    {
        auto table = Query(StmtNoteById(id));
        return table->RowCount() == 1 ? DecodeStoreText(table->ValueText("note")) : QStringLiteral("<no row>");
    }

    QString StoredTerm(qint64 id)
    {
        auto table = Query(StmtNoteById(id));
        return QString::fromLatin1(table->ValueText("term"));
    }

    // A note window on a row, as the restore builds it, shown.
    TfrmDaviv* ShownNote(qint64 id, const QString& text)
    {
        auto* note = new TfrmDaviv(Desktop, Store, &Owner);
        note->SetNoteDate(QDate(2011, 8, 26));
        note->SetMemoText(text);
        note->SetBounds(100, 120, 271, 71);
        note->SetColor(65408);
        note->SetNoteId(qint32(id));
        note->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(note));
        return note;
    }

    static void PointerLeaves(TfrmDaviv* note)
    {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(note->RichEdMemo(), &leave);
    }

    // The palette with its timer stopped, after the first tick has restored the open notes.
    void StartAndRestore()
    {
        Main = std::make_unique<TfrmMain>(Desktop, Store);
        Main->Timer1()->stop();
        frmMain = Main.get();
        Main->Timer1Timer();
    }

    // Whether a fresh connection can read the store at this moment.
    bool StoreReadable()
    {
        try {
            Query("select count(*) as n from m_daviv");
            return true;
        } catch (const ESQLiteException&) {
            return false;
        }
    }

    QWidget Owner;
    std::unique_ptr<TfrmMain> Main;
};

// Another connection holding a write transaction on the store, as another program would.
class TLockHolder {
public:
    TLockHolder(const QString& path, const QByteArray& begin) : FDb(path.toUtf8()) { FDb.RunStatement(begin); }
    ~TLockHolder() { Release(); }
    void Release()
    {
        if (FDb.Handle() && !sqlite3_get_autocommit(FDb.Handle()))
            FDb.RunStatement("ROLLBACK");
    }

private:
    TSQLiteDatabase FDb;
};

inline const QByteArray LockKinds[] = {"BEGIN IMMEDIATE", "BEGIN EXCLUSIVE"};

// File access from this thread as an ordinary user, for as long as it lives: permission bits
// do not stop root. Effective only where the caller can change its file-system user.
class TUnprivilegedFiles {
public:
    static constexpr uid_t Nobody = 65534;
    TUnprivilegedFiles() : FWasRoot(geteuid() == 0)
    {
        if (FWasRoot)
            setfsuid(Nobody);
    }
    ~TUnprivilegedFiles()
    {
        if (FWasRoot)
            setfsuid(0);
    }
    TUnprivilegedFiles(const TUnprivilegedFiles&) = delete;
    TUnprivilegedFiles& operator=(const TUnprivilegedFiles&) = delete;

    // Whether the file can be opened for writing by this thread now.
    static bool CanWrite(const QString& path)
    {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
        if (fd < 0)
            return false;
        ::close(fd);
        return true;
    }
    // Whether a new file can be made in the folder by this thread now.
    static bool CanCreateIn(const QString& folder)
    {
        const QByteArray probe = QFile::encodeName(folder + QStringLiteral("/probe"));
        const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0)
            return false;
        ::close(fd);
        ::unlink(probe.constData());
        return true;
    }

private:
    bool FWasRoot;
};
