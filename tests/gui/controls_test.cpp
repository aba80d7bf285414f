#include "gui/DateEdit.h"
#include "gui/ReportList.h"
#include "gui/TimeEdit.h"

#include "TestSupport.h"

#include <QCalendarWidget>
#include <QFrame>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>

#include <optional>

namespace {

const QDate day(2026, 12, 8);

// Replaces the field's text by typing, then ends the edit with Return.
void type(DateEdit& edit, const QString& text)
{
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Delete);
    QTest::keyClicks(&edit, text);
    QTest::keyClick(&edit, Qt::Key_Return);
}

} // namespace

TEST(DateEdit, ShowsTheStoreFormAndCanHoldNoDate)
{
    DateEdit edit;
    edit.setDate(day);
    EXPECT_EQ(edit.text(), QStringLiteral("2026/12/08"));
    EXPECT_EQ(edit.enteredDate(), day);
    edit.setDate(std::nullopt);
    EXPECT_EQ(edit.text(), QString());
    EXPECT_EQ(edit.enteredDate(), std::nullopt);
    edit.setDate(QDate());
    EXPECT_EQ(edit.enteredDate(), std::nullopt);
    // A text being typed that does not read yet holds no date either.
    edit.setText(QStringLiteral("2026/13"));
    EXPECT_EQ(edit.enteredDate(), std::nullopt);
}

TEST(DateEdit, TypedTextIsTakenOnlyWhenItReadsAsADate)
{
    struct Case {
        const char* typed;
        const char* shown;
        std::optional<QDate> date;
    };
    const Case cases[] = {
        {"2027/1/5", "2027/01/05", QDate(2027, 1, 5)},
        {" 2027/01/05 ", "2027/01/05", QDate(2027, 1, 5)},
        {"", "", std::nullopt},
        {"   ", "", std::nullopt},
        // Unreadable texts stay as typed and marked: no other date is taken for them.
        {"tomorrow", "tomorrow", std::nullopt},
        {"2027/02/30", "2027/02/30", std::nullopt},
        {"2026/12/31x", "2026/12/31x", std::nullopt},
    };
    for (const Case& c : cases) {
        DateEdit edit;
        edit.setDate(day);
        type(edit, QString::fromUtf8(c.typed));
        EXPECT_EQ(edit.text(), QString::fromUtf8(c.shown)) << c.typed;
        EXPECT_EQ(edit.enteredDate(), c.date) << c.typed;
        EXPECT_EQ(edit.showsInvalid(), !c.date && !QString::fromUtf8(c.typed).trimmed().isEmpty()) << c.typed;
    }
}

TEST(DateEdit, CalendarDropsDownAndPicksOrClears)
{
    DateEdit edit;
    edit.setDate(day);
    edit.show();
    QTest::keyClick(&edit, Qt::Key_Down, Qt::AltModifier);
    ASSERT_NE(edit.calendarPopup(), nullptr);
    ASSERT_EVENTUALLY(edit.calendarPopup()->isVisible());
    EXPECT_EQ(edit.calendar()->selectedDate(), day);

    QWidget* days = edit.calendar()->focusProxy();
    ASSERT_NE(days, nullptr);
    QTest::keyClick(days, Qt::Key_Right);
    QTest::keyClick(days, Qt::Key_Return);
    EXPECT_EVENTUALLY(!edit.calendarPopup()->isVisible());
    EXPECT_EQ(edit.enteredDate(), day.addDays(1));

    edit.dropDownAction()->trigger();
    ASSERT_EVENTUALLY(edit.calendarPopup()->isVisible());
    auto* clear = edit.calendarPopup()->findChild<QPushButton*>(QStringLiteral("clearButton"));
    ASSERT_NE(clear, nullptr);
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_EVENTUALLY(!edit.calendarPopup()->isVisible());
    EXPECT_EQ(edit.text(), QString());
    EXPECT_EQ(edit.enteredDate(), std::nullopt);
}

TEST(TimeEdit, ShowsTheStoreTimeForm)
{
    const std::pair<QTime, const char*> cases[] = {{QTime(12, 0), "12:00:00"},
                                                   {QTime(9, 5, 7), "9:05:07"},
                                                   {QTime(0, 0), "0:00:00"},
                                                   {QTime(23, 59, 59), "23:59:59"}};
    TimeEdit edit;
    for (const auto& [time, text] : cases) {
        edit.setTime(time);
        EXPECT_EQ(edit.text(), QString::fromLatin1(text));
        EXPECT_EQ(edit.time(), time);
    }
}

TEST(TimeEdit, TakesTypedDigits)
{
    // Typed over the whole text, or with the caret put into the hours by a click.
    const std::pair<const char*, QTime> cases[] = {
        {"9:30:15", QTime(9, 30, 15)}, {"23:05:00", QTime(23, 5)}, {"7", QTime(7, 0)}};
    for (bool selectAll : {true, false}) {
        for (const auto& [typed, time] : cases) {
            TimeEdit edit;
            edit.setTime(QTime(12, 0));
            edit.show();
            edit.setFocus();
            if (selectAll)
                edit.selectAll();
            else
                QTest::keyClick(&edit, Qt::Key_Home);
            QTest::keyClicks(&edit, QString::fromLatin1(typed));
            QTest::keyClick(&edit, Qt::Key_Return);
            EXPECT_EQ(edit.time(), time) << typed << " shows " << edit.text().toStdString();
        }
    }
}

class ReportListTest : public ::testing::Test {
protected:
    ReportListTest()
    {
        list.setColumnCount(2);
        list.setColumnWidth(0, 120);
        list.resize(400, 300);
    }

    QTreeWidgetItem* add(const QString& first, const QString& second = {})
    {
        auto* item = new QTreeWidgetItem(&list, QStringList{first, second});
        return item;
    }

    int rowHeight(QTreeWidgetItem* item) const { return list.visualItemRect(item).height(); }
    int lines(int count) const { return count * list.fontMetrics().lineSpacing(); }

    ReportList list;
};

TEST_F(ReportListTest, EveryLineOfACellIsShown)
{
    QTreeWidgetItem* one = add(QStringLiteral("one line"));
    QTreeWidgetItem* three = add(QStringLiteral("first\nsecond\nthird"));
    QTreeWidgetItem* wrapped = add(QStringLiteral("a line far too long for its column wraps onto more lines"));
    list.show();
    EXPECT_EVENTUALLY(rowHeight(three) >= lines(3));
    EXPECT_LT(rowHeight(one), lines(2));
    EXPECT_GE(rowHeight(wrapped), lines(2));
    // Nothing is wider than its column, so nothing is cut at the right either.
    const QModelIndex index = list.indexFromItem(wrapped, 0);
    EXPECT_LE(list.itemDelegate()->sizeHint(QStyleOptionViewItem(), index).width(), list.columnWidth(0));

    list.setColumnWidth(0, 2000);
    EXPECT_EVENTUALLY(rowHeight(wrapped) < lines(2));
    EXPECT_GE(rowHeight(three), lines(3));
}

TEST_F(ReportListTest, ClickOnEmptySpaceClearsTheSelection)
{
    QTreeWidgetItem* first = add(QStringLiteral("a"));
    add(QStringLiteral("b"));
    list.show();
    QSignalSpy clicked(&list, &ReportList::listClicked);

    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(first).center());
    EXPECT_EQ(list.selectedItems(), QList<QTreeWidgetItem*>{first});
    EXPECT_EQ(clicked.count(), 1);

    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(10, list.viewport()->height() - 5));
    EXPECT_TRUE(list.selectedItems().isEmpty());
    EXPECT_EQ(clicked.count(), 2);

    // A column caption is not the rows area.
    QTest::mouseClick(list.header()->viewport(), Qt::LeftButton, {}, QPoint(10, 5));
    EXPECT_EQ(clicked.count(), 2);
}
