#include "controls/DateEdit.h"
#include "controls/ReportList.h"
#include "controls/TimeEdit.h"

#include "TestSupport.h"

#include <QCalendarWidget>
#include <QFrame>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>

#include <optional>

namespace {

const QDate Day(2026, 12, 8);

// Replaces the field's text by typing, then ends the edit with Return.
void Type(TDateEdit& edit, const QString& text)
{
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Delete);
    QTest::keyClicks(&edit, text);
    QTest::keyClick(&edit, Qt::Key_Return);
}

} // namespace

TEST(DateEdit, ShowsTheStoreFormAndCanHoldNoDate)
{
    TDateEdit edit;
    edit.SetDate(Day);
    EXPECT_EQ(edit.text(), QStringLiteral("2026/12/08"));
    EXPECT_EQ(edit.Date(), Day);
    edit.SetDate(std::nullopt);
    EXPECT_EQ(edit.text(), QString());
    EXPECT_EQ(edit.Date(), std::nullopt);
    edit.SetDate(QDate());
    EXPECT_EQ(edit.Date(), std::nullopt);
    // A text being typed that does not read yet holds no date either.
    edit.setText(QStringLiteral("2026/13"));
    EXPECT_EQ(edit.Date(), std::nullopt);
}

TEST(DateEdit, TypedTextIsTakenOnlyWhenItReadsAsADate)
{
    struct TCase {
        const char* typed;
        const char* shown;
        std::optional<QDate> date;
    };
    const TCase cases[] = {
        {"2027/1/5", "2027/01/05", QDate(2027, 1, 5)},
        {" 2027/01/05 ", "2027/01/05", QDate(2027, 1, 5)},
        {"", "", std::nullopt},
        {"   ", "", std::nullopt},
        // Unreadable texts stay as typed and marked: no other date is taken for them.
        {"tomorrow", "tomorrow", std::nullopt},
        {"2027/02/30", "2027/02/30", std::nullopt},
        {"2026/12/31x", "2026/12/31x", std::nullopt},
    };
    for (const TCase& c : cases) {
        TDateEdit edit;
        edit.SetDate(Day);
        Type(edit, QString::fromUtf8(c.typed));
        EXPECT_EQ(edit.text(), QString::fromUtf8(c.shown)) << c.typed;
        EXPECT_EQ(edit.Date(), c.date) << c.typed;
        EXPECT_EQ(edit.ShowsInvalid(), !c.date && !QString::fromUtf8(c.typed).trimmed().isEmpty()) << c.typed;
    }
}

TEST(DateEdit, CalendarDropsDownAndPicksOrClears)
{
    TDateEdit edit;
    edit.SetDate(Day);
    edit.show();
    QTest::keyClick(&edit, Qt::Key_Down, Qt::AltModifier);
    ASSERT_NE(edit.CalendarPopup(), nullptr);
    ASSERT_EVENTUALLY(edit.CalendarPopup()->isVisible());
    EXPECT_EQ(edit.Calendar()->selectedDate(), Day);

    QWidget* days = edit.Calendar()->focusProxy();
    ASSERT_NE(days, nullptr);
    QTest::keyClick(days, Qt::Key_Right);
    QTest::keyClick(days, Qt::Key_Return);
    EXPECT_EVENTUALLY(!edit.CalendarPopup()->isVisible());
    EXPECT_EQ(edit.Date(), Day.addDays(1));

    edit.DropDownAction()->trigger();
    ASSERT_EVENTUALLY(edit.CalendarPopup()->isVisible());
    auto* clear = edit.CalendarPopup()->findChild<QPushButton*>(QStringLiteral("btnClear"));
    ASSERT_NE(clear, nullptr);
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_EVENTUALLY(!edit.CalendarPopup()->isVisible());
    EXPECT_EQ(edit.text(), QString());
    EXPECT_EQ(edit.Date(), std::nullopt);
}

TEST(TimeEdit, ShowsTheStoreTimeForm)
{
    const std::pair<QTime, const char*> cases[] = {{QTime(12, 0), "12:00:00"},
                                                   {QTime(9, 5, 7), "9:05:07"},
                                                   {QTime(0, 0), "0:00:00"},
                                                   {QTime(23, 59, 59), "23:59:59"}};
    TTimeEdit edit;
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
            TTimeEdit edit;
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
        List.setColumnCount(2);
        List.setColumnWidth(0, 120);
        List.resize(400, 300);
    }

    QTreeWidgetItem* Add(const QString& first, const QString& second = {})
    {
        auto* item = new QTreeWidgetItem(&List, QStringList{first, second});
        return item;
    }

    int RowHeight(QTreeWidgetItem* item) const { return List.visualItemRect(item).height(); }
    int Lines(int count) const { return count * List.fontMetrics().lineSpacing(); }

    TReportList List;
};

TEST_F(ReportListTest, EveryLineOfACellIsShown)
{
    QTreeWidgetItem* one = Add(QStringLiteral("one line"));
    QTreeWidgetItem* three = Add(QStringLiteral("first\nsecond\nthird"));
    QTreeWidgetItem* wrapped = Add(QStringLiteral("a line far too long for its column wraps onto more lines"));
    List.show();
    EXPECT_EVENTUALLY(RowHeight(three) >= Lines(3));
    EXPECT_LT(RowHeight(one), Lines(2));
    EXPECT_GE(RowHeight(wrapped), Lines(2));
    // Nothing is wider than its column, so nothing is cut at the right either.
    const QModelIndex index = List.indexFromItem(wrapped, 0);
    EXPECT_LE(List.itemDelegate()->sizeHint(QStyleOptionViewItem(), index).width(), List.columnWidth(0));

    List.setColumnWidth(0, 2000);
    EXPECT_EVENTUALLY(RowHeight(wrapped) < Lines(2));
    EXPECT_GE(RowHeight(three), Lines(3));
}

TEST_F(ReportListTest, ClickOnEmptySpaceClearsTheSelection)
{
    QTreeWidgetItem* first = Add(QStringLiteral("a"));
    Add(QStringLiteral("b"));
    List.show();
    QSignalSpy clicked(&List, &TReportList::Clicked);

    QTest::mouseClick(List.viewport(), Qt::LeftButton, {}, List.visualItemRect(first).center());
    EXPECT_EQ(List.selectedItems(), QList<QTreeWidgetItem*>{first});
    EXPECT_EQ(clicked.count(), 1);

    QTest::mouseClick(List.viewport(), Qt::LeftButton, {}, QPoint(10, List.viewport()->height() - 5));
    EXPECT_TRUE(List.selectedItems().isEmpty());
    EXPECT_EQ(clicked.count(), 2);

    // A column caption is not the rows area.
    QTest::mouseClick(List.header()->viewport(), Qt::LeftButton, {}, QPoint(10, 5));
    EXPECT_EQ(clicked.count(), 2);
}
