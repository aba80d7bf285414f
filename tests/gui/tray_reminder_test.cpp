#include "core/ReminderSchedule.h"
#include "gui/BalloonPopup.h"
#include "gui/NoteList.h"
#include "gui/NoteWindow.h"
#include "gui/Palette.h"
#include "gui/ReminderEditor.h"
#include "gui/Tray.h"

#include "TestSupport.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

class TrayAndReminders : public WindowFixture {
protected:
    // Started, the first tick's restore behind it.
    void start() { startAndRestore(); }

    void addReminder(const char* time, const char* message, const char* day)
    {
        prepare();
        exec(Statements::addMessage(QString::fromUtf8(time), QString::fromUtf8(message), QString::fromUtf8(day)));
    }

    // The balloon texts one tick at the given time of day shows.
    QStringList tickAt(QTime time)
    {
        desktop.clock = QDateTime(QDate(2026, 12, 8), time);
        QSignalSpy shown(&app->tray(), &Tray::balloonShown);
        app->tick();
        QStringList texts;
        for (const QList<QVariant>& args : shown)
            texts << args.first().toString();
        return texts;
    }

    QAction* action(QMenu* menu, const char* name)
    {
        for (QAction* action : menu->actions())
            if (action->objectName() == QLatin1String(name))
                return action;
        return nullptr;
    }
};

} // namespace

TEST_F(TrayAndReminders, ReminderShowsItsTimeTextAndMessageInItsMinute)
{
    addReminder("10:30:45", "会議", "2026/12/08");
    addReminder("10:30:00", "yesterday", "2026/12/07");
    addReminder("10:30:00", "tomorrow", "2026/12/09");
    desktop.clock = QDateTime(QDate(2026, 12, 8), QTime(10, 29, 0));
    start();
    EXPECT_TRUE(tickAt(QTime(10, 29, 59)).isEmpty());
    EXPECT_EQ(tickAt(QTime(10, 30, 0)), QStringList{QStringLiteral("10:30:45 (^O^) 会議")});
    EXPECT_TRUE(tickAt(QTime(10, 30, 1)).isEmpty());
    EXPECT_TRUE(tickAt(QTime(10, 30, 45)).isEmpty());
    EXPECT_EQ(app->tray().balloonText(), QStringLiteral("10:30:45 (^O^) 会議"));
}

TEST_F(TrayAndReminders, EntriesOfOneMinuteShareOneBalloonALineEach)
{
    addReminder("9:00:00", "first", "2026/12/08");
    addReminder("9:00:30", "", "2026/12/08");
    desktop.clock = QDateTime(QDate(2026, 12, 8), QTime(8, 59, 0));
    start();
    const QString both = QStringLiteral("9:00:00 (^O^) first\n9:00:30 (^O^) ");
    EXPECT_EQ(tickAt(QTime(9, 0, 1)), QStringList{both});
    EXPECT_EQ(app->tray().balloonText(), both);
}

TEST_F(TrayAndReminders, AnUnreadableEntryIsSkippedAndTheTickGoesOn)
{
    addReminder("25:99", "broken", "2026/12/08");
    addReminder("9:00:00", "later", "not a date");
    addReminder("9:00:00", "fine", "2026/12/08");
    desktop.clock = QDateTime(QDate(2026, 12, 8), QTime(8, 59, 0));
    start();
    desktop.cursor = QPoint(0, 0);
    EXPECT_EQ(tickAt(QTime(9, 0, 0)), QStringList{QStringLiteral("9:00:00 (^O^) fine")});
    EXPECT_TRUE(app->palette().isVisible());
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_EQ(app->reminders().entries().size(), 3u);
}

TEST_F(TrayAndReminders, WithoutATrayTheReminderShowsInAPopupOfOurOwn)
{
    addReminder("9:00:00", "popup", "2026/12/08");
    desktop.clock = QDateTime(QDate(2026, 12, 8), QTime(8, 59, 0));
    start();
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    tickAt(QTime(9, 0, 0));
    EXPECT_TRUE(app->tray().popup()->isVisible());
    EXPECT_EQ(app->tray().popup()->text(), QStringLiteral("9:00:00 (^O^) popup"));
}

TEST_F(TrayAndReminders, ABalloonOfManyRemindersStaysOnTheScreenAndCountsTheRest)
{
    prepare();
    QStringList due;
    for (int i = 0; i < 200; ++i) {
        const QString message = QStringLiteral("予定 %1").arg(i);
        exec(Statements::addMessage(QStringLiteral("9:00:00"), message, QStringLiteral("2026/12/08")));
        due << QStringLiteral("9:00:00 (^O^) ") + message;
    }
    desktop.clock = QDateTime(QDate(2026, 12, 8), QTime(8, 59, 0));
    start();
    tickAt(QTime(9, 0, 0));
    const BalloonPopup* balloon = app->tray().popup();
    ASSERT_TRUE(balloon->isVisible());
    EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(balloon->geometry()))
        << balloon->height();
    QStringList lines = balloon->text().split(QLatin1Char('\n'));
    const QString rest = lines.takeLast();
    ASSERT_GT(lines.size(), 1);
    EXPECT_EQ(lines, due.first(lines.size()));
    EXPECT_EQ(rest, QStringLiteral("ほか %1 件").arg(due.size() - lines.size()));
}

TEST_F(TrayAndReminders, AShownReminderMarksTheIconUntilTheUserLooksAndTheTrayReachesBothWindows)
{
    addReminder("9:00:00", "seen?", "2026/12/08");
    addReminder("9:01:00", "again", "2026/12/08");
    desktop.clock = QDateTime(QDate(2026, 12, 8), QTime(8, 59, 0));
    start();
    Tray& tray = app->tray();
    const qint64 plain = tray.icon()->icon().cacheKey();
    tickAt(QTime(9, 0, 0));
    EXPECT_TRUE(tray.reminderMarked());
    EXPECT_NE(tray.icon()->icon().cacheKey(), plain);
    Q_EMIT tray.icon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(tray.reminderMarked());
    tickAt(QTime(9, 1, 0));
    ASSERT_TRUE(tray.reminderMarked());
    // Both windows are modal: each is closed from inside its own event loop.
    const auto opens = [&](QWidget& window, const char* item) {
        bool shown = false;
        QTimer::singleShot(0, &window, [&] {
            shown = window.isVisible();
            window.close();
        });
        action(tray.menu(), item)->trigger();
        return shown;
    };
    EXPECT_TRUE(opens(app->reminderEditor(), "trayRemindersAction"));
    EXPECT_FALSE(tray.reminderMarked());
    EXPECT_TRUE(opens(app->noteList(), "trayNoteListAction"));
}

TEST_F(TrayAndReminders, HideShowAndShortcutsOfThePalette)
{
    start();
    app->palette().move(300, 200);
    app->showPalette();
    EXPECT_TRUE(app->palette().isVisible());
    EXPECT_EQ(app->palette().pos(), QPoint(300, 200));
    app->palette().activateWindow();
    ASSERT_EVENTUALLY(QApplication::activeWindow() == &app->palette());
    QTest::keyClick(&app->palette(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_FALSE(app->palette().isVisible());
    EXPECT_EQ(app->tray().icon()->toolTip(), QStringLiteral("RIdozad"));
}

TEST_F(TrayAndReminders, PaletteKeysShowNotesListThemAndEnd)
{
    prepare();
    addRow("'2026/12/08', 'hidden', 10, 20, 271, 71, -1, 0, 65535, 200");
    startAndRestore();
    ASSERT_EQ(app->notes().notes().size(), 1);
    NoteWindow* note = app->notes().notes().first();
    note->hideNote();
    const auto press = [this](Qt::Key key) {
        app->showPalette();
        app->palette().activateWindow();
        ASSERT_EVENTUALLY(QApplication::activeWindow() == &app->palette());
        QTest::keyClick(&app->palette(), key, Qt::ControlModifier);
    };
    press(Qt::Key_D);
    EXPECT_TRUE(note->isVisible());
    // The list is modal: it is closed from inside its own event loop.
    bool listed = false;
    QTimer::singleShot(0, &app->noteList(), [&] {
        listed = app->noteList().isVisible();
        app->noteList().close();
    });
    press(Qt::Key_L);
    EXPECT_TRUE(listed);
    QSignalSpy finished(app.get(), &Application::finished);
    press(Qt::Key_X);
    EXPECT_EQ(finished.count(), 1);
}

TEST_F(TrayAndReminders, ShowAllBringsBackHiddenAndEndedNotesAsOpen)
{
    prepare();
    for (int i = 0; i < 2; ++i)
        exec("insert into m_daviv values ('2026/12/08', 'n', 10, 20, 271, 71, -1, -1, 65535, 200)");
    start();
    app->tick();
    ASSERT_EQ(app->notes().notes().size(), 2);
    NoteWindow* hidden = app->notes().notes()[0];
    NoteWindow* ended = app->notes().notes()[1];
    hidden->hideNote();
    QSignalSpy endedSpy(ended, &NoteWindow::taskEnded);
    ended->endTask();
    ASSERT_EVENTUALLY(endedSpy.count() == 1);
    EXPECT_EQ(column(Statements::noteList, "term"), (QStringList{QStringLiteral("-1"), QStringLiteral("0")}));
    app->showAllNotes();
    EXPECT_TRUE(hidden->isVisible());
    EXPECT_TRUE(ended->isVisible());
    EXPECT_TRUE(ended->isOpen());
    // Shown at the transparency the store holds for it, not at the fade's invisible end.
    EXPECT_EQ(ended->alpha(), NoteWindow::DefaultAlpha);
    // The store says so at once, not at some later save.
    EXPECT_EQ(column(Statements::noteList, "term"), (QStringList{QStringLiteral("-1"), QStringLiteral("-1")}));
}

TEST_F(TrayAndReminders, BothExitCommandsSaveEveryNoteOnceAndEnd)
{
    for (const char* command : {"quitAction", "trayQuitAction"}) {
        prepare();
        exec("delete from m_daviv");
        exec("insert into m_daviv values ('2026/12/08', 'n', 10, 20, 271, 71, -1, -1, 65535, 125)");
        start();
        QSignalSpy closed(app.get(), &Application::finished);
        QMenu* menu = QByteArray(command) == "quitAction" ? app->palette().menu() : app->tray().menu();
        action(menu, command)->trigger();
        EXPECT_EQ(closed.count(), 1) << command;
        EXPECT_TRUE(app->notes().notes().isEmpty());
        // Every save writes the default transparency.
        EXPECT_EQ(column(Statements::noteList, "rowid").size(), 1);
        EXPECT_EQ(column(Statements::openNotes, "alpha"), QStringList{QStringLiteral("200")}) << command;
        app.reset();
    }
}

TEST_F(TrayAndReminders, BalloonCommandShowsTheCurrentTextThenEditsAndReloads)
{
    start();
    ReminderEditor& editor = app->reminderEditor();
    desktop.clock = QDateTime(QDate(2026, 12, 8), QTime(8, 59, 30));
    QSignalSpy shown(&app->tray(), &Tray::balloonShown);
    // While the editor is open, a message is added for a minute that passes before it closes;
    // closing reloads the cache and shows it then.
    QTimer::singleShot(0, &editor, [&] {
        exec("insert into m_icom_message values ('9:00:00', 'added', '2026/12/08')");
        desktop.clock = QDateTime(QDate(2026, 12, 8), QTime(9, 1, 30));
        app->tick();
        editor.reject();
    });
    app->editReminders();
    ASSERT_EQ(shown.count(), 2);
    EXPECT_EQ(shown.first().first().toString(), QStringLiteral("???"));
    EXPECT_EQ(shown.last().first().toString(), QStringLiteral("9:00:00 (^O^) added"));
}
