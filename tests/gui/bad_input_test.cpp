// What a user may type, paste or find in an old store, through the windows: each text comes
// back exactly and writes only its own row. The statements and the codec alone are tested in
// tests/core/store_statements_test.cpp.
#include "gui/NoteEditor.h"
#include "gui/NoteList.h"
#include "gui/ReportList.h"

#include "FaultFixture.h"
#include "HostileText.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

using TypedText = FaultFixture;
using StoredRows = FaultFixture;

} // namespace

// --- What is typed into a note comes back exactly ---

TEST_F(TypedText, EveryKindOfTextIsSavedAndRestoredExactly)
{
    QList<qint64> ids;
    for (const QString& line : HostileLines) {
        const qint64 id = addOpenNote(QString());
        NoteWindow* note = shownNote(id, QString());
        const QStringList others = snapshotExcept(id);
        note->setText(line + QStringLiteral("\r\nsecond line ") + line);
        pointerLeaves(note);
        EXPECT_EQ(storedText(id), line + QStringLiteral("\r\nsecond line ") + line + QStringLiteral("\r\n"))
            << qPrintable(line);
        EXPECT_EQ(snapshotExcept(id), others) << qPrintable(line);
        delete note;
        ids << id;
    }
    EXPECT_EQ(query("select name from sqlite_master")->rowCount(), 2u);
    EXPECT_TRUE(reports.isEmpty());

    startAndRestore();
    ASSERT_EQ(app->notes().notes().size(), int(std::size(HostileLines)));
    for (int i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(app->notes().notes()[i]->noteId(), ids[i]);
        EXPECT_EQ(app->notes().notes()[i]->text(),
                  HostileLines[i] + QStringLiteral("\r\nsecond line ") + HostileLines[i] + QStringLiteral("\r\n"));
    }
}

TEST_F(TypedText, PastedNulsAreDroppedAndTheRestKept)
{
    const qint64 id = addOpenNote(S("old"));
    NoteWindow* note = shownNote(id, S("old"));
    const QStringList others = snapshotExcept(id);
    const QString pasted = S("be") + QChar(0) + S("fore ") + QChar(0) + QChar(0) + S("表\\") + QChar(0);
    auto* mime = new QMimeData;
    mime->setText(pasted);
    QGuiApplication::clipboard()->setMimeData(mime);
    note->editor()->selectAll();
    note->editor()->paste();
    pointerLeaves(note);
    EXPECT_EQ(storedText(id), storable(note->text()));
    EXPECT_EQ(storedText(id), S("before 表\\\r\n"));

    // Saves after it go on as usual.
    note->setText(S("after") + QChar(0) + S(" the paste"));
    pointerLeaves(note);
    EXPECT_EQ(storedText(id), S("after the paste\r\n"));
    note->setText(S("plain"));
    pointerLeaves(note);
    EXPECT_EQ(storedText(id), S("plain\r\n"));
    EXPECT_EQ(snapshotExcept(id), others);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(TypedText, TenMegabyteNoteIsSavedWhole)
{
    QString text;
    const QString line = S("0123456789 abcdefghij 表ソ能 ABCDEFGHIJ 'quoted' \\ ") + QString(40, QLatin1Char('x'));
    while (text.size() < 10 * 1024 * 1024)
        text += line + QStringLiteral("\r\n");
    const qint64 id = addOpenNote(S("short"));
    NoteWindow* note = shownNote(id, S("short"));
    const QStringList others = snapshotExcept(id);
    note->setText(text);
    pointerLeaves(note);
    EXPECT_EQ(storedText(id), text);
    EXPECT_EQ(snapshotExcept(id), others);
    EXPECT_TRUE(reports.isEmpty());
}

// --- Text never changes what a statement does ---

TEST_F(TypedText, SqlLookingTextChangesOnlyItsOwnRow)
{
    const qint64 id = addOpenNote(QString());
    const qint64 neighbour = addOpenNote(S("neighbour"));
    NoteWindow* note = shownNote(id, QString());
    const QStringList others = snapshotExcept(id);
    for (const QString& line : HostileLines) {
        note->setText(line);
        pointerLeaves(note);
        EXPECT_EQ(storedText(id), line + QStringLiteral("\r\n"));
        EXPECT_EQ(snapshotExcept(id), others) << qPrintable(line);
    }
    EXPECT_EQ(storedText(neighbour), S("neighbour"));
    EXPECT_EQ(query(Statements::noteRowids)->rowCount(), 3u);
    EXPECT_EQ(query("select name from sqlite_master")->rowCount(), 2u);
}

// --- Rows that another program or an old version wrote ---

namespace {

struct StoredRow {
    const char* name;
    QByteArray values;
    bool restored;
};

const StoredRow OddRows[] = {
    {"readable", "'2011/08/26', 'readable', 10, 20, 300, 90, -1, -1, 65408, 200", true},
    {"null text", "'2011/08/26', NULL, 10, 20, 300, 90, -1, -1, 65408, 200", true},
    {"null left", "'2011/08/26', 'null left', NULL, 20, 300, 90, -1, -1, 65408, 200", false},
    {"word width", "'2011/08/26', 'word width', 10, 20, 'wide', 90, -1, -1, 65408, 200", false},
    {"huge width", "'2011/08/26', 'huge width', 10, 20, 99999999999, 90, -1, -1, 65408, 200", false},
    {"fraction", "'2011/08/26', 'fraction', 10.5, 20, 300, 90, -1, -1, 65408, 200", false},
    {"negative place", "'2011/08/26', 'negative place', -50, -60, 300, 90, -1, -1, 65408, 200", true},
    {"negative size", "'2011/08/26', 'negative size', 10, 20, -300, -90, -1, -1, 65408, 200", true},
    {"dashed date", "'2011-08-26', 'dashed date', 10, 20, 300, 90, -1, -1, 65408, 200", false},
    {"short date", "'2011/8/6', 'short date', 10, 20, 300, 90, -1, -1, 65408, 200", true},
    {"number date", "20110826, 'number date', 10, 20, 300, 90, -1, -1, 65408, 200", false},
    {"null date", "NULL, 'null date', 10, 20, 300, 90, -1, -1, 65408, 200", false},
    {"null visible", "'2011/08/26', 'null visible', 10, 20, 300, 90, -1, NULL, 65408, 200", false},
    {"text term", "'2011/08/26', 'text term', 10, 20, 300, 90, '-1', -1, 65408, 200", true},
    {"null term", "'2011/08/26', 'null term', 10, 20, 300, 90, NULL, -1, 65408, 200", false},
    {"negative colour", "'2011/08/26', 'negative colour', 10, 20, 300, 90, -1, -1, -1, 200", true},
    {"word colour", "'2011/08/26', 'word colour', 10, 20, 300, 90, -1, -1, 'red', 200", false},
    {"big alpha", "'2011/08/26', 'big alpha', 10, 20, 300, 90, -1, -1, 65408, 999", true},
    {"negative alpha", "'2011/08/26', 'negative alpha', 10, 20, 300, 90, -1, -1, 65408, -5", true},
    {"bytes text", "'2011/08/26', x'0061ff8140', 10, 20, 300, 90, -1, -1, 65408, 200", true},
};

} // namespace

TEST_F(StoredRows, RestoreShowsTheReadableRowsAndRewritesOnlyThem)
{
    exec("delete from m_daviv");
    QList<qint64> restored;
    QByteArray unrestored = "0";
    for (const StoredRow& row : OddRows) {
        const qint64 id = addRow(row.values);
        if (row.restored)
            restored << id;
        else
            unrestored += "," + QByteArray::number(id);
    }
    const QStringList before = snapshot();
    const QStringList untouched = snapshot("rowid in (" + unrestored + ")");

    startAndRestore();
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(reports.isEmpty()) << qPrintable(reports.join(QLatin1Char('\n')));
    QList<qint64> shown;
    for (NoteWindow* note : app->notes().notes()) {
        shown << note->noteId();
        EXPECT_TRUE(note->isVisible());
        // Each of these texts is one line, or none.
        const QString stored = storedText(note->noteId());
        EXPECT_EQ(note->text(), stored.isEmpty() ? QString() : stored + QStringLiteral("\r\n"));
    }
    EXPECT_EQ(shown, restored);

    // The exit save writes each shown note, and no other row; a text nobody edited keeps its
    // stored bytes.
    const auto noteBytes = [this](qint64 id) { return query(Statements::noteById(qint32(id)))->valueText("note"); };
    QList<QByteArray> texts;
    for (qint64 id : restored)
        texts << noteBytes(id);
    app->quit();
    EXPECT_EQ(snapshot("rowid in (" + unrestored + ")"), untouched);
    for (int i = 0; i < restored.size(); ++i)
        EXPECT_EQ(noteBytes(restored[i]), texts[i]) << restored[i];
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(StoredRows, NoteListShowsEveryRowAsStoredAndWritesNothing)
{
    exec("delete from m_daviv");
    for (const StoredRow& row : OddRows)
        addRow(row.values);
    addRow("NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL");
    const QStringList before = snapshot();

    start();
    NoteList& list = app->noteList();
    list.show();
    EXPECT_TRUE(reports.isEmpty()) << qPrintable(reports.join(QLatin1Char('\n')));
    auto* rows = list.findChild<ReportList*>(QStringLiteral("notesView"));
    ASSERT_EQ(rows->topLevelItemCount(), int(std::size(OddRows)) + 1);
    auto table = query("select rowid, f_day, note, term from m_daviv order by rowid");
    int i = 0;
    for (table->goFirst(); !table->atEnd(); table->goNext(), ++i) {
        const QTreeWidgetItem* item = rows->topLevelItem(i);
        EXPECT_EQ(item->text(0), decodeStoreText(table->valueText("f_day"))) << i;
        EXPECT_EQ(item->text(1), noteCellText(decodeStoreText(table->valueText("note")))) << i;
        EXPECT_EQ(item->text(3), QString::fromLatin1(table->valueText("rowid"))) << i;
    }
    EXPECT_EQ(rows->topLevelItem(10)->text(0), S("20110826"));
    EXPECT_EQ(rows->topLevelItem(11)->text(0), QString());
    EXPECT_EQ(rows->topLevelItem(1)->text(1), QString());
    list.hide();
    EXPECT_EQ(snapshot(), before);
}
