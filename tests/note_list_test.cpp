#include "list/SearchText.h"
#include "list/uFList.h"

#include "controls/ReportList.h"
#include "notes/RichEdit.h"
#include "notes/uFDaviv.h"
#include "controls/ColorValue.h"

#include "TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// One stored note; a column given as nullptr is left NULL.
struct TRow {
    const char* Day = "2026/11/30";
    const char* Note = "メモ\r\n";
    const char* X = "120";
    const char* Y = "140";
    const char* Width = "300";
    const char* Height = "90";
    const char* Term = "0";
    const char* Visible = "-1";
    const char* Color = "8454143";
    const char* Alpha = "125";
};

class NoteList : public TWindowFixture {
public:
    NoteList() { Prepare(); }

    void Add(const TRow& row)
    {
        // Texts go in as the program writes them; the numbers as given, so a test can store
        // what does not read.
        const auto text = [](const char* value) {
            return value ? SqlTextLiteral(QString::fromUtf8(value)) : QByteArray("NULL");
        };
        Exec("insert into m_daviv (f_day, note, xpos, ypos, width, height, term, visible, color, alpha) values (" +
             text(row.Day) + ", " + text(row.Note) + ", " + text(row.X) + ", " + text(row.Y) + ", " + text(row.Width) +
             ", " + text(row.Height) + ", " + (row.Term ? QByteArray(row.Term) : "NULL") + ", " + text(row.Visible) +
             ", " + text(row.Color) + ", " + text(row.Alpha) + ")");
    }

    void Open()
    {
        Form = std::make_unique<TfrmList>(Desktop, Store);
        Form->show();
    }

    TReportList* List() const { return Form->findChild<TReportList*>(QStringLiteral("ListVwLg")); }
    QList<TfrmDaviv*> Notes() const { return Form->findChildren<TfrmDaviv*>(); }

    void Click(const char* button)
    {
        QTest::mouseClick(Form->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
    }
    void ClickRow(int row)
    {
        const QRect cell = List()->visualItemRect(List()->topLevelItem(row));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, cell.center());
        ASSERT_TRUE(List()->topLevelItem(row)->isSelected());
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

    QStringList Terms() { return Column("select term from m_daviv", "term"); }

    std::unique_ptr<TfrmList> Form;
};

} // namespace

TEST_F(NoteList, LaidOutAsDesigned)
{
    Open();
    EXPECT_EQ(Form->windowTitle(), S("付箋一覧"));
    EXPECT_EQ(Form->size(), QSize(511, 410));
    EXPECT_EQ(Form->pos(), QPoint(0, 0));
    EXPECT_EQ(ValueFromColor(Form->palette().color(QPalette::Window)), 14862279u);
    EXPECT_EQ(Form->font().family(), S("Tahoma"));
    EXPECT_EQ(Form->font().pointSize(), 8);

    const std::tuple<const char*, QRect, const char*> places[] = {
        {"ListVwLg", {8, 36, 417, 369}, nullptr},
        {"btnreview", {431, 8, 75, 25}, "再表示"},
        {"btnremove", {431, 39, 75, 25}, "削除"},
    };
    // Controls keep their place when the window is resized.
    for (const QSize size : {QSize(511, 410), QSize(700, 600)}) {
        Form->resize(size);
        for (const auto& [name, rect, text] : places) {
            auto* widget = Form->findChild<QWidget*>(QString::fromLatin1(name));
            ASSERT_NE(widget, nullptr) << name;
            EXPECT_EQ(widget->geometry(), rect) << name;
            if (text) {
                EXPECT_EQ(static_cast<QPushButton*>(widget)->text(), S(text));
            }
        }
    }

    const std::pair<const char*, int> columns[] = {{"日付", 80}, {"メモ", 250}, {"状況", 55}, {"id", -1}};
    ASSERT_EQ(List()->columnCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(List()->headerItem()->text(i), S(columns[i].first));
        if (columns[i].second > 0) {
            EXPECT_EQ(List()->columnWidth(i), columns[i].second);
        }
    }
    EXPECT_EQ(List()->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_FALSE(List()->rootIsDecorated());

    QStringList order;
    QWidget* widget = List();
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisibleTo(Form.get()))
            order << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != List() && order.size() < 10);
    EXPECT_EQ(order, (QStringList{S("ListVwLg"), S("btnreview"), S("btnremove"), S("btnundo"), S("SearchEdit")}));
}

TEST_F(NoteList, StateWordReadsOnlyZeroAsEnded)
{
    const std::pair<const char*, const char*> cases[] = {{"0", "終了"},  {"-1", "継続"}, {nullptr, "継続"},
                                                         {"''", "継続"}, {"1", "継続"},  {"'false'", "継続"}};
    for (const auto& [term, word] : cases) {
        TRow row;
        row.Term = term;
        Add(row);
    }
    Open();
    const QStringList rows = Rows();
    ASSERT_EQ(rows.size(), int(std::size(cases)));
    for (int i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i], S("2026/11/30|メモ|%1|%2").arg(S(cases[i].second)).arg(i + 1)) << i;
    EXPECT_TRUE(List()->selectedItems().isEmpty());
}

TEST_F(NoteList, NoteOfSeveralLinesIsShownWhole)
{
    TRow row;
    row.Note = "一行目\r\n二行目\r\nit's the third line, long enough to wrap in its column twice over\r\n";
    Add(row);
    Open();
    QTreeWidgetItem* item = List()->topLevelItem(0);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(1), S("一行目\n二行目\nit's the third line, long enough to wrap in its column twice over"));
    // Three stored lines, the last wrapped at the column's width: at least four lines high.
    EXPECT_EVENTUALLY(List()->visualItemRect(item).height() >= 4 * List()->fontMetrics().lineSpacing());
}

TEST_F(NoteList, CellTextKeepsEveryLine)
{
    const std::pair<const char*, const char*> cases[] = {
        {"a\r\nb\r\n", "a\nb"}, {"a\nb", "a\nb"}, {"a\rb\r", "a\nb"}, {"a\r\n\r\n", "a\n"}, {"", ""}};
    for (const auto& [stored, shown] : cases)
        EXPECT_EQ(NoteCellText(S(stored)), S(shown)) << stored;
}

TEST_F(NoteList, ReshowBringsAnEndedNoteBackAsStored)
{
    Add({});
    TRow other;
    other.Note = "other\r\n";
    other.Term = "-1";
    Add(other);
    Open();
    ClickRow(0);
    Click("btnreview");

    ASSERT_EQ(Notes().size(), 1);
    TfrmDaviv* note = Notes().front();
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->geometry(), QRect(120, 140, 300, 90));
    EXPECT_EQ(note->Color(), 8454143u);
    EXPECT_EQ(note->AlphaBlendValue(), 125);
    EXPECT_EQ(note->RichEdMemo()->palette().color(QPalette::Base), ColorFromValue(8454143));
    EXPECT_EQ(note->MemoText(), S("メモ\r\n"));
    EXPECT_EQ(note->NoteDate(), QDate(2026, 11, 30));
    EXPECT_EQ(note->NoteId(), 1);
    EXPECT_TRUE(note->TermFlag());
    EXPECT_TRUE(note->VisibleFlag());

    EXPECT_EQ(Terms(), (QStringList{S("-1"), S("-1")}));
    EXPECT_EQ(Rows(), (QStringList{S("2026/11/30|メモ|継続|1"), S("2026/11/30|other|継続|2")}));
    EXPECT_TRUE(List()->selectedItems().isEmpty());
    EXPECT_TRUE(Reports.isEmpty());

    // Closing the list leaves the note on the desktop.
    Form->close();
    EXPECT_TRUE(note->isVisible());
}

TEST_F(NoteList, ReshowOfAnOpenNoteBringsItsOneWindowBack)
{
    TRow row;
    row.Term = "-1";
    Add(row);
    Open();
    ClickRow(0);
    Click("btnreview");
    ASSERT_EQ(Notes().size(), 1);
    TfrmDaviv* note = Notes().front();
    note->btnHideClick();
    ClickRow(0);
    Click("btnreview");
    EXPECT_EQ(Notes(), QList<TfrmDaviv*>{note});
    EXPECT_TRUE(note->isVisible());
}

TEST_F(NoteList, ButtonsWithoutASelectionDoNothing)
{
    Open();
    Click("btnreview");
    Click("btnremove");
    EXPECT_TRUE(Rows().isEmpty());

    Add({});
    Open();
    for (const char* button : {"btnreview", "btnremove"}) {
        Click(button);
        ClickRow(0);
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, QPoint(5, List()->viewport()->height() - 5));
        Click(button);
    }
    EXPECT_TRUE(Notes().isEmpty());
    EXPECT_EQ(Terms(), QStringList{S("0")});
    EXPECT_EQ(Rows().size(), 1);
    EXPECT_TRUE(Reports.isEmpty());
}

TEST_F(NoteList, RemoveDeletesTheRowAndClosesItsWindowUnsaved)
{
    TRow second;
    second.Note = "second\r\n";
    Add({});
    Add(second);
    Open();
    ClickRow(0);
    Click("btnreview");
    ASSERT_EQ(Notes().size(), 1);
    TfrmDaviv* note = Notes().front();

    ClickRow(0);
    Click("btnremove");
    EXPECT_EQ(Rows(), QStringList{S("2026/11/30|second|終了|2")});
    EXPECT_EQ(Column("select rowid from m_daviv", "rowid"), QStringList{S("2")});
    EXPECT_TRUE(List()->selectedItems().isEmpty());
    EXPECT_FALSE(note->isVisible());
    EXPECT_TRUE(Form->NoteWindows.isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Notes().isEmpty());
    EXPECT_EQ(Column("select note from m_daviv", "note"), QStringList{S("second\r\n")});
}

TEST_F(NoteList, UnreadableValueEndsReshowWithNothingHalfDone)
{
    struct TCase {
        const char* name;
        TRow row;
    };
    std::vector<TCase> cases;
    const auto with = [&cases](const char* name, const char* TRow::*column, const char* value) {
        TRow row;
        row.*column = value;
        cases.push_back({name, row});
    };
    with("date", &TRow::Day, "someday");
    with("left", &TRow::X, nullptr);
    with("height", &TRow::Height, "tall");
    with("visible", &TRow::Visible, "");
    with("colour", &TRow::Color, "red");
    with("alpha", &TRow::Alpha, nullptr);

    for (const TCase& c : cases) {
        Exec("delete from m_daviv");
        Add(c.row);
        Open();
        ClickRow(0);
        Reports.clear();
        Click("btnreview");
        EXPECT_EQ(Reports.size(), 1) << c.name;
        EXPECT_TRUE(Notes().isEmpty()) << c.name;
        EXPECT_EQ(Terms(), QStringList{S("0")}) << c.name;
        // The list was not reloaded: the row is still selected.
        EXPECT_EQ(List()->selectedItems().size(), 1) << c.name;
    }
}

TEST_F(NoteList, AStoreThatDoesNotOpenIsReported)
{
    Store = TNoteStore(Dir.filePath(QStringLiteral("missing")));
    Open();
    ASSERT_EQ(Reports.size(), 1);
    EXPECT_TRUE(Reports[0].contains(QStringLiteral("Failed to open database"))) << Reports[0].toStdString();
    EXPECT_TRUE(Rows().isEmpty());
}

TEST_F(NoteList, UnderADarkThemeNotesKeepDarkTextAndDialogsTheThemesColours)
{
    const QPalette before = QApplication::palette();
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(32, 32, 32));
    dark.setColor(QPalette::Base, QColor(48, 48, 48));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(230, 230, 230));
    dark.setColor(QPalette::Link, QColor(130, 180, 255));
    QApplication::setPalette(dark);
    {
        TfrmDaviv note(Desktop, Store, nullptr);
        EXPECT_LT(note.RichEdMemo()->palette().color(QPalette::Text).lightness(), 60);
        EXPECT_LT(note.Label1()->palette().color(QPalette::WindowText).lightness(), 60);
        EXPECT_LT(note.RichEdMemo()->palette().color(QPalette::Link).lightness(), 128);
        Open();
        const QPalette dialog = Form->palette();
        EXPECT_GT(dialog.color(QPalette::WindowText).lightness(), dialog.color(QPalette::Window).lightness());
    }
    QApplication::setPalette(before);
    Open();
    EXPECT_EQ(Form->palette().color(QPalette::Window), QColor(199, 199, 226));
}

TEST_F(NoteList, SearchSortDoubleClickAndTakingARemovalBack)
{
    for (const char* text : {"牛乳とタマゴ\r\n", "ＭＥＥＴＩＮＧ 10:30\r\n", "ﾒﾓ\r\n"}) {
        TRow row;
        row.Note = text;
        row.Term = "-1";
        Add(row);
    }
    Open();
    EXPECT_TRUE(Form->focusWidget() == Form->findChild<QLineEdit*>(QStringLiteral("SearchEdit")));
    auto* search = Form->findChild<QLineEdit*>(QStringLiteral("SearchEdit"));
    const auto shownIds = [this] {
        QStringList ids;
        for (int i = 0; i < List()->topLevelItemCount(); ++i)
            if (!List()->topLevelItem(i)->isHidden())
                ids << List()->topLevelItem(i)->text(3);
        return ids;
    };
    for (const auto& [query, ids] :
         std::initializer_list<std::pair<const char*, QStringList>>{{"たまご", {S("1")}},
                                                                    {"meeting", {S("2")}},
                                                                    {"メモ", {S("3")}},
                                                                    {"2026/11", {S("1"), S("2"), S("3")}},
                                                                    {"牛乳 10:30", {}},
                                                                    {"", {S("1"), S("2"), S("3")}}}) {
        search->setText(S(query));
        EXPECT_EQ(shownIds(), ids) << query;
    }

    // A header sorts by its column; the id column by number.
    Add({});
    Add({});
    Form->LoadNoteList();
    Form->SortBy(3);
    Form->SortBy(3);
    EXPECT_EQ(shownIds(), (QStringList{S("5"), S("4"), S("3"), S("2"), S("1")}));

    // A double click brings a note back; a removal is taken back under the note's old id.
    const QPoint third = List()->visualItemRect(List()->topLevelItem(2)).center();
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, third);
    QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, third);
    ASSERT_EQ(Notes().size(), 1);
    EXPECT_EQ(Notes().front()->NoteId(), 3);
    List()->topLevelItem(2)->setSelected(true);
    Click("btnremove");
    EXPECT_FALSE(shownIds().contains(S("3")));
    Form->activateWindow();
    ASSERT_EVENTUALLY(Form->isActiveWindow());
    QTest::keyClick(Form.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(shownIds().contains(S("3")));
    EXPECT_EQ(Column(StmtNoteById(3), "note"), QStringList{S("ﾒﾓ\r\n")});
}

TEST_F(NoteList, ButtonsActOnAShownRowOnlyAndUndoBringsAnOpenNoteBack)
{
    TRow open;
    open.Note = "open";
    open.Term = "-1";
    Add(open);
    Add({});
    Open();
    ClickRow(0);
    Click("btnreview");
    ASSERT_EQ(Form->NoteWindows.size(), 1);
    Form->NoteWindows.front()->SetBounds(200, 210, 320, 100);
    Form->NoteWindows.front()->ChangeColor(16771434);
    Form->NoteWindows.front()->SetZoom(150);

    // The selected row that a search hides is not acted on.
    ClickRow(1);
    auto* search = Form->findChild<QLineEdit*>(QStringLiteral("SearchEdit"));
    search->setText(S("open"));
    Click("btnreview");
    Click("btnremove");
    EXPECT_EQ(Form->NoteWindows.size(), 1);
    EXPECT_EQ(Terms(), (QStringList{S("-1"), S("0")}));

    search->clear();
    ClickRow(0);
    Click("btnremove");
    ASSERT_TRUE(Form->NoteWindows.isEmpty());
    Form->UndoRemoveClick();
    ASSERT_EQ(Form->NoteWindows.size(), 1);
    const TfrmDaviv* back = Form->NoteWindows.front();
    EXPECT_TRUE(back->isVisible());
    EXPECT_EQ(back->geometry(), QRect(200, 210, 320, 100));
    EXPECT_EQ(back->Color(), 16771434u);
    EXPECT_EQ(back->Look().Zoom, 150);
}
