#pragma once

#include "gui/NoteEditor.h"
#include "gui/NoteWindow.h"
#include "gui/Palette.h"
#include "gui/Tray.h"

#include "TestSupport.h"

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
        addBystanders();
    }
    ~FaultFixture() override { app.reset(); }

    // A note window on a row, as the restore builds it, shown.
    NoteWindow* shownNote(qint64 id, const QString& text)
    {
        Note values;
        values.id = qint32(id);
        values.date = QDate(2011, 8, 26);
        values.text = text;
        values.bounds = QRect(100, 120, 271, 71);
        values.color = 65408;
        values.alpha = NoteWindow::DefaultAlpha;
        auto* note = new NoteWindow(desktop, store, report, &owner);
        note->take(values, std::nullopt, {});
        note->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(note));
        return note;
    }

    static void pointerLeaves(NoteWindow* note)
    {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(note->editor(), &leave);
    }

    // Whether a fresh connection can read the store at this moment.
    bool storeReadable() { return query("select count(*) as n from m_daviv").ok(); }

    QWidget owner;
};

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
