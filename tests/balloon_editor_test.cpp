#include "reminders/uFBaloon.h"

#include "controls/DateEdit.h"
#include "controls/ReportList.h"
#include "controls/TimeEdit.h"
#include "controls/ColorValue.h"

#include "TestSupport.h"

#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>

#include <functional>

namespace {

class BalloonEditor : public TWindowFixture {
public:
    BalloonEditor() { Prepare(); }

    void Open()
    {
        if (!Form)
            Form = std::make_unique<TfrmBaloon>(Desktop, Store);
        Form->show();
    }

    template <class T = QWidget> T* Widget(const char* name) const
    {
        T* widget = Form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    TReportList* List() const { return Widget<TReportList>("ListVwLg"); }
    TDateEdit* DateEdit() const { return Widget<TDateEdit>("cxDateEdit1"); }
    TTimeEdit* TimeEdit() const { return Widget<TTimeEdit>("cxTimeEdit1"); }
    QLineEdit* Memo() const { return Widget<QLineEdit>("EditMemo"); }

    void Click(const char* button) { QTest::mouseClick(Widget<QPushButton>(button), Qt::LeftButton); }
    void ClickRow(int row)
    {
        const QRect cell = List()->visualItemRect(List()->topLevelItem(row));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    void ClickEmptySpace()
    {
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, QPoint(5, List()->viewport()->height() - 5));
    }

    void Fill(const QDate& date, const QTime& time, const QString& memo)
    {
        DateEdit()->SetDate(date);
        TimeEdit()->setTime(time);
        Memo()->setText(memo);
    }

    // Each row of the list, its cells joined by "|".
    QStringList Rows() const
    {
        QStringList rows;
        for (int i = 0; i < List()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = List()->topLevelItem(i);
            rows << QStringList{item->text(0), item->text(1), item->text(2), item->text(3)}.join(QLatin1Char('|'));
        }
        return rows;
    }

    // Each stored message, in the list's column order.
    QStringList Stored()
    {
        QStringList rows;
        auto table = Query("select rowid, itime, message, iday from m_icom_message");
        for (table->GoFirst(); !table->AtEnd(); table->GoNext()) {
            QStringList cells;
            for (const char* column : {"iday", "itime", "message", "rowid"})
                cells << DecodeStoreText(table->ValueText(column));
            rows << cells.join(QLatin1Char('|'));
        }
        return rows;
    }

    void AddMessage(const char* time, const char* message, const char* day)
    {
        Exec(StmtAddMessage(QString::fromUtf8(time), QString::fromUtf8(message), QString::fromUtf8(day)));
    }

    void Seed()
    {
        AddMessage("9:00:00", "朝会", "2026/12/24");
        AddMessage("17:30:15", "It's late", "2027/01/05");
    }

    std::unique_ptr<TfrmBaloon> Form;
};

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

TEST_F(BalloonEditor, LaidOutAsDesigned)
{
    Open();
    EXPECT_EQ(Form->windowTitle(), S("バルーンメッセージ"));
    EXPECT_EQ(Form->size(), QSize(534, 273));
    EXPECT_EQ(Form->pos(), QPoint(0, 0));
    EXPECT_EQ(ValueFromColor(Form->palette().color(QPalette::Window)), 14862279u);
    EXPECT_EQ(Form->font().family(), S("Tahoma"));
    EXPECT_EQ(Form->font().pointSize(), 8);

    // Labels size themselves; every other control has a fixed size.
    const std::tuple<const char*, QRect, const char*> places[] = {
        {"Btnadd", {355, 8, 57, 17}, "追加"},
        {"Btnupdate", {412, 8, 57, 17}, "更新"},
        {"Btndelete", {469, 8, 57, 17}, "削除"},
        {"Bevel1", {16, 31, 513, 50}, ""},
        {"Label3", {24, 37, 0, 0}, "日付"},
        {"Label1", {128, 37, 0, 0}, "時刻"},
        {"Label2", {199, 37, 0, 0}, "メモ"},
        {"cxDateEdit1", {24, 56, 98, 21}, ""},
        {"cxTimeEdit1", {128, 56, 73, 21}, "12:00:00"},
        {"EditMemo", {207, 56, 314, 21}, ""},
        {"ListVwLg", {8, 88, 521, 177}, ""},
    };
    // Controls keep their place when the window is resized.
    for (const QSize size : {QSize(534, 273), QSize(800, 500)}) {
        Form->resize(size);
        for (const auto& [name, rect, text] : places) {
            const QWidget* widget = Widget(name);
            EXPECT_EQ(widget->pos(), rect.topLeft()) << name;
            if (!rect.isEmpty()) {
                EXPECT_EQ(widget->size(), rect.size()) << name;
            }
            if (*text) {
                EXPECT_EQ(widget->property("text").toString(), S(text)) << name;
            }
        }
    }
    EXPECT_EQ(Widget<QFrame>("Bevel1")->frameShadow(), QFrame::Sunken);

    const std::pair<const char*, int> columns[] = {{"日付", 70}, {"時間", 55}, {"メモ", 300}, {"id", -1}};
    ASSERT_EQ(List()->columnCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(List()->headerItem()->text(i), S(columns[i].first));
        if (columns[i].second > 0) {
            EXPECT_EQ(List()->columnWidth(i), columns[i].second);
        }
    }
    EXPECT_EQ(List()->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_FALSE(List()->rootIsDecorated());
}

TEST_F(BalloonEditor, FocusGoesRoundInTheDesignedOrder)
{
    Open();
    const QStringList expected{S("ListVwLg"),  S("cxTimeEdit1"), S("EditMemo"),   S("Btnadd"),
                               S("Btnupdate"), S("Btndelete"),   S("cxDateEdit1")};
    QStringList order;
    QWidget* widget = List();
    do {
        const bool tabStop = (widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy() &&
                             widget->isVisibleTo(Form.get()) && widget->window() == Form.get();
        if (tabStop)
            order << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != List() && order.size() < 20);
    EXPECT_EQ(order, expected);
}

TEST_F(BalloonEditor, FreshWindowShowsTodayAndNoonAndEveryStoredMessage)
{
    Seed();
    Open();
    EXPECT_EQ(DateEdit()->Date(), QDate(2026, 12, 8));
    EXPECT_EQ(TimeEdit()->time(), QTime(12, 0));
    EXPECT_EQ(Memo()->text(), QString());
    EXPECT_EQ(Form->SelectedMessageId(), QString());
    EXPECT_EQ(Rows(), (QStringList{S("2026/12/24|9:00:00|朝会|1"), S("2027/01/05|17:30:15|It's late|2")}));
    EXPECT_TRUE(List()->selectedItems().isEmpty());
    EXPECT_TRUE(Reports.isEmpty());
}

TEST_F(BalloonEditor, AddStoresTheFieldsExactlyAsEntered)
{
    Open();
    EXPECT_TRUE(Rows().isEmpty());
    Fill(QDate(2027, 1, 5), QTime(9, 5, 7), S("Bob's 'day' は\"明日\""));
    Click("Btnadd");
    const QString row = S("2027/01/05|9:05:07|Bob's 'day' は\"明日\"|1");
    EXPECT_EQ(Stored(), QStringList{row});
    EXPECT_EQ(Rows(), QStringList{row});

    // The fields stay, so the same entry goes in again at once; blanks are a memo too.
    Click("Btnadd");
    Memo()->setText(S("   "));
    TimeEdit()->setTime(QTime(23, 59, 59));
    Click("Btnadd");
    const QStringList all{row, S("2027/01/05|9:05:07|Bob's 'day' は\"明日\"|2"), S("2027/01/05|23:59:59|   |3")};
    EXPECT_EQ(Stored(), all);
    EXPECT_EQ(Rows(), all);
    EXPECT_EQ(Form->SelectedMessageId(), QString());
    EXPECT_TRUE(Reports.isEmpty());
}

TEST_F(BalloonEditor, ActionsWithoutWhatTheyNeedStopSilently)
{
    struct TCase {
        const char* name;
        std::function<void(BalloonEditor&)> prepare;
        const char* button;
    };
    const TCase cases[] = {
        {"add, empty memo", [](BalloonEditor& t) { t.Memo()->clear(); }, "Btnadd"},
        {"add, cleared date", [](BalloonEditor& t) { t.DateEdit()->SetDate(std::nullopt); }, "Btnadd"},
        {"update, nothing taken", [](BalloonEditor&) {}, "Btnupdate"},
        {"delete, nothing taken", [](BalloonEditor&) {}, "Btndelete"},
        {"update, empty memo",
         [](BalloonEditor& t) {
             t.ClickRow(0);
             t.Memo()->clear();
         },
         "Btnupdate"},
        {"update, cleared date",
         [](BalloonEditor& t) {
             t.ClickRow(0);
             t.DateEdit()->SetDate(std::nullopt);
         },
         "Btnupdate"},
        {"update after a click on empty space",
         [](BalloonEditor& t) {
             t.ClickRow(0);
             t.ClickEmptySpace();
         },
         "Btnupdate"},
        {"delete after a click on empty space",
         [](BalloonEditor& t) {
             t.ClickRow(0);
             t.ClickEmptySpace();
         },
         "Btndelete"},
    };
    Seed();
    const QStringList before = Stored();
    for (const TCase& c : cases) {
        Form.reset();
        Open();
        Fill(QDate(2027, 3, 3), QTime(8, 0), S("changed"));
        c.prepare(*this);
        Click(c.button);
        EXPECT_EQ(Stored(), before) << c.name;
        EXPECT_EQ(Rows(), before) << c.name;
    }
    EXPECT_TRUE(Reports.isEmpty());
}

TEST_F(BalloonEditor, ClickTakesTheMessageIntoTheFields)
{
    Seed();
    Open();
    ClickRow(1);
    EXPECT_EQ(DateEdit()->Date(), QDate(2027, 1, 5));
    EXPECT_EQ(TimeEdit()->time(), QTime(17, 30, 15));
    EXPECT_EQ(Memo()->text(), S("It's late"));
    EXPECT_EQ(Form->SelectedMessageId(), S("2"));

    // A click that selects nothing forgets the message but leaves the fields.
    ClickEmptySpace();
    EXPECT_EQ(Form->SelectedMessageId(), QString());
    EXPECT_EQ(Memo()->text(), S("It's late"));
    EXPECT_EQ(DateEdit()->Date(), QDate(2027, 1, 5));
}

TEST_F(BalloonEditor, UpdateActsOnTheTakenMessageAgainAfterTheReload)
{
    Seed();
    Open();
    ClickRow(0);
    Fill(QDate(2027, 2, 1), QTime(6, 1, 2), S("it's one"));
    Click("Btnupdate");
    EXPECT_TRUE(List()->selectedItems().isEmpty());
    EXPECT_EQ(Stored(), (QStringList{S("2027/02/01|6:01:02|it's one|1"), S("2027/01/05|17:30:15|It's late|2")}));

    Memo()->setText(S("two"));
    Click("Btnupdate");
    const QStringList after{S("2027/02/01|6:01:02|two|1"), S("2027/01/05|17:30:15|It's late|2")};
    EXPECT_EQ(Stored(), after);
    EXPECT_EQ(Rows(), after);
    EXPECT_EQ(Form->SelectedMessageId(), S("1"));
}

TEST_F(BalloonEditor, AfterADeleteUpdateAndDeleteChangeNothing)
{
    Seed();
    Open();
    ClickRow(0);
    Click("Btndelete");
    const QStringList left{S("2027/01/05|17:30:15|It's late|2")};
    EXPECT_EQ(Stored(), left);
    EXPECT_EQ(Rows(), left);
    EXPECT_EQ(Form->SelectedMessageId(), S("1"));
    EXPECT_EQ(Memo()->text(), S("朝会"));

    Memo()->setText(S("back?"));
    Click("Btnupdate");
    Click("Btndelete");
    EXPECT_EQ(Stored(), left);
    EXPECT_TRUE(Reports.isEmpty());
}

TEST_F(BalloonEditor, ReopeningKeepsTheFieldsButTheDateReturnsToToday)
{
    Seed();
    Open();
    ClickRow(1);
    Fill(QDate(2030, 1, 1), QTime(7, 0), S("kept"));
    Form->close();
    EXPECT_FALSE(Form->isVisible());
    AddMessage("8:00:00", "new", "2026/12/09");
    Desktop.Clock = Desktop.Clock.addDays(1);

    Open();
    EXPECT_EQ(DateEdit()->Date(), QDate(2026, 12, 9));
    EXPECT_EQ(TimeEdit()->time(), QTime(7, 0));
    EXPECT_EQ(Memo()->text(), S("kept"));
    EXPECT_EQ(Form->SelectedMessageId(), S("2"));
    EXPECT_EQ(Rows().size(), 3);

    Click("Btndelete");
    EXPECT_EQ(Column("select message from m_icom_message", "message"), (QStringList{S("朝会"), S("new")}));
}

TEST_F(BalloonEditor, AnUnreadableRowIsReportedAndTakesNothing)
{
    AddMessage("9:00:00", "odd", "someday");
    AddMessage("noon", "odd", "2026/12/24");
    Open();
    for (int row : {0, 1}) {
        Fill(QDate(2027, 3, 3), QTime(8, 0), S("mine"));
        ClickRow(row);
        EXPECT_EQ(Reports.size(), row + 1);
        EXPECT_EQ(DateEdit()->Date(), QDate(2027, 3, 3));
        EXPECT_EQ(TimeEdit()->time(), QTime(8, 0));
        EXPECT_EQ(Memo()->text(), S("mine"));
        EXPECT_EQ(Form->SelectedMessageId(), QString());
    }
}

TEST_F(BalloonEditor, AStoreThatDoesNotOpenIsReportedAndNothingIsWritten)
{
    Store = TNoteStore(Dir.filePath(QStringLiteral("missing")));
    Open();
    ASSERT_EQ(Reports.size(), 1);
    EXPECT_TRUE(Reports[0].contains(QStringLiteral("Failed to open database"))) << Reports[0].toStdString();
    Fill(QDate(2027, 3, 3), QTime(8, 0), S("memo"));
    Click("Btnadd");
    EXPECT_EQ(Reports.size(), 2);
    EXPECT_FALSE(QFile::exists(Dir.filePath(QStringLiteral("missing"))));
}

TEST_F(BalloonEditor, MemoAsksForHiraganaAndTimeSwitchesTheInputMethodOff)
{
    Open();
    Form->activateWindow();
    ASSERT_EVENTUALLY(Form->isActiveWindow());
    Memo()->setFocus();
    EXPECT_EVENTUALLY(Desktop.HiraganaRequests.contains(Memo()));
    TimeEdit()->setFocus();
    EXPECT_EVENTUALLY(Desktop.InputMethodOff.contains(TimeEdit()));
    EXPECT_FALSE(Desktop.HiraganaRequests.contains(TimeEdit()));
}
