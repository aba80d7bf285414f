#include "core/SearchText.h"
#include "gui/ColorValue.h"
#include "gui/NoteEditor.h"
#include "gui/NoteList.h"
#include "gui/NoteWindow.h"
#include "gui/ReportList.h"

#include "TestSupport.h"
#include "TestText.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// One stored note; a column given as nullptr is left NULL.
struct Row {
    const char* day = "2026/11/30";
    const char* note = "メモ\r\n";
    const char* x = "120";
    const char* y = "140";
    const char* width = "300";
    const char* height = "90";
    const char* term = "0";
    const char* visible = "-1";
    const char* color = "8454143";
    const char* alpha = "125";
};

class NoteListTest : public WindowFixture {
public:
    NoteListTest() { prepare(); }

    void add(const Row& row)
    {
        // Texts go in as the program writes them; the numbers as given, so a test can store
        // what does not read.
        const auto text = [](const char* value) {
            return value ? Statements::textLiteral(QString::fromUtf8(value)) : QByteArray("NULL");
        };
        exec("insert into m_daviv (f_day, note, xpos, ypos, width, height, term, visible, color, alpha) values (" +
             text(row.day) + ", " + text(row.note) + ", " + text(row.x) + ", " + text(row.y) + ", " + text(row.width) +
             ", " + text(row.height) + ", " + (row.term ? QByteArray(row.term) : "NULL") + ", " + text(row.visible) +
             ", " + text(row.color) + ", " + text(row.alpha) + ")");
    }

    void open()
    {
        if (!app)
            start();
        form = &app->noteList();
        // Every showing reads the store again.
        form->hide();
        form->show();
    }

    ReportList* list() const { return form->findChild<ReportList*>(QStringLiteral("notesView")); }
    QList<NoteWindow*> notes() const { return app->notes().notes(); }

    void click(const char* button)
    {
        QTest::mouseClick(form->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
    }
    void clickRow(int row)
    {
        const QRect cell = list()->visualItemRect(list()->topLevelItem(row));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, cell.center());
        ASSERT_TRUE(list()->topLevelItem(row)->isSelected());
    }

    QStringList rows() const { return rowTexts(list()); }

    QStringList terms() { return column("select term from m_daviv", "term"); }

    NoteList* form = nullptr;
};

} // namespace

TEST_F(NoteListTest, EveryControlShowsWholeAtAnySizeAndTabGoesRound)
{
    open();
    EXPECT_EQ(form->windowTitle(), S("付箋一覧"));
    expectTidyControls(form, {form->size(), QSize(700, 600)});

    QStringList order;
    QWidget* widget = list();
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisibleTo(form))
            order << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != list() && order.size() < 10);
    EXPECT_EQ(order,
              (QStringList{S("notesView"), S("reshowButton"), S("removeButton"), S("undoButton"), S("searchEdit")}));
}

TEST_F(NoteListTest, StateWordReadsOnlyZeroAsEnded)
{
    const std::pair<const char*, const char*> cases[] = {{"0", "終了"},  {"-1", "継続"}, {nullptr, "継続"},
                                                         {"''", "継続"}, {"1", "継続"},  {"'false'", "継続"}};
    for (const auto& [term, word] : cases) {
        Row row;
        row.term = term;
        add(row);
    }
    open();
    const QStringList shown = rows();
    ASSERT_EQ(shown.size(), int(std::size(cases)));
    for (int i = 0; i < shown.size(); ++i)
        EXPECT_EQ(shown[i], S("2026/11/30|メモ|%1|%2").arg(S(cases[i].second)).arg(i + 1)) << i;
    EXPECT_TRUE(list()->selectedItems().isEmpty());
}

TEST_F(NoteListTest, NoteOfSeveralLinesIsShownWhole)
{
    Row row;
    row.note = "一行目\r\n二行目\r\nit's the third line, long enough to wrap in its column twice over\r\n";
    add(row);
    open();
    QTreeWidgetItem* item = list()->topLevelItem(0);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(1), S("一行目\n二行目\nit's the third line, long enough to wrap in its column twice over"));
    // Three stored lines, the last wrapped at the column's width: at least four lines high.
    EXPECT_EVENTUALLY(list()->visualItemRect(item).height() >= 4 * list()->fontMetrics().lineSpacing());
}

TEST_F(NoteListTest, CellTextKeepsEveryLine)
{
    const std::pair<const char*, const char*> cases[] = {
        {"a\r\nb\r\n", "a\nb"}, {"a\nb", "a\nb"}, {"a\rb\r", "a\nb"}, {"a\r\n\r\n", "a\n"}, {"", ""}};
    for (const auto& [stored, shown] : cases)
        EXPECT_EQ(noteCellText(S(stored)), S(shown)) << stored;
    // Of a long note only the start; a line break left over is nothing left out.
    const QString full(CellTextLength, QLatin1Char('a'));
    EXPECT_EQ(noteCellText(full + S("\r\n")), full);
    EXPECT_EQ(noteCellText(full + S("b")), full + QChar(0x2026));
    EXPECT_EQ(noteCellText(S("a\r\n").repeated(CellTextLines + 1)),
              S("a\n").repeated(CellTextLines).chopped(1) + QChar(0x2026));
}

TEST_F(NoteListTest, OfABigNoteOnlyTheStartIsShownAndSearchedAndReshowBringsItWhole)
{
    QString text = S("はじめの行\r\n");
    while (text.size() <= SearchedLength)
        text += S("a line of a pasted log\r\n");
    text += S("おわり\r\n");
    const QByteArray stored = text.toUtf8();
    Row row;
    row.note = stored.constData();
    add(row);
    open();
    const QString cell = list()->topLevelItem(0)->text(1);
    EXPECT_TRUE(cell.startsWith(S("はじめの行\na line of a pasted log\n"))) << cell.left(40).toStdString();
    EXPECT_TRUE(cell.endsWith(QChar(0x2026)));
    EXPECT_LE(cell.count(QLatin1Char('\n')), CellTextLines);
    auto* search = form->findChild<QLineEdit*>(QStringLiteral("searchEdit"));
    for (const auto& [word, rows] : {std::pair{"ハジメ", 1}, {"おわり", 0}}) {
        search->setText(S(word));
        EXPECT_EQ(list()->topLevelItemCount(), rows) << word;
    }
    search->clear();
    list()->topLevelItem(0)->setSelected(true);
    click("reshowButton");
    ASSERT_EQ(notes().size(), 1);
    EXPECT_EQ(notes().front()->text(), text);
}

TEST_F(NoteListTest, ReshowBringsAnEndedNoteBackAsStored)
{
    add({});
    Row other;
    other.note = "other\r\n";
    other.term = "-1";
    add(other);
    open();
    clickRow(0);
    click("reshowButton");

    ASSERT_EQ(notes().size(), 1);
    NoteWindow* note = notes().front();
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->geometry(), QRect(120, 140, 300, 90));
    EXPECT_EQ(note->color(), 8454143u);
    EXPECT_EQ(note->alpha(), 125);
    EXPECT_EQ(note->editor()->palette().color(QPalette::Base), colorFromValue(8454143));
    EXPECT_EQ(note->text(), S("メモ\r\n"));
    EXPECT_EQ(note->noteDate(), QDate(2026, 11, 30));
    EXPECT_EQ(note->noteId(), 1);
    EXPECT_TRUE(note->isOpen());
    EXPECT_TRUE(note->visibleFlag());

    EXPECT_EQ(terms(), (QStringList{S("-1"), S("-1")}));
    EXPECT_EQ(rows(), (QStringList{S("2026/11/30|メモ|継続|1"), S("2026/11/30|other|継続|2")}));
    EXPECT_TRUE(list()->selectedItems().isEmpty());
    EXPECT_TRUE(reports.isEmpty());

    // Closing the list leaves the note on the desktop.
    form->close();
    EXPECT_TRUE(note->isVisible());
}

TEST_F(NoteListTest, ReshowOfAnOpenNoteBringsItsOneWindowBack)
{
    Row row;
    row.term = "-1";
    add(row);
    open();
    clickRow(0);
    click("reshowButton");
    ASSERT_EQ(notes().size(), 1);
    NoteWindow* note = notes().front();
    note->hideNote();
    clickRow(0);
    click("reshowButton");
    EXPECT_EQ(notes(), QList<NoteWindow*>{note});
    EXPECT_TRUE(note->isVisible());
}

TEST_F(NoteListTest, ButtonsWithoutASelectionDoNothing)
{
    open();
    click("reshowButton");
    click("removeButton");
    EXPECT_TRUE(rows().isEmpty());

    add({});
    open();
    for (const char* button : {"reshowButton", "removeButton"}) {
        click(button);
        clickRow(0);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, QPoint(5, list()->viewport()->height() - 5));
        click(button);
    }
    EXPECT_TRUE(notes().isEmpty());
    EXPECT_EQ(terms(), QStringList{S("0")});
    EXPECT_EQ(rows().size(), 1);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(NoteListTest, RemoveDeletesTheRowAndClosesItsWindowUnsaved)
{
    Row second;
    second.note = "second\r\n";
    add({});
    add(second);
    open();
    clickRow(0);
    click("reshowButton");
    ASSERT_EQ(notes().size(), 1);
    NoteWindow* note = notes().front();

    clickRow(0);
    click("removeButton");
    EXPECT_EQ(rows(), QStringList{S("2026/11/30|second|終了|2")});
    EXPECT_EQ(column("select rowid from m_daviv", "rowid"), QStringList{S("2")});
    EXPECT_TRUE(list()->selectedItems().isEmpty());
    EXPECT_FALSE(note->isVisible());
    EXPECT_TRUE(app->notes().notes().isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(notes().isEmpty());
    EXPECT_EQ(column("select note from m_daviv", "note"), QStringList{S("second\r\n")});
}

TEST_F(NoteListTest, UnreadableValueEndsReshowWithNothingHalfDone)
{
    struct Case {
        const char* name;
        Row row;
    };
    std::vector<Case> cases;
    const auto with = [&cases](const char* name, const char* Row::*column, const char* value) {
        Row row;
        row.*column = value;
        cases.push_back({name, row});
    };
    with("date", &Row::day, "someday");
    with("left", &Row::x, nullptr);
    with("height", &Row::height, "tall");
    with("visible", &Row::visible, "");
    with("colour", &Row::color, "red");
    with("alpha", &Row::alpha, nullptr);

    for (const Case& c : cases) {
        exec("delete from m_daviv");
        add(c.row);
        open();
        clickRow(0);
        reports.clear();
        click("reshowButton");
        EXPECT_EQ(reports.size(), 1) << c.name;
        EXPECT_TRUE(notes().isEmpty()) << c.name;
        EXPECT_EQ(terms(), QStringList{S("0")}) << c.name;
        // The list was not reloaded: the row is still selected.
        EXPECT_EQ(list()->selectedItems().size(), 1) << c.name;
    }
}

TEST_F(NoteListTest, AStoreThatDoesNotOpenIsReported)
{
    store = NoteStore(dir.filePath(QStringLiteral("missing")));
    open();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains(QStringLiteral("Failed to open database"))) << reports[0].toStdString();
    EXPECT_TRUE(rows().isEmpty());
}

TEST_F(NoteListTest, UnderADarkThemeNotesKeepDarkTextAndDialogsTheThemesColours)
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
        NoteWindow note(desktop, store, report, nullptr);
        EXPECT_LT(note.editor()->palette().color(QPalette::Text).lightness(), 60);
        EXPECT_LT(note.dateLabel()->palette().color(QPalette::WindowText).lightness(), 60);
        EXPECT_LT(note.editor()->palette().color(QPalette::Link).lightness(), 128);
        open();
        const QPalette dialog = form->palette();
        EXPECT_GT(dialog.color(QPalette::WindowText).lightness(), dialog.color(QPalette::Window).lightness());
    }
    QApplication::setPalette(before);
    app.reset();
    open();
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(199, 199, 226));
}

TEST_F(NoteListTest, SearchSortDoubleClickAndTakingARemovalBack)
{
    for (const char* text : {"牛乳とタマゴ\r\n", "ＭＥＥＴＩＮＧ 10:30\r\n", "ﾒﾓ\r\n"}) {
        Row row;
        row.note = text;
        row.term = "-1";
        add(row);
    }
    open();
    EXPECT_TRUE(form->focusWidget() == form->findChild<QLineEdit*>(QStringLiteral("searchEdit")));
    auto* search = form->findChild<QLineEdit*>(QStringLiteral("searchEdit"));
    const auto shownIds = [this] {
        QStringList ids;
        for (int i = 0; i < list()->topLevelItemCount(); ++i)
            if (!list()->topLevelItem(i)->isHidden())
                ids << list()->topLevelItem(i)->text(3);
        return ids;
    };
    for (const auto& [query, ids] :
         std::initializer_list<std::pair<const char*, QStringList>>{{"たまご", {S("1")}},
                                                                    {"meeting", {S("2")}},
                                                                    {"メモ", {S("3")}},
                                                                    {"2026/11", {S("1"), S("2"), S("3")}},
                                                                    {"2026/11 め", {S("3")}},
                                                                    {"2026/11", {S("1"), S("2"), S("3")}},
                                                                    {"牛乳 10:30", {}},
                                                                    {"", {S("1"), S("2"), S("3")}}}) {
        search->setText(S(query));
        EXPECT_EQ(shownIds(), ids) << query;
    }
    // Opened again, the list keeps the last search, selected, and says how much it shows.
    search->setText(S("たまご"));
    open();
    EXPECT_EQ(search->selectedText(), S("たまご"));
    EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("countLabel"))->text(), S("1 / 3"));
    QTest::keyClicks(search, QStringLiteral("meeting"));
    EXPECT_EQ(shownIds(), QStringList{S("2")});
    search->clear();

    // A header sorts by its column; the id column by number.
    add({});
    add({});
    form->loadNotes();
    form->sortBy(3);
    form->sortBy(3);
    EXPECT_EQ(shownIds(), (QStringList{S("5"), S("4"), S("3"), S("2"), S("1")}));

    // A double click brings a note back; a removal is taken back under the note's old id.
    const QPoint third = list()->visualItemRect(list()->topLevelItem(2)).center();
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, third);
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, third);
    ASSERT_EQ(notes().size(), 1);
    EXPECT_EQ(notes().front()->noteId(), 3);
    list()->topLevelItem(2)->setSelected(true);
    click("removeButton");
    EXPECT_FALSE(shownIds().contains(S("3")));
    form->activateWindow();
    ASSERT_EVENTUALLY(form->isActiveWindow());
    QTest::keyClick(form, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(shownIds().contains(S("3")));
    EXPECT_EQ(column(Statements::noteById(3), "note"), QStringList{S("ﾒﾓ\r\n")});
}

TEST_F(NoteListTest, ButtonsActOnAShownRowOnlyAndUndoBringsAnOpenNoteBack)
{
    Row opened;
    opened.note = "open";
    opened.term = "-1";
    add(opened);
    add({});
    open();
    clickRow(0);
    click("reshowButton");
    ASSERT_EQ(app->notes().notes().size(), 1);
    app->notes().notes().front()->setGeometry(200, 210, 320, 100);
    ASSERT_EVENTUALLY(app->notes().notes().front()->currentNote().bounds == QRect(200, 210, 320, 100));
    app->notes().notes().front()->changeColor(16771434);
    app->notes().notes().front()->setZoom(150);

    // The selected row that a search hides is not acted on.
    clickRow(1);
    auto* search = form->findChild<QLineEdit*>(QStringLiteral("searchEdit"));
    search->setText(S("open"));
    click("reshowButton");
    click("removeButton");
    EXPECT_EQ(app->notes().notes().size(), 1);
    EXPECT_EQ(terms(), (QStringList{S("-1"), S("0")}));

    search->clear();
    EXPECT_TRUE(list()->topLevelItem(1)->isSelected());
    clickRow(0);
    click("removeButton");
    ASSERT_TRUE(app->notes().notes().isEmpty());
    form->undoRemove();
    ASSERT_EQ(app->notes().notes().size(), 1);
    const NoteWindow* back = app->notes().notes().front();
    EXPECT_TRUE(back->isVisible());
    EXPECT_EQ(back->geometry(), QRect(200, 210, 320, 100));
    EXPECT_EQ(back->color(), 16771434u);
    EXPECT_EQ(back->look().zoom, 150);

    // Another note took its id meanwhile: it comes back under a new one and takes its look along.
    const qint32 former = back->noteId();
    clickRow(0);
    click("removeButton");
    exec("insert into m_daviv (rowid, f_day) values (" + QByteArray::number(former) + ", '2026/12/01')");
    form->undoRemove();
    ASSERT_EQ(app->notes().notes().size(), 1);
    const qint32 moved = app->notes().notes().front()->noteId();
    EXPECT_NE(moved, former);
    EXPECT_EQ(store.noteLooks()->at(moved), (NoteLook{150, false}));
}
