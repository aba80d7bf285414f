#include "TestSupport.h"

#include "controls/ColorValue.h"
#include "notes/NoteFrame.h"
#include "notes/NoteText.h"
#include "notes/RichEdit.h"
#include "notes/uFDaviv.h"
#include "platform/CodePage932.h"
#include "platform/System.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPixmap>
#include <QPointer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTextBlock>
#include <QWheelEvent>

namespace {

constexpr quint32 Yellow = 0x80FFFF;
const QDate NoteDay(2011, 8, 26);
const QRect Bounds(100, 120, 271, 71);
const char* const RowColumns[] = {"f_day",  "note", "xpos",    "ypos",  "width",
                                  "height", "term", "visible", "color", "alpha"};

// Every column of a note row, decoded, in the order of RowColumns.
QStringList RowOf(TSQLiteTable& table)
{
    QStringList row;
    for (const char* column : RowColumns)
        row << DecodeStoreText(table.ValueText(column));
    return row;
}

QStringList SavedRow(const QString& text, const QRect& bounds, const QString& term, int alpha = 200)
{
    return {FormatStoreDate(NoteDay),
            text,
            QString::number(bounds.x()),
            QString::number(bounds.y()),
            QString::number(bounds.width()),
            QString::number(bounds.height()),
            term,
            QStringLiteral("-1"),
            QString::number(Yellow),
            QString::number(alpha)};
}

void PointerLeaves(QWidget* editor)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(editor, &leave);
}

// A point inside the character at a document position, in viewport coordinates.
QPoint PointOnCharacter(TRichEdit* editor, int position)
{
    QTextCursor cursor(editor->document());
    cursor.setPosition(position);
    const QRect before = editor->cursorRect(cursor);
    cursor.setPosition(position + 1);
    const QRect after = editor->cursorRect(cursor);
    return QPoint((before.x() + after.x()) / 2, before.center().y());
}

// A note window as the restore builds it, on a row just added to a fresh store.
class NoteWindow : public TWindowFixture {
protected:
    NoteWindow()
    {
        Prepare();
        TSQLiteDo store(Dir.path());
        store.OpenStore(QString::fromLatin1(StoreFileName));
        Id = store.AddNote(Desktop.Today());
        store.CloseStore();
        UnsavedRow = Row();
    }
    ~NoteWindow() override { frmDaviv = nullptr; }

    TfrmDaviv* NewNote(const QString& text = QString())
    {
        auto* note = new TfrmDaviv(Desktop, Store, &Owner);
        note->SetNoteDate(NoteDay);
        note->SetMemoText(text);
        note->SetBounds(Bounds.x(), Bounds.y(), Bounds.width(), Bounds.height());
        note->SetColor(Yellow);
        note->SetMemoColor(Yellow);
        note->SetAlphaBlendValue(TfrmDaviv::DefaultAlpha);
        note->SetNoteId(Id);
        return note;
    }

    TfrmDaviv* ShownNote(const QString& text = QString())
    {
        TfrmDaviv* note = NewNote(text);
        note->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(note));
        return note;
    }

    void UseTemplate(int alpha)
    {
        frmDaviv = new TfrmDaviv(Desktop, Store, &Owner);
        frmDaviv->SetAlphaBlendValue(alpha);
    }

    QList<QStringList> AllRows()
    {
        QList<QStringList> rows;
        auto table = Query("select * from m_daviv");
        for (table->GoFirst(); !table->AtEnd(); table->GoNext())
            rows << RowOf(*table);
        return rows;
    }

    QStringList Row()
    {
        auto table = Query(StmtNoteById(Id));
        return table->RowCount() == 1 ? RowOf(*table) : QStringList();
    }

    QWidget Owner;
    qint32 Id = 0;
    QStringList UnsavedRow;
};

} // namespace

TEST(NoteFade, StepsOfTwentyNeverBelowZero)
{
    const struct {
        int From;
        QList<int> Steps;
    } cases[] = {
        {200, {200, 180, 160, 140, 120, 100, 80, 60, 40, 20, 0}},
        {125, {125, 105, 85, 65, 45, 25, 5, 0, 0, 0, 0}},
        {255, {255, 235, 215, 195, 175, 155, 135, 115, 95, 75, 55}},
        {0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TfrmDaviv::FadeSteps(c.From), c.Steps) << c.From;
}

TEST_F(NoteWindow, ShowingWritesNothingAndMovingSavesTheWholeRecord)
{
    TfrmDaviv* note = ShownNote("a\r\nb");
    QCoreApplication::processEvents();
    EXPECT_TRUE(note->TermFlag());
    EXPECT_EQ(Row(), UnsavedRow);

    note->move(150, 160);
    EXPECT_EVENTUALLY(Row() == SavedRow("a\r\nb\r\n", Bounds.translated(50, 40), "-1"));
}

TEST_F(NoteWindow, PointerLeavingTheEditorSavesItsText)
{
    const struct {
        QString Set;
        QString Stored;
    } cases[] = {
        {"", ""},
        {"a\r\nb", "a\r\nb\r\n"},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"it's Tom's 'note'", "it's Tom's 'note'\r\n"},
        {"絵文字😀\nふたつ目の行\r\n", "絵文字😀\r\nふたつ目の行\r\n"},
    };
    TfrmDaviv* note = ShownNote();
    for (const auto& c : cases) {
        note->SetMemoText(c.Set);
        PointerLeaves(note->RichEdMemo());
        EXPECT_EQ(Row(), SavedRow(c.Stored, Bounds, "-1")) << c.Set.toStdString();
    }
}

TEST_F(NoteWindow, TypedAndPastedTextIsStoredAsPlainLines)
{
    TfrmDaviv* note = ShownNote();
    TRichEdit* editor = note->RichEdMemo();
    QTest::keyClicks(editor, QStringLiteral("it's"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClick(editor, Qt::Key_Return, Qt::ShiftModifier);
    const QString html = QStringLiteral("<b>bold</b> <a href=\"http://x.example\">x</a>");
    auto* mime = new QMimeData;
    mime->setHtml(html);
    mime->setText(QStringLiteral("bold x"));
    QGuiApplication::clipboard()->setMimeData(mime);
    editor->paste();
    // HTML alone comes in as its text.
    auto* htmlOnly = new QMimeData;
    htmlOnly->setHtml(html);
    QGuiApplication::clipboard()->setMimeData(htmlOnly);
    editor->paste();

    for (QTextBlock block = editor->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            EXPECT_FALSE(it.fragment().charFormat().isAnchor()) << it.fragment().text().toStdString();
            EXPECT_EQ(it.fragment().charFormat().fontWeight(), QFont::Normal) << it.fragment().text().toStdString();
        }
    }
    PointerLeaves(editor);
    EXPECT_EQ(Row().value(1), QStringLiteral("it's\r\n\r\nbold xbold x\r\n"));
}

// Stores written for years hold code page 932 bytes that do not all survive a decoding and an
// encoding: a note nobody edits keeps them exactly; an edited one is written by the rules.
TEST_F(NoteWindow, UneditedTextKeepsItsStoredBytes)
{
    const struct {
        QByteArray Stored;
        QString Read;
        QByteArray Edited; // after a "!" typed at its start
    } cases[] = {
        // Half-width katakana that are valid UTF-8 as well.
        {"\xCF\xB2\xC5\xBD", "ﾏｲﾅｽ", "!\xCF\xB2\xC5\xBD\r\n"},
        {"\xCA\xB2 OK", "ﾊｲ OK", "!\xCA\xB2 OK\r\n"},
        {"\xC3\xBD", "ﾃｽ", "!\xC3\xBD\r\n"},
        // A lead byte without a second byte.
        {"a\x82 b", "a\uFFFD b", "\xEF\xBB\xBF!a\xEF\xBF\xBD b\r\n"},
        {QByteArray("a\0b", 3), QString::fromLatin1("a\0b", 3), "!ab\r\n"},
        // NEC and IBM codes that have a second code for the same character.
        {"\x87\x90", "≒", "!\x81\xE0\r\n"},
        {"\xED\x40", "纊", "!\xFA\x5C\r\n"},
    };
    // The conversion the program runs with: Qt's own drops bytes that form no character.
    UseSystemCodePage932();
    const auto restore = qScopeGuard([] { UseCodePage932(nullptr); });
    const QByteArray row = " xpos = 100, ypos = 120, width = 271, height = 71, term = -1, visible = -1, color = " +
                           QByteArray::number(Yellow) + ", alpha = 200 where rowid = " + QByteArray::number(Id);
    const auto stored = [&] {
        auto table = Query("select typeof(note) as kind, note from m_daviv where rowid = " + QByteArray::number(Id));
        return std::pair(table->ValueText("kind"), table->ValueText("note"));
    };
    for (const auto& c : cases) {
        Exec("update m_daviv set note = cast(x'" + c.Stored.toHex() + "' as text)," + row);
        EXPECT_EQ(DecodeStoreText(c.Stored), c.Read) << c.Stored.toHex().constData();
        auto* note = new TfrmDaviv(Desktop, Store, &Owner);
        note->SetRecord(*Store.Note(Id));
        note->SaveNote();
        EXPECT_EQ(stored(), std::pair(QByteArray("text"), c.Stored)) << c.Stored.toHex().constData();
        note->RichEdMemo()->moveCursor(QTextCursor::Start);
        note->RichEdMemo()->insertPlainText(QStringLiteral("!"));
        note->SaveNote();
        EXPECT_EQ(stored(), std::pair(QByteArray("text"), c.Edited)) << c.Stored.toHex().constData();
        delete note;
    }
}

TEST_F(NoteWindow, RealPointerLeavingTheEditorSaves)
{
    TfrmDaviv* note = ShownNote("moved over");
    TRichEdit* editor = note->RichEdMemo();
    QCursor::setPos(editor->mapToGlobal(editor->rect().center()));
    ASSERT_EVENTUALLY(editor->underMouse());
    EXPECT_EQ(Row(), UnsavedRow);
    QCursor::setPos(note->frameGeometry().bottomRight() + QPoint(100, 100));
    EXPECT_EVENTUALLY(Row() == SavedRow("moved over\r\n", Bounds, "-1"));
}

TEST_F(NoteWindow, SaveTakesTheTemplateTransparency)
{
    const struct {
        bool Template;
        int TemplateAlpha;
        int Stored;
    } cases[] = {{false, 0, TfrmDaviv::DefaultAlpha}, {true, TfrmDaviv::DefaultAlpha, 200}, {true, 180, 180}};
    TfrmDaviv* note = ShownNote();
    note->H2Click();
    EXPECT_EQ(note->AlphaBlendValue(), TfrmDaviv::HalfAlpha);
    EXPECT_DOUBLE_EQ(note->windowOpacity(), TfrmDaviv::HalfAlpha / 255.0);
    for (const auto& c : cases) {
        frmDaviv = nullptr;
        if (c.Template)
            UseTemplate(c.TemplateAlpha);
        note->SaveNote();
        EXPECT_EQ(Row().value(9), QString::number(c.Stored)) << c.TemplateAlpha;
    }
    EXPECT_EQ(note->AlphaBlendValue(), TfrmDaviv::HalfAlpha);
}

TEST_F(NoteWindow, HiddenNoteStaysActive)
{
    TfrmDaviv* note = ShownNote("hidden");
    note->btnHideClick();
    EXPECT_FALSE(note->isVisible());
    EXPECT_TRUE(note->TermFlag());
    EXPECT_EQ(Row(), UnsavedRow);
    PointerLeaves(note->RichEdMemo());
    EXPECT_EQ(Row(), SavedRow("hidden\r\n", Bounds, "-1"));
}

TEST_F(NoteWindow, TaskEndFadesHidesAndWritesTheEndedRecord)
{
    UseTemplate(TfrmDaviv::DefaultAlpha);
    for (int start : {TfrmDaviv::DefaultAlpha, TfrmDaviv::HalfAlpha}) {
        TfrmDaviv* note = ShownNote("done");
        note->SetAlphaBlendValue(start);
        QSignalSpy ended(note, &TfrmDaviv::TaskEnded);
        note->E1Click();
        EXPECT_TRUE(note->TaskEnding());
        EXPECT_EQ(note->AlphaBlendValue(), start);
        // The save of a move or of the pointer leaving during the fade writes the note as ended.
        note->move(Bounds.x() + 10, Bounds.y());
        EXPECT_EVENTUALLY(Row().value(6) == QStringLiteral("0"));
        EXPECT_EQ(Row().value(0), FormatStoreDate(NoteDay));
        // The ended record writes the text but leaves the date as it was stored.
        note->SetNoteDate(NoteDay.addDays(1));
        note->SetMemoText(QStringLiteral("done, really"));

        ASSERT_EVENTUALLY(ended.count() == 1);
        EXPECT_FALSE(note->isVisible());
        EXPECT_FALSE(note->TermFlag());
        EXPECT_FALSE(note->TaskEnding());
        EXPECT_EQ(note->AlphaBlendValue(), TfrmDaviv::FadeSteps(start).back());
        EXPECT_EQ(Row(), SavedRow("done, really\r\n", Bounds.translated(10, 0), "0")) << start;
        note->SetNoteDate(NoteDay);

        // Later saves, the exit save among them, keep the note ended until a show makes it
        // active again, invisible at the fade's end value.
        note->SaveNote();
        EXPECT_EQ(Row().value(6), QStringLiteral("0"));
        note->show();
        EXPECT_TRUE(note->TermFlag());
        note->SaveNote();
        EXPECT_EQ(Row().value(6), QStringLiteral("-1"));
        delete note;
    }
}

TEST_F(NoteWindow, DestroyedDuringTheFadeStillEndsTheNote)
{
    TfrmDaviv* note = ShownNote("gone");
    note->E1Click();
    delete note;
    QStringList expected = SavedRow("gone\r\n", Bounds, "0");
    expected[0] = UnsavedRow.value(0);
    EXPECT_EQ(Row(), expected);
}

TEST_F(NoteWindow, SaveWithoutNoteIdTouchesNoRow)
{
    Exec("insert into m_daviv (rowid, f_day) values (5, 'other')");
    const QList<QStringList> before = AllRows();
    TfrmDaviv* note = ShownNote("no id");
    note->SetNoteId(0);
    note->SaveNote();
    note->move(300, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(AllRows(), before);
    EXPECT_TRUE(Reports.isEmpty());
}

TEST_F(NoteWindow, FailedSaveMarksTheNoteUntilASaveGoesThrough)
{
    TfrmDaviv* note = ShownNote("kept");
    const QString missing = Dir.filePath(QStringLiteral("missing/folder"));
    Store = TNoteStore(missing);
    const std::function<void()> saves[] = {
        [&] { PointerLeaves(note->RichEdMemo()); },
        [&] { note->move(note->x() + 5, note->y()); },
    };
    EXPECT_EQ(note->findChild<QLabel*>(QStringLiteral("UnsavedMark")), nullptr);
    for (const auto& save : saves) {
        save();
        EXPECT_EQ(note->SaveState(), TSaveState::Failed);
        EXPECT_TRUE(note->SaveError().contains(QDir::toNativeSeparators(missing))) << qPrintable(note->SaveError());
        const auto* mark = note->findChild<QLabel*>(QStringLiteral("UnsavedMark"));
        ASSERT_TRUE(mark && mark->isVisible());
        EXPECT_TRUE(Reports.isEmpty());
    }
    Store = TNoteStore(Dir.path());
    EXPECT_EQ(Row(), UnsavedRow);
    note->SaveNote();
    EXPECT_EQ(note->SaveState(), TSaveState::Stored);
    EXPECT_FALSE(note->findChild<QLabel*>(QStringLiteral("UnsavedMark"))->isVisible());
    EXPECT_EQ(Row(), SavedRow("kept\r\n", Bounds.translated(5, 0), "-1"));
}

TEST_F(NoteWindow, TypingIsSavedOnceAfterTheUserPauses)
{
    // A shown note whose links are being marked has not changed: nothing is written.
    TfrmDaviv* note = ShownNote("see https://example.org");
    QSignalSpy saved(note, &TfrmDaviv::Saved);
    QTest::qWait(TfrmDaviv::SaveDelayMs + 300);
    EXPECT_EQ(saved.count(), 0);
    EXPECT_EQ(note->SaveState(), TSaveState::Stored);

    note->activateWindow();
    ASSERT_EVENTUALLY(note->isActiveWindow());
    note->RichEdMemo()->setFocus();
    note->RichEdMemo()->moveCursor(QTextCursor::End);
    QTest::keyClicks(note->RichEdMemo(), QStringLiteral(" typed fast"), Qt::NoModifier, 20);
    EXPECT_EQ(saved.count(), 0);
    EXPECT_EQ(note->SaveState(), TSaveState::Pending);
    ASSERT_EVENTUALLY(saved.count() == 1);
    EXPECT_EQ(Row().value(1), QStringLiteral("see https://example.org typed fast\r\n"));
    QTest::qWait(TfrmDaviv::SaveDelayMs + 300);
    EXPECT_EQ(saved.count(), 1);

    // A resize is saved once it stops; leaving the window saves what is pending at once.
    note->resize(300, 90);
    note->RichEdMemo()->insertPlainText(QStringLiteral("!"));
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_EVENTUALLY(saved.count() == 2);
    EXPECT_EQ(Row(),
              SavedRow("see https://example.org typed fast!\r\n", QRect(Bounds.topLeft(), QSize(300, 90)), "-1"));
}

TEST_F(NoteWindow, ShortcutsActWithTheCaretInTheEditor)
{
    const struct {
        Qt::Key Key;
        bool Visible;
        int Alpha;
        bool Ending;
    } cases[] = {
        {Qt::Key_H, true, TfrmDaviv::HalfAlpha, false},
        {Qt::Key_N, false, TfrmDaviv::DefaultAlpha, false},
        {Qt::Key_E, true, TfrmDaviv::DefaultAlpha, true},
    };
    for (const auto& c : cases) {
        TfrmDaviv* note = ShownNote("typed");
        TRichEdit* editor = note->RichEdMemo();
        note->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(note));
        editor->setFocus();
        ASSERT_EVENTUALLY(editor->hasFocus());
        EXPECT_TRUE(Desktop.HiraganaRequests.contains(editor));
        editor->moveCursor(QTextCursor::End);

        QTest::keyClick(editor, c.Key, Qt::ControlModifier);
        EXPECT_EQ(note->isVisible(), c.Visible) << c.Key;
        EXPECT_EQ(note->AlphaBlendValue(), c.Alpha) << c.Key;
        EXPECT_EQ(note->TaskEnding(), c.Ending) << c.Key;
        EXPECT_TRUE(note->TermFlag());
        EXPECT_EQ(note->MemoText(), QStringLiteral("typed\r\n"));
        EXPECT_EQ(editor->textCursor().position(), 5) << c.Key;
        delete note;
    }
}

TEST_F(NoteWindow, WindowShortcutsWinOverTheEditorsOwnKeys)
{
    // Ctrl+A selects all in an editor under every key scheme; Ctrl+E does so only in some.
    TfrmDaviv* note = ShownNote("typed");
    TRichEdit* editor = note->RichEdMemo();
    auto* selectAll = new QAction(note);
    selectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    note->addAction(selectAll);
    QSignalSpy triggered(selectAll, &QAction::triggered);
    note->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(note));
    editor->setFocus();
    ASSERT_EVENTUALLY(editor->hasFocus());

    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(triggered.count(), 1);
    EXPECT_FALSE(editor->textCursor().hasSelection());
}

TEST_F(NoteWindow, LeftPressOnALinkOpensExactlyItsText)
{
    const QString text = QStringLiteral("see http://example.com/a now\r\nwww.example.jp");
    TfrmDaviv* note = ShownNote(text);
    TRichEdit* editor = note->RichEdMemo();
    const int right = editor->viewport()->width() - 3;
    const struct {
        Qt::MouseButton Button;
        QPoint At;
        QStringList Opened;
    } cases[] = {
        {Qt::LeftButton, PointOnCharacter(editor, 4), {"http://example.com/a"}},
        {Qt::LeftButton, PointOnCharacter(editor, 23), {"http://example.com/a"}},
        {Qt::RightButton, PointOnCharacter(editor, 10), {}},
        {Qt::LeftButton, PointOnCharacter(editor, 1), {}},
        {Qt::LeftButton, PointOnCharacter(editor, 24), {}},
        {Qt::LeftButton, PointOnCharacter(editor, 30), {"www.example.jp"}},
        {Qt::LeftButton, PointOnCharacter(editor, 42), {"www.example.jp"}},
        {Qt::LeftButton, QPoint(right, PointOnCharacter(editor, 42).y()), {}},
    };
    for (const auto& c : cases) {
        Desktop.OpenedLinks.clear();
        QTest::mouseMove(editor->viewport(), c.At);
        QTest::mousePress(editor->viewport(), c.Button, {}, c.At);
        QTest::mouseRelease(editor->viewport(), c.Button, {}, c.At);
        EXPECT_EQ(Desktop.OpenedLinks, c.Opened) << c.At.x() << "," << c.At.y();
        // The press went on as an ordinary click: the caret sits where it was pressed.
        if (c.Button == Qt::LeftButton) {
            EXPECT_FALSE(editor->textCursor().hasSelection());
        }
    }
    EXPECT_EQ(note->MemoText(), QString(text + "\r\n"));
}

TEST_F(NoteWindow, ContextMenuOpensOnEditorAndDateStrip)
{
    TfrmDaviv* note = ShownNote();
    QMenu* menu = note->PopupMenu1();
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 2);
    ASSERT_NE(items[0]->menu(), nullptr);
    EXPECT_EQ(items[0]->menu()->objectName(), QStringLiteral("H1"));
    EXPECT_EQ(items[0]->text(), QStringLiteral("表示"));
    const QList<QAction*> shown = items[0]->menu()->actions();
    const struct {
        QAction* Item;
        const char* Name;
        QString Caption;
        QKeySequence Shortcut;
    } commands[] = {
        {shown.value(0), "N1", "非表示(&N)", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {shown.value(1), "H2", "半透明(&H)", QKeySequence(Qt::CTRL | Qt::Key_H)},
        {items[1], "E1", "タスク終了(&E)", QKeySequence(Qt::CTRL | Qt::Key_E)},
    };
    for (const auto& c : commands) {
        ASSERT_NE(c.Item, nullptr) << c.Name;
        EXPECT_EQ(c.Item->objectName(), QLatin1String(c.Name));
        EXPECT_EQ(c.Item->text(), c.Caption) << c.Name;
        EXPECT_EQ(c.Item->shortcut(), c.Shortcut) << c.Name;
    }

    for (QWidget* target : {note->RichEdMemo()->viewport(), static_cast<QWidget*>(note->Label1())}) {
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(3, 3), target->mapToGlobal(QPoint(3, 3)));
        QCoreApplication::sendEvent(target, &click);
        EXPECT_EVENTUALLY(menu->isVisible()) << target->objectName().toStdString();
        menu->hide();
        ASSERT_EVENTUALLY(!menu->isVisible());
    }
}

TEST_F(NoteWindow, DateStripMovesTheWindowAndTheEditorNever)
{
    TfrmDaviv* note = ShownNote("select me");
    QLabel* strip = note->Label1();
    ASSERT_GT(strip->height(), Bounds.height() / 2);
    EXPECT_EQ(strip->text(), QStringLiteral("2011/08/26"));
    note->SetToday();
    EXPECT_EQ(strip->text(), QStringLiteral("2026/12/08"));
    note->SetNoteDate(NoteDay);

    QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(2, 5));
    QTest::mouseMove(strip, QPoint(22, 15));
    QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(22, 15));
    EXPECT_EVENTUALLY(note->pos() == Bounds.topLeft() + QPoint(20, 10));
    EXPECT_EVENTUALLY(Row() == SavedRow("select me\r\n", Bounds.translated(20, 10), "-1"));

    QWidget* viewport = note->RichEdMemo()->viewport();
    const QPoint start = PointOnCharacter(note->RichEdMemo(), 0);
    QTest::mousePress(viewport, Qt::LeftButton, {}, start);
    QTest::mouseMove(viewport, start + QPoint(40, 0));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, start + QPoint(40, 0));
    QCoreApplication::processEvents();
    EXPECT_EQ(note->pos(), Bounds.topLeft() + QPoint(20, 10));
    EXPECT_TRUE(note->RichEdMemo()->textCursor().hasSelection());
}

TEST_F(NoteWindow, FrameEdgesResizeTheWindow)
{
    const struct {
        const char* Edge;
        QPoint At; // relative to the window's size: negative counts from the far side
        QPoint Drag;
        QRect Expected;
    } cases[] = {
        {"right", {-2, 35}, {30, 0}, {100, 120, 301, 71}},         {"bottom", {135, -2}, {0, 20}, {100, 120, 271, 91}},
        {"bottom right", {-2, -2}, {10, 10}, {100, 120, 281, 81}}, {"left", {1, 35}, {-20, 0}, {80, 120, 291, 71}},
        {"top", {135, 1}, {0, -10}, {100, 110, 271, 81}},          {"top left", {1, 1}, {10, 5}, {110, 125, 261, 66}},
    };
    for (const auto& c : cases) {
        Exec("update m_daviv set xpos = NULL, width = NULL where rowid = " + QByteArray::number(Id));
        TfrmDaviv* note = ShownNote();
        const QPoint at(c.At.x() < 0 ? note->width() + c.At.x() : c.At.x(),
                        c.At.y() < 0 ? note->height() + c.At.y() : c.At.y());
        ASSERT_EQ(note->childAt(at), nullptr) << c.Edge;
        QTest::mousePress(note, Qt::LeftButton, {}, at);
        QTest::mouseMove(note, at + c.Drag);
        QTest::mouseRelease(note, Qt::LeftButton, {}, at + c.Drag);
        EXPECT_EVENTUALLY(note->frameGeometry() == c.Expected) << c.Edge;
        // Every resize is saved when it ends.
        EXPECT_EQ(Row().value(2), QString::number(c.Expected.x())) << c.Edge;
        EXPECT_EQ(Row().value(4), QString::number(c.Expected.width())) << c.Edge;
        delete note;
    }
}

TEST_F(NoteWindow, OwnerDestroysTheNoteButDoesNotHideIt)
{
    auto* owner = new QWidget;
    auto* note = new TfrmDaviv(Desktop, Store, owner);
    QPointer<TfrmDaviv> alive(note);
    EXPECT_TRUE(note->isWindow());
    owner->show();
    note->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(note));
    owner->hide();
    QCoreApplication::processEvents();
    EXPECT_TRUE(note->isVisible());
    delete owner;
    EXPECT_TRUE(alive.isNull());
}

TEST_F(NoteWindow, CarriesOnlyTheSmallSizesOfTheIconItInherits)
{
    QIcon icon;
    for (int size : {16, 32, 64, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::yellow);
        icon.addPixmap(pixmap);
    }
    QWidget owner;
    owner.setWindowIcon(icon);
    TfrmDaviv note(Desktop, Store, &owner);
    EXPECT_EQ(note.windowIcon().availableSizes(), (QList<QSize>{QSize(16, 16), QSize(32, 32)}));
    EXPECT_EQ(owner.windowIcon().availableSizes().size(), 4);

    TfrmDaviv withoutIcon(Desktop, Store, nullptr);
    EXPECT_TRUE(withoutIcon.windowIcon().availableSizes().isEmpty());
}

TEST_F(NoteWindow, MenuSizesTheTextKeepsItOnTopAndRecoloursIt)
{
    TfrmDaviv* note = ShownNote("zoom me");
    note->AddMoreCommands();
    const double base = note->RichEdMemo()->font().pointSizeF();
    QWheelEvent wheel(QPointF(5, 5), QPointF(), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::ControlModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(note->RichEdMemo()->viewport(), &wheel);
    EXPECT_EQ(note->Look().Zoom, 125);
    EXPECT_DOUBLE_EQ(note->RichEdMemo()->font().pointSizeF(), base * 1.25);
    EXPECT_EQ(note->Label1()->font().pointSizeF(), base);
    note->ZoomBy(-10);
    EXPECT_EQ(note->Look().Zoom, 50);
    note->SetOnTop(true);
    EXPECT_TRUE(note->isVisible());
    EXPECT_TRUE(note->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(Store.NoteLooks().at(Id), (TNoteLook{50, true}));

    const auto colors = note->PopupMenu1()->findChild<QMenu*>(QStringLiteral("ColorMenu"));
    ASSERT_NE(colors, nullptr);
    colors->actions().at(1)->trigger();
    EXPECT_EQ(Row().value(8), QStringLiteral("16771434"));
    EXPECT_EQ(note->RichEdMemo()->palette().color(QPalette::Base), ColorFromValue(16771434));
}

TEST_F(NoteWindow, ANoteKeptWithinReachKeepsItsPlaceUntilTheUserMovesIt)
{
    Desktop.Areas = {QRect(0, 0, 300, 150)};
    TfrmDaviv* note = ShownNote("kept");
    EXPECT_TRUE(note->KeepReachable());
    EXPECT_EQ(note->geometry(), QRect(29, 79, 271, 71));
    // Neither the program's move into reach nor another move of the window system's is the user's.
    note->move(40, 60);
    QCoreApplication::processEvents();
    PointerLeaves(note->RichEdMemo());
    EXPECT_EQ(Row(), SavedRow("kept\r\n", Bounds, "-1"));

    QTest::mousePress(note->Label1(), Qt::LeftButton, {}, QPoint(2, 5));
    QTest::mouseMove(note->Label1(), QPoint(7, 10));
    QTest::mouseRelease(note->Label1(), Qt::LeftButton, {}, QPoint(7, 10));
    EXPECT_EVENTUALLY(Row() == SavedRow("kept\r\n", QRect(45, 65, 271, 71), "-1"));
    EXPECT_FALSE(note->KeepReachable());
}
