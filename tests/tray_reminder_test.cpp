#include "TestSupport.h"

#include "NoteWindow.h"
#include "ReminderEditor.h"
#include "BalloonPopup.h"
#include "ReminderSchedule.h"
#include "Palette.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

class TrayAndReminders : public WindowFixture {
protected:
    void start()
    {
        main = std::make_unique<Palette>(desktop, store);
        main->tickTimer()->stop();
        frmMain = main.get();
        templateNote = std::make_unique<NoteWindow>(desktop, store, nullptr);
        frmDaviv = templateNote.get();
        main->tick(); // the first tick's restore is behind us
    }
    ~TrayAndReminders() override
    {
        main.reset();
        templateNote.reset();
        frmDaviv = nullptr;
    }

    void addReminder(const char* time, const char* message, const char* day)
    {
        prepare();
        exec(Statements::addMessage(QString::fromUtf8(time), QString::fromUtf8(message), QString::fromUtf8(day)));
    }

    // The balloon texts one tick at the given time of day shows.
    QStringList tickAt(QTime time)
    {
        desktop.clock = QDateTime(QDate(2026, 12, 8), time);
        QSignalSpy shown(main.get(), &Palette::balloonShown);
        main->tick();
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

    std::unique_ptr<Palette> main;
    std::unique_ptr<NoteWindow> templateNote;
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
    EXPECT_EQ(main->balloonText(), QStringLiteral("10:30:45 (^O^) 会議"));
}

TEST_F(TrayAndReminders, EntriesOfOneMinuteShareOneBalloonALineEach)
{
    addReminder("9:00:00", "first", "2026/12/08");
    addReminder("9:00:30", "", "2026/12/08");
    desktop.clock = QDateTime(QDate(2026, 12, 8), QTime(8, 59, 0));
    start();
    const QString both = QStringLiteral("9:00:00 (^O^) first\n9:00:30 (^O^) ");
    EXPECT_EQ(tickAt(QTime(9, 0, 1)), QStringList{both});
    EXPECT_EQ(main->balloonText(), both);
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
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_EQ(main->reminders().entries().size(), 3u);
}

TEST_F(TrayAndReminders, WithoutATrayTheReminderShowsInAPopupOfOurOwn)
{
    addReminder("9:00:00", "popup", "2026/12/08");
    desktop.clock = QDateTime(QDate(2026, 12, 8), QTime(8, 59, 0));
    start();
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    tickAt(QTime(9, 0, 0));
    EXPECT_TRUE(main->balloonPopup()->isVisible());
    EXPECT_EQ(main->balloonPopup()->text(), QStringLiteral("9:00:00 (^O^) popup"));
}

TEST_F(TrayAndReminders, TrayIconAndMenusAsDesigned)
{
    start();
    EXPECT_EQ(main->trayIcon()->toolTip(), QStringLiteral("RIdozad"));
    EXPECT_EQ(main->trayIcon()->contextMenu(), main->trayMenu());
    EXPECT_EQ(main->balloonText(), QStringLiteral("???"));
    EXPECT_EQ(main->windowTitle(), QStringLiteral("ＺＵ付箋"));
    const std::tuple<QMenu*, const char*, const char*, const char*> items[] = {
        {main->paletteMenu(), "hideAction", "隠す(&K)", "Ctrl+K"},
        {main->paletteMenu(), "noteListAction", "付箋一覧(&L)", "Ctrl+L"},
        {main->paletteMenu(), "showAllNotesAction", "付箋表示(&D)", "Ctrl+D"},
        {main->paletteMenu(), "remindersAction", "バルーンメッセージ(&B)", "Ctrl+B"},
        {main->paletteMenu(), "quitAction", "終了(&X)", "Ctrl+X"},
        {main->trayMenu(), "showPaletteAction", "表示(&V)", "Ctrl+V"},
        {main->trayMenu(), "trayQuitAction", "終了(&E)", "Ctrl+X"},
    };
    for (const auto& [menu, name, caption, shortcut] : items) {
        QAction* found = action(menu, name);
        ASSERT_NE(found, nullptr) << name;
        EXPECT_EQ(found->text(), QString::fromUtf8(caption));
        EXPECT_EQ(found->shortcut(), QKeySequence(QString::fromLatin1(shortcut)));
    }
}

TEST_F(TrayAndReminders, HideShowAndShortcutsOfThePalette)
{
    start();
    main->move(300, 200);
    main->showPalette();
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->pos(), QPoint(300, 200));
    main->activateWindow();
    ASSERT_EVENTUALLY(QApplication::activeWindow() == main.get());
    QTest::keyClick(main.get(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_FALSE(main->isVisible());
}

TEST_F(TrayAndReminders, ShowAllBringsBackHiddenAndEndedNotesAsOpen)
{
    prepare();
    for (int i = 0; i < 2; ++i)
        exec("insert into m_daviv values ('2026/12/08', 'n', 10, 20, 271, 71, -1, -1, 65535, 200)");
    main = std::make_unique<Palette>(desktop, store);
    main->tickTimer()->stop();
    templateNote = std::make_unique<NoteWindow>(desktop, store, nullptr);
    frmDaviv = templateNote.get();
    main->tick();
    ASSERT_EQ(main->noteWindows.size(), 2);
    NoteWindow* hidden = main->noteWindows[0];
    NoteWindow* ended = main->noteWindows[1];
    hidden->hideNote();
    QSignalSpy endedSpy(ended, &NoteWindow::taskEnded);
    ended->endTask();
    ASSERT_EVENTUALLY(endedSpy.count() == 1);
    EXPECT_EQ(column(Statements::noteList, "term"), (QStringList{QStringLiteral("-1"), QStringLiteral("0")}));
    main->showAllNotes();
    EXPECT_TRUE(hidden->isVisible());
    EXPECT_TRUE(ended->isVisible());
    EXPECT_TRUE(ended->isOpen());
    // Shown at the transparency the store holds for it, not at the fade's invisible end.
    EXPECT_EQ(ended->alpha(), NoteWindow::DefaultAlpha);
    main->close();
    EXPECT_EQ(column(Statements::noteList, "term"), (QStringList{QStringLiteral("-1"), QStringLiteral("-1")}));
}

TEST_F(TrayAndReminders, BothExitCommandsSaveEveryNoteOnceAndEnd)
{
    for (const char* command : {"quitAction", "trayQuitAction"}) {
        prepare();
        exec("delete from m_daviv");
        exec("insert into m_daviv values ('2026/12/08', 'n', 10, 20, 271, 71, -1, -1, 65535, 125)");
        start();
        QSignalSpy closed(main.get(), &Palette::Closed);
        QMenu* menu = QByteArray(command) == "quitAction" ? main->paletteMenu() : main->trayMenu();
        action(menu, command)->trigger();
        EXPECT_EQ(closed.count(), 1) << command;
        EXPECT_TRUE(main->noteWindows.isEmpty());
        // Every save writes the default transparency.
        EXPECT_EQ(column(Statements::noteList, "rowid").size(), 1);
        EXPECT_EQ(column(Statements::openNotes, "alpha"), QStringList{QStringLiteral("200")}) << command;
        main.reset();
    }
}

TEST_F(TrayAndReminders, BalloonCommandShowsTheCurrentTextThenEditsAndReloads)
{
    start();
    ReminderEditor editor(desktop, store);
    frmBaloon = &editor;
    desktop.clock = QDateTime(QDate(2026, 12, 8), QTime(8, 59, 30));
    QSignalSpy shown(main.get(), &Palette::balloonShown);
    // While the editor is open, a message is added for a minute that passes before it closes;
    // closing reloads the cache and shows it then.
    QTimer::singleShot(0, &editor, [&] {
        exec("insert into m_icom_message values ('9:00:00', 'added', '2026/12/08')");
        desktop.clock = QDateTime(QDate(2026, 12, 8), QTime(9, 1, 30));
        main->tick();
        editor.reject();
    });
    main->editReminders();
    frmBaloon = nullptr;
    ASSERT_EQ(shown.count(), 2);
    EXPECT_EQ(shown.first().first().toString(), QStringLiteral("???"));
    EXPECT_EQ(shown.last().first().toString(), QStringLiteral("9:00:00 (^O^) added"));
}
