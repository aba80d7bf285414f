#include "gui/ColorValue.h"
#include "gui/DateEdit.h"
#include "gui/ReminderEditor.h"
#include "gui/ReportList.h"
#include "gui/TimeEdit.h"

#include "TestSupport.h"
#include "TestText.h"

#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>

#include <functional>

namespace {

class ReminderEditorTest : public WindowFixture {
public:
    ReminderEditorTest() { prepare(); }

    void open()
    {
        if (!form)
            form = std::make_unique<ReminderEditor>(desktop, store, report);
        form->show();
    }

    template <class T = QWidget> T* widget(const char* name) const
    {
        T* widget = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    ReportList* list() const { return widget<ReportList>("remindersView"); }
    DateEdit* dateEdit() const { return widget<DateEdit>("dateEdit"); }
    TimeEdit* timeEdit() const { return widget<TimeEdit>("timeEdit"); }
    QLineEdit* memo() const { return widget<QLineEdit>("messageEdit"); }

    void click(const char* button) { QTest::mouseClick(widget<QPushButton>(button), Qt::LeftButton); }
    void clickRow(int row)
    {
        const QRect cell = list()->visualItemRect(list()->topLevelItem(row));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    void clickEmptySpace()
    {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, QPoint(5, list()->viewport()->height() - 5));
    }

    void fill(const QDate& date, const QTime& time, const QString& text)
    {
        dateEdit()->setDate(date);
        timeEdit()->setTime(time);
        memo()->setText(text);
    }

    QStringList rows() const { return rowTexts(list()); }

    // Each stored message, in the list's column order.
    QStringList Stored()
    {
        QStringList rows;
        auto table = query("select rowid, itime, message, iday from m_icom_message");
        for (table->goFirst(); !table->atEnd(); table->goNext()) {
            QStringList cells;
            for (const char* column : {"iday", "itime", "message", "rowid"})
                cells << decodeStoreText(table->valueText(column));
            rows << cells.join(QLatin1Char('|'));
        }
        return rows;
    }

    void addReminder(const char* time, const char* message, const char* day)
    {
        exec(Statements::addMessage(QString::fromUtf8(time), QString::fromUtf8(message), QString::fromUtf8(day)));
    }

    void seed()
    {
        addReminder("9:00:00", "朝会", "2026/12/24");
        addReminder("17:30:15", "It's late", "2027/01/05");
    }

    std::unique_ptr<ReminderEditor> form;
};

} // namespace

TEST_F(ReminderEditorTest, EveryControlShowsWholeAtAnySize)
{
    open();
    EXPECT_EQ(form->windowTitle(), S("バルーンメッセージ"));
    expectTidyControls(form.get(), {form->size(), QSize(800, 500)});
}

// Tab goes through the date, time and message before the buttons that act on them.
TEST_F(ReminderEditorTest, TabGoesThroughTheFieldsBeforeTheButtons)
{
    open();
    const QStringList expected{S("remindersView"), S("dateEdit"),     S("timeEdit"),    S("messageEdit"),
                               S("addButton"),     S("updateButton"), S("deleteButton")};
    QStringList order;
    QWidget* widget = list();
    do {
        const bool tabStop = (widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy() &&
                             widget->isVisibleTo(form.get()) && widget->window() == form.get();
        if (tabStop)
            order << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != list() && order.size() < 20);
    EXPECT_EQ(order, expected);
}

TEST_F(ReminderEditorTest, FreshWindowShowsTodayAndNoonAndEveryStoredMessage)
{
    seed();
    open();
    EXPECT_EQ(dateEdit()->enteredDate(), QDate(2026, 12, 8));
    EXPECT_EQ(timeEdit()->time(), QTime(12, 0));
    EXPECT_EQ(memo()->text(), QString());
    EXPECT_EQ(form->selectedReminderId(), std::nullopt);
    EXPECT_EQ(rows(), (QStringList{S("2026/12/24|9:00:00|朝会|1"), S("2027/01/05|17:30:15|It's late|2")}));
    EXPECT_TRUE(list()->selectedItems().isEmpty());
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(ReminderEditorTest, AddStoresTheFieldsExactlyAsEntered)
{
    open();
    EXPECT_TRUE(rows().isEmpty());
    fill(QDate(2027, 1, 5), QTime(9, 5, 7), S("Bob's 'day' は\"明日\""));
    click("addButton");
    const QString row = S("2027/01/05|9:05:07|Bob's 'day' は\"明日\"|1");
    EXPECT_EQ(Stored(), QStringList{row});
    EXPECT_EQ(rows(), QStringList{row});

    // The fields stay, so the same entry goes in again at once; blanks are a memo too.
    click("addButton");
    memo()->setText(S("   "));
    timeEdit()->setTime(QTime(23, 59, 59));
    click("addButton");
    const QStringList all{row, S("2027/01/05|9:05:07|Bob's 'day' は\"明日\"|2"), S("2027/01/05|23:59:59|   |3")};
    EXPECT_EQ(Stored(), all);
    EXPECT_EQ(rows(), all);
    EXPECT_EQ(form->selectedReminderId(), std::nullopt);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(ReminderEditorTest, ActionsWithoutWhatTheyNeedStopSilently)
{
    struct Case {
        const char* name;
        std::function<void(ReminderEditorTest&)> prepare;
        const char* button;
    };
    const Case cases[] = {
        {"add, empty memo", [](ReminderEditorTest& t) { t.memo()->clear(); }, "addButton"},
        {"add, cleared date", [](ReminderEditorTest& t) { t.dateEdit()->setDate(std::nullopt); }, "addButton"},
        {"update, nothing taken", [](ReminderEditorTest&) {}, "updateButton"},
        {"delete, nothing taken", [](ReminderEditorTest&) {}, "deleteButton"},
        {"update, empty memo",
         [](ReminderEditorTest& t) {
             t.clickRow(0);
             t.memo()->clear();
         },
         "updateButton"},
        {"update, cleared date",
         [](ReminderEditorTest& t) {
             t.clickRow(0);
             t.dateEdit()->setDate(std::nullopt);
         },
         "updateButton"},
        {"update after a click on empty space",
         [](ReminderEditorTest& t) {
             t.clickRow(0);
             t.clickEmptySpace();
         },
         "updateButton"},
        {"delete after a click on empty space",
         [](ReminderEditorTest& t) {
             t.clickRow(0);
             t.clickEmptySpace();
         },
         "deleteButton"},
    };
    seed();
    const QStringList before = Stored();
    for (const Case& c : cases) {
        form.reset();
        open();
        fill(QDate(2027, 3, 3), QTime(8, 0), S("changed"));
        c.prepare(*this);
        click(c.button);
        EXPECT_EQ(Stored(), before) << c.name;
        EXPECT_EQ(rows(), before) << c.name;
    }
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(ReminderEditorTest, ClickTakesTheMessageIntoTheFields)
{
    seed();
    open();
    clickRow(1);
    EXPECT_EQ(dateEdit()->enteredDate(), QDate(2027, 1, 5));
    EXPECT_EQ(timeEdit()->time(), QTime(17, 30, 15));
    EXPECT_EQ(memo()->text(), S("It's late"));
    EXPECT_EQ(form->selectedReminderId(), 2);

    // A click that selects nothing forgets the message but leaves the fields.
    clickEmptySpace();
    EXPECT_EQ(form->selectedReminderId(), std::nullopt);
    EXPECT_EQ(memo()->text(), S("It's late"));
    EXPECT_EQ(dateEdit()->enteredDate(), QDate(2027, 1, 5));
}

TEST_F(ReminderEditorTest, UpdateActsOnTheTakenMessageAgainAfterTheReload)
{
    seed();
    open();
    clickRow(0);
    fill(QDate(2027, 2, 1), QTime(6, 1, 2), S("it's one"));
    click("updateButton");
    EXPECT_TRUE(list()->selectedItems().isEmpty());
    EXPECT_EQ(Stored(), (QStringList{S("2027/02/01|6:01:02|it's one|1"), S("2027/01/05|17:30:15|It's late|2")}));

    memo()->setText(S("two"));
    click("updateButton");
    const QStringList after{S("2027/02/01|6:01:02|two|1"), S("2027/01/05|17:30:15|It's late|2")};
    EXPECT_EQ(Stored(), after);
    EXPECT_EQ(rows(), after);
    EXPECT_EQ(form->selectedReminderId(), 1);
}

TEST_F(ReminderEditorTest, AfterADeleteUpdateAndDeleteChangeNothing)
{
    seed();
    open();
    clickRow(0);
    click("deleteButton");
    const QStringList left{S("2027/01/05|17:30:15|It's late|2")};
    EXPECT_EQ(Stored(), left);
    EXPECT_EQ(rows(), left);
    EXPECT_EQ(form->selectedReminderId(), 1);
    EXPECT_EQ(memo()->text(), S("朝会"));

    memo()->setText(S("back?"));
    click("updateButton");
    click("deleteButton");
    EXPECT_EQ(Stored(), left);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(ReminderEditorTest, ReopeningKeepsTheFieldsButTheDateReturnsToToday)
{
    seed();
    open();
    clickRow(1);
    fill(QDate(2030, 1, 1), QTime(7, 0), S("kept"));
    form->close();
    EXPECT_FALSE(form->isVisible());
    addReminder("8:00:00", "new", "2026/12/09");
    desktop.clock = desktop.clock.addDays(1);

    open();
    EXPECT_EQ(dateEdit()->enteredDate(), QDate(2026, 12, 9));
    EXPECT_EQ(timeEdit()->time(), QTime(7, 0));
    EXPECT_EQ(memo()->text(), S("kept"));
    EXPECT_EQ(form->selectedReminderId(), 2);
    EXPECT_EQ(rows().size(), 3);

    click("deleteButton");
    EXPECT_EQ(column("select message from m_icom_message", "message"), (QStringList{S("朝会"), S("new")}));
}

TEST_F(ReminderEditorTest, AnUnreadableRowIsReportedAndTakesNothing)
{
    addReminder("9:00:00", "odd", "someday");
    addReminder("noon", "odd", "2026/12/24");
    open();
    for (int row : {0, 1}) {
        fill(QDate(2027, 3, 3), QTime(8, 0), S("mine"));
        clickRow(row);
        EXPECT_EQ(reports.size(), row + 1);
        EXPECT_EQ(dateEdit()->enteredDate(), QDate(2027, 3, 3));
        EXPECT_EQ(timeEdit()->time(), QTime(8, 0));
        EXPECT_EQ(memo()->text(), S("mine"));
        EXPECT_EQ(form->selectedReminderId(), std::nullopt);
    }
}

TEST_F(ReminderEditorTest, AStoreThatDoesNotOpenIsReportedAndNothingIsWritten)
{
    store = NoteStore(dir.filePath(QStringLiteral("missing")));
    open();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains(QStringLiteral("Failed to open database"))) << reports[0].toStdString();
    fill(QDate(2027, 3, 3), QTime(8, 0), S("memo"));
    click("addButton");
    EXPECT_EQ(reports.size(), 2);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing"))));
}

TEST_F(ReminderEditorTest, MemoAsksForHiraganaAndTimeSwitchesTheInputMethodOff)
{
    open();
    form->activateWindow();
    ASSERT_EVENTUALLY(form->isActiveWindow());
    memo()->setFocus();
    EXPECT_EVENTUALLY(desktop.hiraganaRequests.contains(memo()));
    timeEdit()->setFocus();
    EXPECT_EVENTUALLY(desktop.inputMethodOff.contains(timeEdit()));
    EXPECT_FALSE(desktop.hiraganaRequests.contains(timeEdit()));
}
