#pragma once

#include "TestSupport.h"

#include "NoteEditor.h"
#include "NoteWindow.h"
#include "Palette.h"

#include <QEvent>
#include <QFile>

#include <fcntl.h>
#include <sys/fsuid.h>
#include <unistd.h>

// A store with two bystander rows (an ended note and a message) that no test means to write,
// and an exact record of every stored value, so that a test sees any change it did not mean.
class FaultFixture : public WindowFixture {
protected:
    FaultFixture()
    {
        prepare();
        exec("insert into m_daviv (f_day, note, xpos, ypos, width, height, term, visible, color, alpha) "
             "values ('2001/01/01', 'bystander', 1, 2, 271, 71, 0, -1, 65535, 200)");
        exec("insert into m_icom_message values ('9:00:00', 'reminder', '2001/01/02')");
    }
    ~FaultFixture() override
    {
        main.reset();
        frmMain = nullptr;
    }

    // Adds a note row from SQL values in the column order of the table; returns its rowid.
    qint64 addRow(const QByteArray& values)
    {
        SqliteDatabase db(dbPath().toUtf8());
        db.runStatement("insert into m_daviv (f_day, note, xpos, ypos, width, height, term, visible, color, alpha) "
                        "values (" +
                        values + ")");
        return sqlite3_last_insert_rowid(db.handle());
    }

    qint64 addOpenNote(const QString& text)
    {
        return addRow("'2011/08/26', " + sqlTextLiteral(text) + ", 100, 120, 271, 71, -1, -1, 65408, 200");
    }

    // Every value of both tables with its storage class, byte for byte; note rows only where
    // the condition holds.
    QStringList snapshot(const QByteArray& noteCondition = "1")
    {
        QStringList rows;
        const auto read = [&](const QByteArray& sql) {
            auto table = query(sql);
            for (table->goFirst(); !table->atEnd(); table->goNext())
                rows << QString::fromLatin1(table->valueText("r"));
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
    QStringList snapshotExcept(qint64 id) { return snapshot("rowid <> " + QByteArray::number(id)); }

    // The stored note text of a row, decoded as the restore decodes it.
    QString storedText(qint64 id)
    {
        auto table = query(StmtNoteById(id));
        return table->rowCount() == 1 ? decodeStoreText(table->valueText("note")) : QStringLiteral("<no row>");
    }

    QString storedTerm(qint64 id)
    {
        auto table = query(StmtNoteById(id));
        return QString::fromLatin1(table->valueText("term"));
    }

    // A note window on a row, as the restore builds it, shown.
    NoteWindow* shownNote(qint64 id, const QString& text)
    {
        auto* note = new NoteWindow(desktop, store, &owner);
        note->setNoteDate(QDate(2011, 8, 26));
        note->setText(text);
        note->setBounds(100, 120, 271, 71);
        note->setColor(65408);
        note->setNoteId(qint32(id));
        note->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(note));
        return note;
    }

    static void pointerLeaves(NoteWindow* note)
    {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(note->editor(), &leave);
    }

    // The palette with its timer stopped, after the first tick has restored the open notes.
    void startAndRestore()
    {
        main = std::make_unique<Palette>(desktop, store);
        main->tickTimer()->stop();
        frmMain = main.get();
        main->tick();
    }

    // Whether a fresh connection can read the store at this moment.
    bool storeReadable()
    {
        try {
            query("select count(*) as n from m_daviv");
            return true;
        } catch (const StoreError&) {
            return false;
        }
    }

    QWidget owner;
    std::unique_ptr<Palette> main;
};

// Another connection holding a write transaction on the store, as another program would.
class LockHolder {
public:
    LockHolder(const QString& path, const QByteArray& begin) : m_db(path.toUtf8()) { m_db.runStatement(begin); }
    ~LockHolder() { release(); }
    void release()
    {
        if (m_db.handle() && !sqlite3_get_autocommit(m_db.handle()))
            m_db.runStatement("ROLLBACK");
    }

private:
    SqliteDatabase m_db;
};

inline const QByteArray LockKinds[] = {"BEGIN IMMEDIATE", "BEGIN EXCLUSIVE"};

// File access from this thread as an ordinary user, for as long as it lives: permission bits
// do not stop root. Effective only where the caller can change its file-system user.
class UnprivilegedFiles {
public:
    static constexpr uid_t nobody = 65534;
    UnprivilegedFiles() : m_wasRoot(geteuid() == 0)
    {
        if (m_wasRoot)
            setfsuid(nobody);
    }
    ~UnprivilegedFiles()
    {
        if (m_wasRoot)
            setfsuid(0);
    }
    UnprivilegedFiles(const UnprivilegedFiles&) = delete;
    UnprivilegedFiles& operator=(const UnprivilegedFiles&) = delete;

    // Whether the file can be opened for writing by this thread now.
    static bool canWrite(const QString& path)
    {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
        if (fd < 0)
            return false;
        ::close(fd);
        return true;
    }
    // Whether a new file can be made in the folder by this thread now.
    static bool canCreateIn(const QString& folder)
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
    bool m_wasRoot;
};
