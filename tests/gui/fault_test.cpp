#include "core/Backup.h"
#include "core/StoreRecovery.h"
#include "gui/NoteList.h"
#include "gui/ReportList.h"

#include "FaultFixture.h"
#include "TestText.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QSignalSpy>

namespace {

using StoreLocked = FaultFixture;
using StoreUnwritable = FaultFixture;
using StoreDamaged = FaultFixture;

} // namespace

// --- Another program holds the store's write lock ---

TEST_F(StoreLocked, NoteSaveIsDroppedQuietlyAndTheNextSaveStoresWhatWasTyped)
{
    for (const QByteArray& lock : LockKinds) {
        const qint64 id = addOpenNote(S("before"));
        NoteWindow* note = shownNote(id, S("before"));
        const QStringList before = snapshot();
        {
            LockHolder other(dbPath(), lock);
            note->setText(S("typed while locked\n表ソ能"));
            pointerLeaves(note);
            note->move(note->x() + 5, note->y());
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(snapshot(), before) << lock.constData();
        EXPECT_TRUE(reports.isEmpty()) << qPrintable(reports.join(QLatin1Char('\n')));
        EXPECT_EQ(note->text(), S("typed while locked\r\n表ソ能\r\n"));

        // The first save after the release writes the whole note again, with nothing typed anew.
        const QStringList others = snapshotExcept(id);
        pointerLeaves(note);
        EXPECT_EQ(storedText(id), S("typed while locked\r\n表ソ能\r\n")) << lock.constData();
        EXPECT_EQ(snapshotExcept(id), others);
        note->setText(S("and later"));
        pointerLeaves(note);
        EXPECT_EQ(storedText(id), S("and later\r\n"));
        delete note;
    }
}

TEST_F(StoreLocked, ExitSaveNamesEveryNoteItCouldNotSaveAndChangesNothing)
{
    // Names planted where the rescue file would go: it passes them by, through neither.
    const QString first = dir.filePath(QStringLiteral("zu_daviv-unsaved-20261208-103000.txt"));
    const QString second = dir.filePath(QStringLiteral("zu_daviv-unsaved-20261208-103000-2.txt"));
    const QString target = dir.filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QFile::link(target, first));
    {
        QFile planted(second);
        ASSERT_TRUE(planted.open(QIODevice::WriteOnly) && planted.write("planted") == 7);
    }
    for (const QByteArray& lock : LockKinds) {
        exec("delete from m_daviv where rowid > 1");
        addOpenNote(S("old"));
        addOpenNote(S(""));
        startAndRestore();
        app->setExitLockWait(200);
        ASSERT_EQ(app->notes().notes().size(), 2);
        app->notes().notes()[0]->setText(S("買い物リスト\nmilk"));
        app->notes().notes()[1]->setText(S("  \n二行目"));
        const QStringList before = snapshot();
        reports.clear();
        QSignalSpy closed(app.get(), &Application::finished);
        {
            LockHolder other(dbPath(), lock);
            app->quit();
        }
        EXPECT_EQ(closed.count(), 1);
        EXPECT_EQ(snapshot(), before) << lock.constData();
        ASSERT_EQ(reports.size(), 1) << lock.constData();
        const QStringList lines = reports.first().split(QLatin1Char('\n'));
        EXPECT_EQ(lines.mid(1, 2), (QStringList{S("・買い物リスト"), S("・(空の付箋)")}))
            << qPrintable(reports.first());
        // What could not be stored is in a text file beside the store, named in the report.
        QFile rescued(lines.value(lines.size() - 2));
        ASSERT_TRUE(rescued.open(QIODevice::ReadOnly)) << qPrintable(reports.first());
        const QString text = QString::fromUtf8(rescued.readAll());
        EXPECT_TRUE(text.contains(S("買い物リスト\r\nmilk\r\n")) && text.contains(S("  \r\n二行目\r\n")));
        EXPECT_EQ(QFileInfo(rescued).fileName(), QStringLiteral("zu_daviv-unsaved-20261208-103000-3.txt"));
        EXPECT_EQ(rescued.permissions() & QFile::Permissions(0x7077), QFile::ReadOwner | QFile::WriteOwner);
        EXPECT_EQ(QFileInfo(first).symLinkTarget(), target);
        EXPECT_FALSE(QFile::exists(target));
        EXPECT_EQ(QFileInfo(second).size(), 7);
        rescued.remove();
        EXPECT_TRUE(app->notes().notes().isEmpty());
        app.reset();
    }
}

TEST_F(StoreLocked, NoteListReloadFailsWithoutChangingTheStore)
{
    const qint64 ended = addRow("'2011/08/27', 'ended note', 10, 20, 271, 71, 0, -1, 65535, 200");
    start();
    NoteList& list = app->noteList();
    list.show();
    auto* rows = list.findChild<ReportList*>(QStringLiteral("notesView"));
    ASSERT_EQ(rows->topLevelItemCount(), 2);
    const QStringList before = snapshot();

    // A write lock still lets the list read: the delete fails, says so, and the row stays listed.
    {
        LockHolder other(dbPath(), "BEGIN IMMEDIATE");
        rows->topLevelItem(1)->setSelected(true);
        QTest::mouseClick(list.findChild<QPushButton*>(QStringLiteral("removeButton")), Qt::LeftButton);
        EXPECT_EQ(rows->topLevelItemCount(), 2);
        ASSERT_EQ(reports.size(), 1);
        EXPECT_TRUE(reports.first().contains(S("database is locked"))) << qPrintable(reports.first());
    }
    EXPECT_EQ(snapshot(), before);

    // An exclusive lock stops the reload itself, which is reported.
    {
        LockHolder other(dbPath(), "BEGIN EXCLUSIVE");
        list.hide();
        list.show();
        EXPECT_EQ(reports.size(), 2);
    }
    EXPECT_EQ(snapshot(), before);
    list.hide();
    list.show();
    ASSERT_EQ(rows->topLevelItemCount(), 2);
    EXPECT_EQ(rows->topLevelItem(1)->text(1), S("ended note"));

    // Bringing a note back while another program writes: the window opens with the stored
    // text, and its own first save makes it open in the store.
    {
        LockHolder other(dbPath(), "BEGIN IMMEDIATE");
        rows->topLevelItem(1)->setSelected(true);
        QTest::mouseClick(list.findChild<QPushButton*>(QStringLiteral("reshowButton")), Qt::LeftButton);
    }
    EXPECT_EQ(snapshot(), before);
    const QList<NoteWindow*> shown = app->notes().notes();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.first()->text(), S("ended note\r\n"));
    EXPECT_EQ(shown.first()->saveState(), SaveState::Failed);
    shown.first()->saveNote();
    EXPECT_EQ(storedTerm(ended), S("-1"));
    EXPECT_EQ(storedText(ended), S("ended note"));
    EXPECT_EQ(reports.size(), 2);
}

// --- The store's file or folder cannot be written ---

TEST_F(StoreUnwritable, ReadOnlyFileKeepsEveryRowAndTheExitSaveSaysSo)
{
    const qint64 id = addOpenNote(S("stored"));
    QFile::setPermissions(dir.path(), QFile::Permissions(0x7777));
    QFile::setPermissions(dbPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    UnprivilegedFiles unprivileged;
    if (UnprivilegedFiles::canWrite(dbPath()))
        GTEST_SKIP() << "this user writes to read-only files";

    const QStringList before = snapshot();
    startAndRestore();
    ASSERT_EQ(app->notes().notes().size(), 1);
    NoteWindow* note = app->notes().notes().first();
    EXPECT_EQ(note->text(), S("stored\r\n"));
    note->setText(S("typed on a read-only store"));
    pointerLeaves(note);
    note->move(note->x() + 5, note->y());
    QCoreApplication::processEvents();
    EXPECT_TRUE(reports.isEmpty()) << qPrintable(reports.join(QLatin1Char('\n')));
    EXPECT_EQ(note->text(), S("typed on a read-only store\r\n"));
    EXPECT_EQ(storedText(id), S("stored"));

    app->setExitLockWait(100);
    app->quit();
    EXPECT_EQ(snapshot(), before);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.first().contains(S("・typed on a read-only store"))) << qPrintable(reports.first());
}

TEST_F(StoreUnwritable, FolderWithoutWriteAccessLosesNoRow)
{
    const qint64 id = addOpenNote(S("stored"));
    QFile::setPermissions(dbPath(), QFile::Permissions(0x6666));
    QFile::setPermissions(dir.path(), QFile::Permissions(0x5555));
    UnprivilegedFiles unprivileged;
    if (UnprivilegedFiles::canCreateIn(dir.path()))
        GTEST_SKIP() << "this user writes into folders without write access";

    const QStringList before = snapshot();
    startAndRestore();
    ASSERT_EQ(app->notes().notes().size(), 1);
    NoteWindow* note = app->notes().notes().first();
    note->setText(S("typed without a journal"));
    pointerLeaves(note);
    note->move(note->x() + 5, note->y());
    QCoreApplication::processEvents();
    EXPECT_TRUE(reports.isEmpty()) << qPrintable(reports.join(QLatin1Char('\n')));
    EXPECT_EQ(storedText(id), S("stored"));

    app->setExitLockWait(100);
    app->quit();
    EXPECT_EQ(snapshot(), before);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.first().contains(S("・typed without a journal"))) << qPrintable(reports.first());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files) == QStringList{QString::fromLatin1(StoreFileName)});
}

// --- The store file is not a database, or only part of one ---

TEST_F(StoreDamaged, FileThatIsNotADatabaseIsNeverWritten)
{
    addOpenNote(S("stored"));
    startAndRestore();
    ASSERT_EQ(app->notes().notes().size(), 1);
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += char(i * 7 + 3);
    {
        QFile file(dbPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("This is somebody's text file, not a database.\n" + garbage);
    }
    const QByteArray kept = fileBytes();

    NoteWindow* note = app->notes().notes().first();
    note->setText(S("typed after the file was replaced"));
    pointerLeaves(note);
    EXPECT_TRUE(reports.isEmpty()) << qPrintable(reports.join(QLatin1Char('\n')));
    EXPECT_EQ(note->text(), S("typed after the file was replaced\r\n"));

    EXPECT_EQ(note->saveState(), SaveState::Failed);
    EXPECT_TRUE(note->saveError().contains(S("not a database"))) << qPrintable(note->saveError());

    // Saves tried again on such a file are reported once, without a box, not a crash.
    QSignalSpy notified(&app->tray(), &Tray::notified);
    for (int i = 0; i < 2 * Application::RetryTicks; ++i)
        app->tick();
    EXPECT_EQ(notified.count(), 1);
    EXPECT_TRUE(reports.isEmpty());
    app->noteList().show();
    EXPECT_EQ(reports.size(), 1);
    app->noteList().hide();

    app->setExitLockWait(100);
    reports.clear();
    app->quit();
    EXPECT_EQ(fileBytes(), kept);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.first().contains(S("・typed after the file was replaced"))) << qPrintable(reports.first());
}

TEST_F(StoreDamaged, StoreDeletedWhileRunningIsMadeAnewAndToldOnce)
{
    addOpenNote(S("stored"));
    startAndRestore();
    ASSERT_EQ(app->notes().notes().size(), 1);
    ASSERT_TRUE(QFile::remove(dbPath()));
    NoteWindow* note = app->notes().notes().first();
    note->setText(S("typed after the file was deleted"));
    pointerLeaves(note);
    EXPECT_EQ(note->saveState(), SaveState::Stored);
    QSignalSpy notified(&app->tray(), &Tray::notified);
    note->setText(S("and again"));
    pointerLeaves(note);
    for (int i = 0; i < 2 * Application::RetryTicks; ++i)
        app->tick();
    ASSERT_EQ(notified.count(), 1);
    EXPECT_TRUE(notified.first().first().toString().contains(QDir::toNativeSeparators(dbPath())));
    EXPECT_EQ(storedText(note->noteId()), S("and again\r\n"));
}

TEST_F(StoreDamaged, TruncatedDatabaseIsReportedAndItsRestPagesKept)
{
    // Enough rows for several pages, so that a cut leaves the header and loses rows.
    exec("with recursive n(i) as (select 1 union all select i + 1 from n where i < 200) "
         "insert into m_daviv select '2011/08/26', 'note number ' || i || ' with some text to fill the page', "
         "10, 20, 271, 71, -1, -1, 65408, 200 from n");
    QFile file(dbPath());
    const qint64 size = file.size();
    ASSERT_GT(size, 8192);
    ASSERT_TRUE(file.resize(size / 2));
    const QByteArray kept = fileBytes();

    start();
    QSignalSpy notified(&app->tray(), &Tray::notified);
    app->tick();
    EXPECT_EQ(notified.count(), 1);
    EXPECT_TRUE(app->notes().notes().isEmpty());
    start();
    NoteList& list = app->noteList();
    list.show();
    EXPECT_FALSE(reports.isEmpty());
    app->quit();
    EXPECT_EQ(fileBytes(), kept);
}

TEST_F(StoreDamaged, DamagedPagesAreToldOnceNamingTheNewestSoundBackupAndCopiedBeforeTheNextWrite)
{
    const auto contents = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    addEndedNotes(200);
    const qint64 id = addOpenNote(S("open"));
    const QDir backups(dir.filePath(QStringLiteral("backup")));
    ASSERT_TRUE(backUp(dbPath(), backups.filePath(backupFileName(QDate(2026, 12, 6)))));
    damageNotesPage(dbPath());
    // A copy of the damaged store, as the program made them before it checked.
    ASSERT_TRUE(QFile::copy(dbPath(), backups.filePath(backupFileName(QDate(2026, 12, 7)))));
    const QByteArray damaged = contents(dbPath());

    start();
    QSignalSpy notified(&app->tray(), &Tray::notified);
    app->tick();
    ASSERT_EQ(notified.count(), 1);
    const QString notice = notified.first().first().toString();
    EXPECT_TRUE(notice.contains(S("2026/12/06"))) << qPrintable(notice);
    EXPECT_FALSE(notice.contains(S("2026/12/07"))) << qPrintable(notice);
    EXPECT_FALSE(notice.contains(S("*** in database"))) << "the problem itself, not the check's heading";
    const QStringList copies = QDir(dir.path()).entryList({QStringLiteral("zu_daviv-damaged-*.db")}, QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(contents(dir.filePath(copies.first())), damaged);
    // A later start on the same damage keeps no second copy.
    StoreRecovery again(dbPath());
    ASSERT_TRUE(again.checkStore(desktop.now().addSecs(60)));
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("zu_daviv-damaged-*.db")}, QDir::Files), copies);

    // The notes are still saved; a minute at rest copies nothing and tells nothing more.
    ASSERT_EQ(app->notes().notes().size(), 1);
    app->notes().notes().first()->setText(S("typed on the damaged store"));
    pointerLeaves(app->notes().notes().first());
    EXPECT_EQ(storedText(id), S("typed on the damaged store\r\n"));
    for (int i = 0; i < 3; ++i) {
        desktop.clock = desktop.clock.addSecs(61);
        app->tick();
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(QFile::exists(backups.filePath(backupFileName(desktop.today()))));
    EXPECT_EQ(notified.count(), 1);
    EXPECT_TRUE(reports.isEmpty()) << qPrintable(reports.join(QLatin1Char('\n')));
}
