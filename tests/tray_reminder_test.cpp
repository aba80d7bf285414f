#include "TestSupport.h"

#include "notes/uFDaviv.h"
#include "reminders/uFBaloon.h"
#include "shell/BalloonPopup.h"
#include "shell/Reminders.h"
#include "shell/uFMain.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

class TrayAndReminders : public TWindowFixture {
protected:
    void Start()
    {
        Main = std::make_unique<TfrmMain>(Desktop, Store);
        Main->Timer1()->stop();
        frmMain = Main.get();
        Template = std::make_unique<TfrmDaviv>(Desktop, Store, nullptr);
        frmDaviv = Template.get();
        Main->Timer1Timer(); // the first tick's restore is behind us
    }
    ~TrayAndReminders() override
    {
        Main.reset();
        Template.reset();
        frmDaviv = nullptr;
    }

    void AddMessage(const char* time, const char* message, const char* day)
    {
        Prepare();
        Exec(StmtAddMessage(QString::fromUtf8(time), QString::fromUtf8(message), QString::fromUtf8(day)));
    }

    // The balloon texts one tick at the given time of day shows.
    QStringList TickAt(QTime time)
    {
        Desktop.Clock = QDateTime(QDate(2026, 12, 8), time);
        QSignalSpy shown(Main.get(), &TfrmMain::BalloonShown);
        Main->Timer1Timer();
        QStringList texts;
        for (const QList<QVariant>& args : shown)
            texts << args.first().toString();
        return texts;
    }

    QAction* Action(QMenu* menu, const char* name)
    {
        for (QAction* action : menu->actions())
            if (action->objectName() == QLatin1String(name))
                return action;
        return nullptr;
    }

    std::unique_ptr<TfrmMain> Main;
    std::unique_ptr<TfrmDaviv> Template;
};

} // namespace

TEST_F(TrayAndReminders, ReminderShowsItsTimeTextAndMessageInItsMinute)
{
    AddMessage("10:30:45", "会議", "2026/12/08");
    AddMessage("10:30:00", "yesterday", "2026/12/07");
    AddMessage("10:30:00", "tomorrow", "2026/12/09");
    Desktop.Clock = QDateTime(QDate(2026, 12, 8), QTime(10, 29, 0));
    Start();
    EXPECT_TRUE(TickAt(QTime(10, 29, 59)).isEmpty());
    EXPECT_EQ(TickAt(QTime(10, 30, 0)), QStringList{QStringLiteral("10:30:45 (^O^) 会議")});
    EXPECT_TRUE(TickAt(QTime(10, 30, 1)).isEmpty());
    EXPECT_TRUE(TickAt(QTime(10, 30, 45)).isEmpty());
    EXPECT_EQ(Main->BalloonHint(), QStringLiteral("10:30:45 (^O^) 会議"));
}

TEST_F(TrayAndReminders, EntriesOfOneMinuteShareOneBalloonALineEach)
{
    AddMessage("9:00:00", "first", "2026/12/08");
    AddMessage("9:00:30", "", "2026/12/08");
    Desktop.Clock = QDateTime(QDate(2026, 12, 8), QTime(8, 59, 0));
    Start();
    const QString both = QStringLiteral("9:00:00 (^O^) first\n9:00:30 (^O^) ");
    EXPECT_EQ(TickAt(QTime(9, 0, 1)), QStringList{both});
    EXPECT_EQ(Main->BalloonHint(), both);
}

TEST_F(TrayAndReminders, AnUnreadableEntryIsSkippedAndTheTickGoesOn)
{
    AddMessage("25:99", "broken", "2026/12/08");
    AddMessage("9:00:00", "later", "not a date");
    AddMessage("9:00:00", "fine", "2026/12/08");
    Desktop.Clock = QDateTime(QDate(2026, 12, 8), QTime(8, 59, 0));
    Start();
    Desktop.Cursor = QPoint(0, 0);
    EXPECT_EQ(TickAt(QTime(9, 0, 0)), QStringList{QStringLiteral("9:00:00 (^O^) fine")});
    EXPECT_TRUE(Main->isVisible());
    EXPECT_TRUE(Reports.isEmpty());
    EXPECT_EQ(Main->Reminders().entries().size(), 3u);
}

TEST_F(TrayAndReminders, WithoutATrayTheReminderShowsInAPopupOfOurOwn)
{
    AddMessage("9:00:00", "popup", "2026/12/08");
    Desktop.Clock = QDateTime(QDate(2026, 12, 8), QTime(8, 59, 0));
    Start();
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    TickAt(QTime(9, 0, 0));
    EXPECT_TRUE(Main->BalloonPopup()->isVisible());
    EXPECT_EQ(Main->BalloonPopup()->Text(), QStringLiteral("9:00:00 (^O^) popup"));
}

TEST_F(TrayAndReminders, TrayIconAndMenusAsDesigned)
{
    Start();
    EXPECT_EQ(Main->TrayIcon1()->toolTip(), QStringLiteral("RIdozad"));
    EXPECT_EQ(Main->TrayIcon1()->contextMenu(), Main->PopupMenu2());
    EXPECT_EQ(Main->BalloonHint(), QStringLiteral("???"));
    EXPECT_EQ(Main->windowTitle(), QStringLiteral("ＺＵ付箋"));
    const std::tuple<QMenu*, const char*, const char*, const char*> items[] = {
        {Main->PopupMenu1(), "K1", "隠す(&K)", "Ctrl+K"},
        {Main->PopupMenu1(), "N2", "付箋一覧(&L)", "Ctrl+L"},
        {Main->PopupMenu1(), "D1", "付箋表示(&D)", "Ctrl+D"},
        {Main->PopupMenu1(), "B1", "バルーンメッセージ(&B)", "Ctrl+B"},
        {Main->PopupMenu1(), "N1", "終了(&X)", "Ctrl+X"},
        {Main->PopupMenu2(), "V1", "表示(&V)", "Ctrl+V"},
        {Main->PopupMenu2(), "E1", "終了(&E)", "Ctrl+X"},
    };
    for (const auto& [menu, name, caption, shortcut] : items) {
        QAction* action = Action(menu, name);
        ASSERT_NE(action, nullptr) << name;
        EXPECT_EQ(action->text(), QString::fromUtf8(caption));
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromLatin1(shortcut)));
    }
}

TEST_F(TrayAndReminders, HideShowAndShortcutsOfThePalette)
{
    Start();
    Main->move(300, 200);
    Main->V1Click();
    EXPECT_TRUE(Main->isVisible());
    EXPECT_EQ(Main->pos(), QPoint(300, 200));
    Main->activateWindow();
    ASSERT_EVENTUALLY(QApplication::activeWindow() == Main.get());
    QTest::keyClick(Main.get(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_FALSE(Main->isVisible());
}

TEST_F(TrayAndReminders, ShowAllBringsBackHiddenAndEndedNotesAsOpen)
{
    Prepare();
    for (int i = 0; i < 2; ++i)
        Exec("insert into m_daviv values ('2026/12/08', 'n', 10, 20, 271, 71, -1, -1, 65535, 200)");
    Main = std::make_unique<TfrmMain>(Desktop, Store);
    Main->Timer1()->stop();
    Template = std::make_unique<TfrmDaviv>(Desktop, Store, nullptr);
    frmDaviv = Template.get();
    Main->Timer1Timer();
    ASSERT_EQ(Main->NoteWindows.size(), 2);
    TfrmDaviv* hidden = Main->NoteWindows[0];
    TfrmDaviv* ended = Main->NoteWindows[1];
    hidden->btnHideClick();
    QSignalSpy endedSpy(ended, &TfrmDaviv::TaskEnded);
    ended->E1Click();
    ASSERT_EVENTUALLY(endedSpy.count() == 1);
    EXPECT_EQ(Column(StmtNoteList, "term"), (QStringList{QStringLiteral("-1"), QStringLiteral("0")}));
    Main->D1Click();
    EXPECT_TRUE(hidden->isVisible());
    EXPECT_TRUE(ended->isVisible());
    EXPECT_TRUE(ended->TermFlag());
    // Shown at the transparency the store holds for it, not at the fade's invisible end.
    EXPECT_EQ(ended->AlphaBlendValue(), TfrmDaviv::DefaultAlpha);
    Main->close();
    EXPECT_EQ(Column(StmtNoteList, "term"), (QStringList{QStringLiteral("-1"), QStringLiteral("-1")}));
}

TEST_F(TrayAndReminders, BothExitCommandsSaveEveryNoteOnceAndEnd)
{
    for (const char* command : {"N1", "E1"}) {
        Prepare();
        Exec("delete from m_daviv");
        Exec("insert into m_daviv values ('2026/12/08', 'n', 10, 20, 271, 71, -1, -1, 65535, 125)");
        Start();
        QSignalSpy closed(Main.get(), &TfrmMain::Closed);
        QMenu* menu = QByteArray(command) == "N1" ? Main->PopupMenu1() : Main->PopupMenu2();
        Action(menu, command)->trigger();
        EXPECT_EQ(closed.count(), 1) << command;
        EXPECT_TRUE(Main->NoteWindows.isEmpty());
        // Every save writes the default transparency.
        EXPECT_EQ(Column(StmtNoteList, "rowid").size(), 1);
        EXPECT_EQ(Column(StmtOpenNotes, "alpha"), QStringList{QStringLiteral("200")}) << command;
        Main.reset();
    }
}

TEST_F(TrayAndReminders, BalloonCommandShowsTheCurrentTextThenEditsAndReloads)
{
    Start();
    TfrmBaloon editor(Desktop, Store);
    frmBaloon = &editor;
    Desktop.Clock = QDateTime(QDate(2026, 12, 8), QTime(8, 59, 30));
    QSignalSpy shown(Main.get(), &TfrmMain::BalloonShown);
    // While the editor is open, a message is added for a minute that passes before it closes;
    // closing reloads the cache and shows it then.
    QTimer::singleShot(0, &editor, [&] {
        Exec("insert into m_icom_message values ('9:00:00', 'added', '2026/12/08')");
        Desktop.Clock = QDateTime(QDate(2026, 12, 8), QTime(9, 1, 30));
        Main->Timer1Timer();
        editor.reject();
    });
    Main->B1Click();
    frmBaloon = nullptr;
    ASSERT_EQ(shown.count(), 2);
    EXPECT_EQ(shown.first().first().toString(), QStringLiteral("???"));
    EXPECT_EQ(shown.last().first().toString(), QStringLiteral("9:00:00 (^O^) added"));
}
