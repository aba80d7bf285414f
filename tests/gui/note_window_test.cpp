#include "core/CodePage932.h"
#include "core/NoteGeometry.h"
#include "core/NoteText.h"
#include "gui/ColorValue.h"
#include "gui/IdlePixels.h"
#include "gui/NoteEditor.h"
#include "gui/NoteList.h"
#include "gui/NoteWindow.h"
#include "gui/TaskEndFade.h"
#include "platform/Platform.h"

#include "HostileText.h"
#include "TestSupport.h"

#include <QAction>
#include <QBackingStore>
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
#include <QTimer>
#include <QWheelEvent>
#include <qpa/qplatformbackingstore.h>
#include <qpa/qwindowsysteminterface.h>

#include <limits>

namespace {

constexpr quint32 yellow = 0x80FFFF;
const QDate noteDay(2011, 8, 26);
const QRect bounds(100, 120, 271, 71);
const char* const RowColumns[] = {"f_day",  "note", "xpos",    "ypos",  "width",
                                  "height", "term", "visible", "color", "alpha"};

// Every column of a note row, decoded, in the order of RowColumns.
QStringList rowOf(SqliteRows& table)
{
    QStringList row;
    for (const char* column : RowColumns)
        row << decodeStoreText(table.valueText(column));
    return row;
}

QStringList savedRow(const QString& text, const QRect& bounds, const QString& term, int alpha = 200)
{
    return {formatStoreDate(noteDay),
            text,
            QString::number(bounds.x()),
            QString::number(bounds.y()),
            QString::number(bounds.width()),
            QString::number(bounds.height()),
            term,
            QStringLiteral("-1"),
            QString::number(yellow),
            QString::number(alpha)};
}

QStringList prefixed(const QString& prefix, QStringList lines)
{
    for (QString& line : lines)
        line.prepend(prefix);
    return lines;
}

void rightClick(QWidget* target)
{
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(3, 3), target->mapToGlobal(QPoint(3, 3)));
    QCoreApplication::sendEvent(target, &click);
}

// A menu as the user reads it: each item's caption and keys after the captions of the submenus
// it lies in, "-" for a separator.
QStringList captionsOf(const QMenu* menu)
{
    QStringList lines;
    for (const QAction* item : menu->actions()) {
        if (item->isSeparator())
            lines << QStringLiteral("-");
        else if (item->menu())
            lines << prefixed(item->text() + QStringLiteral(" > "), captionsOf(item->menu()));
        else
            lines << (item->text() + QLatin1Char(' ') + item->shortcut().toString()).trimmed();
    }
    return lines;
}

void pointerLeaves(QWidget* editor)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(editor, &leave);
}

// A point inside the character at a document position, in viewport coordinates.
QPoint pointOnCharacter(NoteEditor* editor, int position)
{
    QTextCursor cursor(editor->document());
    cursor.setPosition(position);
    const QRect before = editor->cursorRect(cursor);
    cursor.setPosition(position + 1);
    const QRect after = editor->cursorRect(cursor);
    return QPoint((before.x() + after.x()) / 2, before.center().y());
}

// What a click there does to a note whose text shows without its editor yet.
void clickText(NoteWindow* note, const QPoint& at)
{
    QWidget* view = note->findChild<QWidget*>(QStringLiteral("textView"));
    ASSERT_NE(view, nullptr);
    QTest::mouseMove(view, at);
    QTest::mousePress(view, Qt::LeftButton, {}, at);
    QTest::mouseRelease(note->editor()->viewport(), Qt::LeftButton, {}, at);
}

// A note window as the restore builds it, on a row just added to a fresh store.
class NoteWindowTest : public WindowFixture {
protected:
    NoteWindowTest()
    {
        prepare();
        id = store.addNote(desktop.today())->id;
        unsavedRow = row();
    }

    NoteWindow* newNote(const QString& text = QString(), qint32 rowId = -1)
    {
        auto* note = new NoteWindow(desktop, store, report, &owner);
        note->take(noteOf(text, rowId), std::nullopt, {});
        return note;
    }

    // A note bound to the test's row (or to the given id), its bytes unknown.
    Note noteOf(const QString& text, qint32 rowId = -1) const
    {
        Note note;
        note.id = rowId < 0 ? id : rowId;
        note.date = noteDay;
        note.text = text;
        note.bounds = bounds;
        note.color = yellow;
        note.alpha = NoteWindow::DefaultAlpha;
        return note;
    }

    NoteWindow* shownNote(const QString& text = QString(), qint32 rowId = -1)
    {
        NoteWindow* note = newNote(text, rowId);
        note->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(note));
        return note;
    }

    QList<QStringList> allRows()
    {
        QList<QStringList> rows;
        auto table = query("select * from m_daviv");
        for (table->goFirst(); !table->atEnd(); table->goNext())
            rows << rowOf(*table);
        return rows;
    }

    QStringList row()
    {
        auto table = query(Statements::noteById(id));
        return table->rowCount() == 1 ? rowOf(*table) : QStringList();
    }

    QWidget owner;
    qint32 id = 0;
    QStringList unsavedRow;
};

} // namespace

TEST_F(NoteWindowTest, ShowingWritesNothingAndMovingSavesTheWholeRecord)
{
    NoteWindow* note = shownNote("a\r\nb");
    QCoreApplication::processEvents();
    EXPECT_TRUE(note->isOpen());
    EXPECT_EQ(row(), unsavedRow);

    note->move(150, 160);
    EXPECT_EVENTUALLY(row() == savedRow("a\r\nb\r\n", bounds.translated(50, 40), "-1"));
}

TEST_F(NoteWindowTest, PointerLeavingTheEditorSavesItsText)
{
    const struct {
        QString set;
        QString Stored;
    } cases[] = {
        {"", ""},
        {"a\r\nb", "a\r\nb\r\n"},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"it's Tom's 'note'", "it's Tom's 'note'\r\n"},
        {"絵文字😀\nふたつ目の行\r\n", "絵文字😀\r\nふたつ目の行\r\n"},
    };
    NoteWindow* note = shownNote();
    for (const auto& c : cases) {
        note->setText(c.set);
        pointerLeaves(note->editor());
        EXPECT_EQ(row(), savedRow(c.Stored, bounds, "-1")) << c.set.toStdString();
    }
}

TEST_F(NoteWindowTest, TypedAndPastedTextIsStoredAsPlainLines)
{
    NoteWindow* note = shownNote();
    NoteEditor* editor = note->editor();
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
    pointerLeaves(editor);
    EXPECT_EQ(row().value(1), QStringLiteral("it's\r\n\r\nbold xbold x\r\n"));
}

// Stores written for years hold code page 932 bytes that do not all survive a decoding and an
// encoding: a note nobody edits keeps them exactly; an edited one is written by the rules.
TEST_F(NoteWindowTest, UneditedTextKeepsItsStoredBytes)
{
    const struct {
        QByteArray Stored;
        QString read;
        QByteArray edited; // after a "!" typed at its start
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
    useSystemCodePage932();
    const auto restore = qScopeGuard([] { useCodePage932(nullptr); });
    const QByteArray row = " xpos = 100, ypos = 120, width = 271, height = 71, term = -1, visible = -1, color = " +
                           QByteArray::number(yellow) + ", alpha = 200 where rowid = " + QByteArray::number(id);
    const auto stored = [&] {
        auto table = query("select typeof(note) as kind, note from m_daviv where rowid = " + QByteArray::number(id));
        return std::pair(table->valueText("kind"), table->valueText("note"));
    };
    for (const auto& c : cases) {
        exec("update m_daviv set note = cast(x'" + c.Stored.toHex() + "' as text)," + row);
        EXPECT_EQ(decodeStoreText(c.Stored), c.read) << c.Stored.toHex().constData();
        auto* note = new NoteWindow(desktop, store, report, &owner);
        const StoredNote read = store.note(id).value().value();
        note->take(read.note, read.image, {});
        note->saveNote();
        EXPECT_EQ(stored(), std::pair(QByteArray("text"), c.Stored)) << c.Stored.toHex().constData();
        note->editor()->moveCursor(QTextCursor::Start);
        note->editor()->insertPlainText(QStringLiteral("!"));
        note->saveNote();
        EXPECT_EQ(stored(), std::pair(QByteArray("text"), c.edited)) << c.Stored.toHex().constData();
        delete note;
    }
}

TEST_F(NoteWindowTest, RealPointerLeavingTheEditorSaves)
{
    NoteWindow* note = shownNote("moved over");
    NoteEditor* editor = note->editor();
    QCursor::setPos(editor->mapToGlobal(editor->rect().center()));
    ASSERT_EVENTUALLY(editor->underMouse());
    EXPECT_EQ(row(), unsavedRow);
    QCursor::setPos(note->frameGeometry().bottomRight() + QPoint(100, 100));
    EXPECT_EVENTUALLY(row() == savedRow("moved over\r\n", bounds, "-1"));
}

TEST_F(NoteWindowTest, HalfTransparentNoteStoresDefaultAlpha)
{
    NoteWindow* note = shownNote();
    note->makeHalfTransparent();
    EXPECT_DOUBLE_EQ(note->windowOpacity(), 125 / 255.0);
    note->saveNote();
    EXPECT_EQ(row().value(9), QStringLiteral("200"));
    EXPECT_DOUBLE_EQ(note->windowOpacity(), 125 / 255.0);
}

TEST_F(NoteWindowTest, HiddenNoteStaysActive)
{
    NoteWindow* note = shownNote("hidden");
    note->hideNote();
    EXPECT_FALSE(note->isVisible());
    EXPECT_TRUE(note->isOpen());
    EXPECT_EQ(row(), unsavedRow);
    pointerLeaves(note->editor());
    EXPECT_EQ(row(), savedRow("hidden\r\n", bounds, "-1"));
}

TEST_F(NoteWindowTest, TaskEndFadesHidesAndWritesTheEndedRecord)
{
    for (int start : {NoteWindow::DefaultAlpha, NoteWindow::HalfAlpha}) {
        NoteWindow* note = shownNote("done");
        if (start == NoteWindow::HalfAlpha)
            note->makeHalfTransparent();
        // The fade goes on only when stepped here.
        auto* fade = note->findChild<TaskEndFade*>();
        ASSERT_NE(fade, nullptr);
        fade->timer()->setInterval(std::numeric_limits<int>::max());
        QSignalSpy ended(note, &NoteWindow::taskEnded);
        note->endTask();
        EXPECT_TRUE(note->isEnding());
        EXPECT_DOUBLE_EQ(note->windowOpacity(), start / 255.0);
        // The save of a move or of the pointer leaving during the fade writes the note as ended.
        note->move(bounds.x() + 10, bounds.y());
        EXPECT_EVENTUALLY(row().value(6) == QStringLiteral("0"));
        EXPECT_EQ(row().value(0), formatStoreDate(noteDay));
        // The ended record writes the text but leaves the date as it was stored.
        note->setNoteDate(noteDay.addDays(1));
        note->setText(QStringLiteral("done, really"));

        // The note grows fainter at every step until nothing of it shows, and then hides.
        qreal shown = note->windowOpacity();
        for (int step = 0; step < 100 && ended.isEmpty() && shown > 0; ++step) {
            ASSERT_TRUE(note->isVisible());
            fade->step();
            EXPECT_LT(note->windowOpacity(), shown) << start;
            shown = note->windowOpacity();
        }
        EXPECT_EQ(shown, 0.0) << start;
        for (int step = 0; step < 100 && ended.isEmpty(); ++step)
            fade->step();
        ASSERT_EQ(ended.count(), 1);
        EXPECT_FALSE(note->isVisible());
        EXPECT_FALSE(note->isOpen());
        EXPECT_FALSE(note->isEnding());
        EXPECT_EQ(row(), savedRow("done, really\r\n", bounds.translated(10, 0), "0")) << start;
        note->setNoteDate(noteDay);

        // Later saves, the exit save among them, keep the note ended until a show makes it
        // active again, invisible at the fade's end value.
        note->saveNote();
        EXPECT_EQ(row().value(6), QStringLiteral("0"));
        note->show();
        EXPECT_TRUE(note->isOpen());
        note->saveNote();
        EXPECT_EQ(row().value(6), QStringLiteral("-1"));
        delete note;
    }
}

// A note still fading when the program ends is ended by the shutdown; the registry going away
// only destroys it.
TEST_F(NoteWindowTest, AFadingNoteIsEndedByTheShutdownNotByTheRegistryGoingAway)
{
    const auto startFading = [this](NoteRegistry& notes) {
        NoteWindow* note = notes.open(NoteOpening{.note = noteOf(QStringLiteral("gone")), .row = {}, .look = {}});
        ASSERT_TRUE(QTest::qWaitForWindowExposed(note));
        note->endTask();
    };
    {
        NoteRegistry notes(desktop, store, report, &owner);
        startFading(notes);
    }
    EXPECT_EQ(row(), unsavedRow);

    NoteRegistry notes(desktop, store, report, &owner);
    startFading(notes);
    notes.endFading();
    QStringList expected = savedRow("gone\r\n", bounds, "0");
    expected[0] = unsavedRow.value(0);
    EXPECT_EQ(row(), expected);
}

TEST_F(NoteWindowTest, SaveWithoutNoteIdTouchesNoRow)
{
    exec("insert into m_daviv (rowid, f_day) values (5, 'other')");
    const QList<QStringList> before = allRows();
    NoteWindow* note = shownNote("no id", 0);
    note->saveNote();
    note->move(300, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(allRows(), before);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(NoteWindowTest, FailedSaveMarksTheNoteUntilASaveGoesThrough)
{
    NoteWindow* note = shownNote("kept");
    const QString missing = dir.filePath(QStringLiteral("missing/folder"));
    store = NoteStore(missing);
    const std::function<void()> saves[] = {
        [&] { pointerLeaves(note->editor()); },
        [&] { note->move(note->x() + 5, note->y()); },
    };
    EXPECT_EQ(note->findChild<QLabel*>(QStringLiteral("unsavedMark")), nullptr);
    for (const auto& save : saves) {
        save();
        EXPECT_EQ(note->saveState(), SaveState::Failed);
        EXPECT_TRUE(note->saveError().contains(QDir::toNativeSeparators(missing))) << qPrintable(note->saveError());
        const auto* mark = note->findChild<QLabel*>(QStringLiteral("unsavedMark"));
        ASSERT_TRUE(mark && mark->isVisible());
        EXPECT_TRUE(reports.isEmpty());
    }
    store = NoteStore(dir.path());
    EXPECT_EQ(row(), unsavedRow);
    note->saveNote();
    EXPECT_EQ(note->saveState(), SaveState::Stored);
    EXPECT_FALSE(note->findChild<QLabel*>(QStringLiteral("unsavedMark"))->isVisible());
    EXPECT_EQ(row(), savedRow("kept\r\n", bounds.translated(5, 0), "-1"));
}

TEST_F(NoteWindowTest, TypingIsSavedOnceAfterTheUserPauses)
{
    // A shown note whose links are being marked has not changed: nothing is written.
    NoteWindow* note = shownNote("see https://example.org");
    QSignalSpy saved(note, &NoteWindow::saved);
    // The delayed save is the only save that comes by itself: no timer running, no save to come.
    const auto* saveTimer = note->findChild<QTimer*>(QStringLiteral("saveTimer"));
    ASSERT_TRUE(saveTimer);
    EXPECT_FALSE(saveTimer->isActive());
    EXPECT_EQ(saved.count(), 0);
    EXPECT_EQ(note->saveState(), SaveState::Stored);

    note->activateWindow();
    ASSERT_EVENTUALLY(note->isActiveWindow());
    note->editor()->setFocus();
    note->editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(note->editor(), QStringLiteral(" typed fast"), Qt::NoModifier, 20);
    EXPECT_EQ(saved.count(), 0);
    EXPECT_EQ(note->saveState(), SaveState::Pending);
    ASSERT_EVENTUALLY(saved.count() == 1);
    EXPECT_EQ(row().value(1), QStringLiteral("see https://example.org typed fast\r\n"));
    EXPECT_FALSE(saveTimer->isActive());
    EXPECT_EQ(saved.count(), 1);

    // A resize is saved once it stops; leaving the window saves what is pending at once.
    note->resize(300, 90);
    note->editor()->insertPlainText(QStringLiteral("!"));
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_EVENTUALLY(saved.count() == 2);
    EXPECT_EQ(row(),
              savedRow("see https://example.org typed fast!\r\n", QRect(bounds.topLeft(), QSize(300, 90)), "-1"));
}

TEST_F(NoteWindowTest, ShortcutsActWithTheCaretInTheEditor)
{
    const struct {
        Qt::Key key;
        bool visible;
        int alpha;
        bool ending;
    } cases[] = {
        {Qt::Key_H, true, NoteWindow::HalfAlpha, false},
        {Qt::Key_N, false, NoteWindow::DefaultAlpha, false},
        {Qt::Key_E, true, NoteWindow::DefaultAlpha, true},
    };
    for (const auto& c : cases) {
        NoteWindow* note = shownNote("typed");
        NoteEditor* editor = note->editor();
        note->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(note));
        editor->setFocus();
        ASSERT_EVENTUALLY(editor->hasFocus());
        EXPECT_TRUE(desktop.hiraganaRequests.contains(editor));
        editor->moveCursor(QTextCursor::End);

        QTest::keyClick(editor, c.key, Qt::ControlModifier);
        EXPECT_EQ(note->isVisible(), c.visible) << c.key;
        EXPECT_EQ(note->alpha(), c.alpha) << c.key;
        EXPECT_EQ(note->isEnding(), c.ending) << c.key;
        EXPECT_TRUE(note->isOpen());
        EXPECT_EQ(note->text(), QStringLiteral("typed\r\n"));
        EXPECT_EQ(editor->textCursor().position(), 5) << c.key;
        delete note;
    }
}

TEST_F(NoteWindowTest, WindowShortcutsWinOverTheEditorsOwnKeys)
{
    // Ctrl+A selects all in an editor under every key scheme; Ctrl+E does so only in some.
    NoteWindow* note = shownNote("typed");
    NoteEditor* editor = note->editor();
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

TEST_F(NoteWindowTest, LeftPressOnALinkOpensExactlyItsText)
{
    const QString text = QStringLiteral("see http://example.com/a now\r\nwww.example.jp");
    NoteWindow* note = shownNote(text);
    NoteEditor* editor = note->editor();
    const int right = editor->viewport()->width() - 3;
    const struct {
        Qt::MouseButton button;
        QPoint at;
        QStringList opened;
    } cases[] = {
        {Qt::LeftButton, pointOnCharacter(editor, 4), {"http://example.com/a"}},
        {Qt::LeftButton, pointOnCharacter(editor, 23), {"http://example.com/a"}},
        {Qt::RightButton, pointOnCharacter(editor, 10), {}},
        {Qt::LeftButton, pointOnCharacter(editor, 1), {}},
        {Qt::LeftButton, pointOnCharacter(editor, 24), {}},
        {Qt::LeftButton, pointOnCharacter(editor, 30), {"www.example.jp"}},
        {Qt::LeftButton, pointOnCharacter(editor, 42), {"www.example.jp"}},
        {Qt::LeftButton, QPoint(right, pointOnCharacter(editor, 42).y()), {}},
    };
    for (const auto& c : cases) {
        desktop.openedLinks.clear();
        QTest::mouseMove(editor->viewport(), c.at);
        QTest::mousePress(editor->viewport(), c.button, {}, c.at);
        QTest::mouseRelease(editor->viewport(), c.button, {}, c.at);
        EXPECT_EQ(desktop.openedLinks, c.opened) << c.at.x() << "," << c.at.y();
        // The press went on as an ordinary click: the caret sits where it was pressed.
        if (c.button == Qt::LeftButton) {
            EXPECT_FALSE(editor->textCursor().hasSelection());
        }
    }
    EXPECT_EQ(note->text(), QString(text + "\r\n"));
}

TEST_F(NoteWindowTest, RightClickOnEditorOrDateStripOpensTheWholeMenu)
{
    NoteWindow* note = shownNote();
    QMenu* menu = note->menu();
    for (QWidget* target : {note->editor()->viewport(), static_cast<QWidget*>(note->dateLabel())}) {
        rightClick(target);
        EXPECT_EVENTUALLY(menu->isVisible()) << target->objectName().toStdString();
        menu->hide();
        ASSERT_EVENTUALLY(!menu->isVisible());
    }
    const QStringList zoom = {"拡大(&I) Ctrl++",
                              "縮小(&O) Ctrl+-",
                              "標準の大きさ(&0) Ctrl+0",
                              "-",
                              "50 %",
                              "67 %",
                              "75 %",
                              "90 %",
                              "100 %",
                              "110 %",
                              "125 %",
                              "150 %",
                              "175 %",
                              "200 %",
                              "250 %",
                              "300 %",
                              "400 %"};
    const QStringList colors = {"ピンク", "水色", "緑", "黄色", "グレー"};
    EXPECT_EQ(captionsOf(menu),
              (QStringList{"表示 > 非表示(&N) Ctrl+N", "表示 > 半透明(&H) Ctrl+H", "タスク終了(&E) Ctrl+E", "-"} +
               prefixed("文字の大きさ > ", zoom) + QStringList{"常に手前に表示(&T)"} + prefixed("色 > ", colors) +
               QStringList{"-", "切り取り Ctrl+X", "コピー Ctrl+C", "貼り付け Ctrl+V", "すべて選択 Ctrl+A"}));
}

// One menu for all notes: it acts on the note it was opened on, and on no note once that one is gone.
TEST_F(NoteWindowTest, OneMenuServesEveryNoteAndActsOnTheNoteItOpenedOn)
{
    NoteWindow* first = shownNote("first");
    NoteWindow* second = shownNote("second", store.addNote(desktop.today())->id);
    rightClick(first->dateLabel());
    first->menu()->hide();
    rightClick(second->dateLabel());
    QMenu* menu = second->menu();
    EXPECT_EQ(menu, first->menu());
    menu->hide();
    const auto ends = [&] {
        QList<QAction*> found;
        for (QAction* action : menu->actions())
            if (action->objectName() == QStringLiteral("endTaskAction"))
                found << action;
        return found;
    };
    EXPECT_EQ(ends(), QList<QAction*>{second->findChild<QAction*>(QStringLiteral("endTaskAction"))});
    const auto recolour = [&] { menu->findChild<QMenu*>(QStringLiteral("colorMenu"))->actions().at(1)->trigger(); };
    recolour();
    EXPECT_EQ(second->color(), 16771434u);
    EXPECT_EQ(first->color(), yellow);
    delete second;
    recolour();
    EXPECT_EQ(first->color(), yellow);
    EXPECT_TRUE(ends().isEmpty());
}

TEST_F(NoteWindowTest, DateStripMovesTheWindowAndTheEditorNever)
{
    NoteWindow* note = shownNote("select me");
    QLabel* strip = note->dateLabel();
    ASSERT_GT(strip->height(), bounds.height() / 2);
    EXPECT_EQ(strip->text(), QStringLiteral("2011/08/26"));

    QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(2, 5));
    QTest::mouseMove(strip, QPoint(22, 15));
    QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(22, 15));
    EXPECT_EVENTUALLY(note->pos() == bounds.topLeft() + QPoint(20, 10));
    EXPECT_EVENTUALLY(row() == savedRow("select me\r\n", bounds.translated(20, 10), "-1"));

    QWidget* viewport = note->editor()->viewport();
    const QPoint start = pointOnCharacter(note->editor(), 0);
    QTest::mousePress(viewport, Qt::LeftButton, {}, start);
    QTest::mouseMove(viewport, start + QPoint(40, 0));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, start + QPoint(40, 0));
    QCoreApplication::processEvents();
    EXPECT_EQ(note->pos(), bounds.topLeft() + QPoint(20, 10));
    EXPECT_TRUE(note->editor()->textCursor().hasSelection());
}

TEST_F(NoteWindowTest, FrameEdgesResizeTheWindow)
{
    const struct {
        const char* edge;
        QPoint at; // relative to the window's size: negative counts from the far side
        QPoint drag;
        QRect expected;
    } cases[] = {
        {"right", {-2, 35}, {30, 0}, {100, 120, 301, 71}},         {"bottom", {135, -2}, {0, 20}, {100, 120, 271, 91}},
        {"bottom right", {-2, -2}, {10, 10}, {100, 120, 281, 81}}, {"left", {1, 35}, {-20, 0}, {80, 120, 291, 71}},
        {"top", {135, 1}, {0, -10}, {100, 110, 271, 81}},          {"top left", {1, 1}, {10, 5}, {110, 125, 261, 66}},
    };
    for (const auto& c : cases) {
        exec("update m_daviv set xpos = NULL, width = NULL where rowid = " + QByteArray::number(id));
        NoteWindow* note = shownNote();
        const QPoint at(c.at.x() < 0 ? note->width() + c.at.x() : c.at.x(),
                        c.at.y() < 0 ? note->height() + c.at.y() : c.at.y());
        ASSERT_EQ(note->childAt(at), nullptr) << c.edge;
        QTest::mousePress(note, Qt::LeftButton, {}, at);
        QTest::mouseMove(note, at + c.drag);
        QTest::mouseRelease(note, Qt::LeftButton, {}, at + c.drag);
        EXPECT_EVENTUALLY(note->frameGeometry() == c.expected) << c.edge;
        // Every resize is saved when it ends.
        EXPECT_EQ(row().value(2), QString::number(c.expected.x())) << c.edge;
        EXPECT_EQ(row().value(4), QString::number(c.expected.width())) << c.edge;
        delete note;
    }
}

TEST_F(NoteWindowTest, OwnerDestroysTheNoteButDoesNotHideIt)
{
    auto* owner = new QWidget;
    auto* note = new NoteWindow(desktop, store, report, owner);
    QPointer<NoteWindow> alive(note);
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

TEST_F(NoteWindowTest, CarriesOnlyTheSmallSizesOfTheIconItInherits)
{
    QIcon icon;
    for (int size : {16, 32, 64, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::yellow);
        icon.addPixmap(pixmap);
    }
    QWidget owner;
    owner.setWindowIcon(icon);
    NoteWindow note(desktop, store, report, &owner);
    EXPECT_EQ(note.windowIcon().availableSizes(), (QList<QSize>{QSize(16, 16), QSize(32, 32)}));
    EXPECT_EQ(owner.windowIcon().availableSizes().size(), 4);
    // Made once for every note of that owner.
    NoteWindow second(desktop, store, report, &owner);
    EXPECT_EQ(second.windowIcon().cacheKey(), note.windowIcon().cacheKey());

    NoteWindow withoutIcon(desktop, store, report, nullptr);
    EXPECT_TRUE(withoutIcon.windowIcon().availableSizes().isEmpty());
}

TEST_F(NoteWindowTest, MenuSizesTheTextKeepsItOnTopAndRecoloursIt)
{
    NoteWindow* note = shownNote("zoom me");
    rightClick(note->editor()->viewport());
    ASSERT_EVENTUALLY(note->menu()->isVisible());
    note->menu()->hide();
    const double base = note->editor()->font().pointSizeF();
    QWheelEvent wheel(QPointF(5, 5), QPointF(), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::ControlModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(note->editor()->viewport(), &wheel);
    EXPECT_EQ(note->look().zoom, 125);
    EXPECT_DOUBLE_EQ(note->editor()->font().pointSizeF(), base * 1.25);
    EXPECT_EQ(note->dateLabel()->font().pointSizeF(), base);
    note->zoomBy(-10);
    EXPECT_EQ(note->look().zoom, 50);
    note->setOnTop(true);
    EXPECT_TRUE(note->isVisible());
    EXPECT_TRUE(note->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(store.noteLooks()->at(id), (NoteLook{50, true}));

    const auto colors = note->menu()->findChild<QMenu*>(QStringLiteral("colorMenu"));
    ASSERT_NE(colors, nullptr);
    colors->actions().at(1)->trigger();
    EXPECT_EQ(row().value(8), QStringLiteral("16771434"));
    EXPECT_EQ(note->editor()->palette().color(QPalette::Base), colorFromValue(16771434));
}

TEST_F(NoteWindowTest, ANoteKeptWithinReachKeepsItsPlaceUntilTheUserMovesIt)
{
    desktop.areas = {QRect(0, 0, 300, 150)};
    NoteWindow* note = shownNote("kept");
    EXPECT_TRUE(note->keepReachable());
    EXPECT_EQ(note->geometry(), QRect(29, 79, 271, 71));
    // Neither the program's move into reach nor another move of the window system's is the user's.
    note->move(40, 60);
    QCoreApplication::processEvents();
    pointerLeaves(note->editor());
    EXPECT_EQ(row(), savedRow("kept\r\n", bounds, "-1"));

    QTest::mousePress(note->dateLabel(), Qt::LeftButton, {}, QPoint(2, 5));
    QTest::mouseMove(note->dateLabel(), QPoint(7, 10));
    QTest::mouseRelease(note->dateLabel(), Qt::LeftButton, {}, QPoint(7, 10));
    EXPECT_EVENTUALLY(row() == savedRow("kept\r\n", QRect(45, 65, 271, 71), "-1"));
    EXPECT_FALSE(note->keepReachable());
}

// A note that is only looked at shows its text without an editor, exactly as the editor shows it.
TEST_F(NoteWindowTest, ANoteLooksTheSameBeforeAndAfterItsEditorIsBuilt)
{
    const struct {
        QString text;
        int zoom;
    } cases[] = {
        {S("今日の買い物\r\n牛乳と卵、それから\tパン"), 100},
        {S("see http://example.com/a and mailto:me@example.jp\r\nwww.example.jp but not ftp://example.com"), 100},
        {S("拡大した付箋 https://example.org/x\r\n二行目"), 150},
        {S("長い付箋の文章が折り返して、窓からはみ出すまで続きます。").repeated(6) + S("\r\n") +
             S("averyveryveryverylongwordwithoutanyspacethatmustbreakanywhere"),
         90},
        {QStringList(std::begin(HostileLines), std::end(HostileLines)).join(S("\r\n")) + QChar(QChar::LineSeparator) +
             S("x") + QChar(QChar::ParagraphSeparator) + S("y\r\n\r\n"),
         100},
        {QString(), 100},
    };
    QWidget elsewhere;
    for (const auto& c : cases) {
        auto* note = new NoteWindow(desktop, store, report, &owner);
        note->take(noteOf(c.text), std::nullopt, NoteLook{c.zoom, false});
        note->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(note));
        // Another window active, the note shows no caret.
        elsewhere.show();
        elsewhere.activateWindow();
        ASSERT_EVENTUALLY(!note->isActiveWindow());
        ASSERT_FALSE(note->hasEditor());
        const QString text = note->text();
        const QImage before = note->grab().toImage();
        note->editor();
        EXPECT_EQ(note->grab().toImage(), before) << c.text.left(20).toStdString();
        EXPECT_EQ(note->text(), text);
        delete note;
    }
}

// An idle note gives up the copy of its pixels, and draws the same again when the window system
// asks for any part of it (uncovered on a desktop without a compositor).
TEST_F(NoteWindowTest, AnIdleNoteGivesUpItsPixelsAndDrawsTheSameWhenAskedAgain)
{
    NoteWindow* note = shownNote(S("kept\r\nhttps://example.com/"));
    auto* pixels = note->findChild<IdlePixels*>();
    ASSERT_TRUE(pixels);
    QBackingStore* store = note->backingStore();
    ASSERT_EVENTUALLY(store->size() == note->size());
    const QImage shown = store->handle()->toImage().copy();
    pixels->release();
    EXPECT_TRUE(store->size().isEmpty());
    QWindowSystemInterface::handleExposeEvent<QWindowSystemInterface::SynchronousDelivery>(note->windowHandle(),
                                                                                           QRegion(0, 0, 20, 20));
    EXPECT_EQ(store->size(), note->size());
    EXPECT_EQ(store->handle()->toImage(), shown);
}

// A click into such a note puts the caret where the editor would, opening a link under it, and
// the keys go to the editor then.
TEST_F(NoteWindowTest, AClickIntoANoteWithoutItsEditorLandsWhereTheEditorWouldPutIt)
{
    const QString text =
        S("see http://example.com/a now\r\n二行目は長いので折り返して次の行へ続いていきます。ここまで\r\n");
    NoteEditor* laidOut = shownNote(text)->editor();
    const QPoint lineEnd(laidOut->viewport()->width() - 3, pointOnCharacter(laidOut, 0).y());
    const struct {
        QPoint at;
        QStringList opened;
    } cases[] = {
        {pointOnCharacter(laidOut, 1), {}},
        {pointOnCharacter(laidOut, 5), {S("http://example.com/a")}},
        {pointOnCharacter(laidOut, 33), {}},
        {pointOnCharacter(laidOut, 55), {}},
        {lineEnd, {}},
        {QPoint(20, laidOut->viewport()->height() - 2), {}},
    };
    for (const auto& c : cases) {
        desktop.openedLinks.clear();
        NoteWindow* note = shownNote(text);
        ASSERT_FALSE(note->hasEditor());
        clickText(note, c.at);
        ASSERT_TRUE(note->hasEditor());
        EXPECT_EQ(note->editor()->textCursor().position(), laidOut->cursorForPosition(c.at).position())
            << c.at.x() << "," << c.at.y();
        EXPECT_FALSE(note->editor()->textCursor().hasSelection());
        EXPECT_EQ(desktop.openedLinks, c.opened);
        EXPECT_EQ(note->focusWidget(), note->editor());
        delete note;
    }
}

// The program restores its notes without their editors: each keeps its row's bytes through the
// saves of the exit, and the note list finds it by its text.
TEST_F(NoteWindowTest, ARestoredNoteWithoutItsEditorKeepsItsRowAndIsFound)
{
    useSystemCodePage932();
    const auto restore = qScopeGuard([] { useCodePage932(nullptr); });
    // NEC's code for a character that has a second one: a save of the text would write the other.
    const QByteArray bytes = "\x87\x90 meeting\r\n";
    const qint64 restored =
        addRow("'2011/08/26', cast(x'" + bytes.toHex() + "' as text), 100, 120, 271, 71, -1, -1, 65408, 200");
    const auto stored = [&] {
        return query("select note from m_daviv where rowid = " + QByteArray::number(restored))->valueText("note");
    };
    startAndRestore();
    NoteWindow* note = app->notes().find(qint32(restored));
    ASSERT_NE(note, nullptr);
    ASSERT_TRUE(note->isVisible());
    EXPECT_FALSE(note->hasEditor());
    note->saveNote();
    EXPECT_EQ(stored(), bytes);

    NoteList& list = app->noteList();
    list.show();
    list.findChild<QLineEdit*>(QStringLiteral("searchEdit"))->setText(S("meeting"));
    const QStringList found = rowTexts(list.findChild<QTreeWidget*>(QStringLiteral("notesView")));
    ASSERT_EQ(found.size(), 1);
    EXPECT_TRUE(found.front().contains(S("meeting")));
    list.hide();

    app->quit();
    EXPECT_EQ(stored(), bytes);
    EXPECT_FALSE(note->hasEditor());
}
