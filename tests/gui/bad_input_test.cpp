#include "FaultFixture.h"
#include "TestText.h"

#include "NoteEditor.h"
#include "NoteList.h"
#include "ReportList.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QRandomGenerator>

namespace {

using TypedText = FaultFixture;
using StoredRows = FaultFixture;

QString fromCodePoint(char32_t c)
{
    return QString::fromUcs4(&c, 1);
}

// What the store can hold of a text: a surrogate without its partner becomes U+FFFD, and
// NULs, which no statement carries, are dropped unless kept.
QString storable(const QString& text, bool keepNuls = false)
{
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isNull() && !keepNuls)
            continue;
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            result += c;
            result += text.at(++i);
        } else if (c.isSurrogate()) {
            result += QChar(QChar::ReplacementCharacter);
        } else {
            result += c;
        }
    }
    return result;
}

QString allAsciiPunctuation()
{
    QString text;
    for (char c = 0x21; c < 0x7F; ++c)
        if (!QChar::fromLatin1(c).isLetterOrNumber())
            text += QLatin1Char(c);
    return text;
}

// Typed or pasted first, U+FEFF is the user's text, whatever it looks like in UTF-8.
const QString ByteOrderMark(QChar(0xFEFF));

// Texts a person may type or paste; none holds a line break of its own.
const QString HostileLines[] = {
    allAsciiPunctuation(),
    S("C:\\Users\\me\\メモ\\ \\\\server\\share\\ \\n \\' \\"),
    S("表示 ソフト 能力 予定表\\ ソ\\能 十 貼"),
    S("'); drop table m_daviv; --"),
    S("x' where 1=1; update m_daviv set note = 'gone"),
    S("'' '''' ; ; /* */ -- \" ` [note] $1 ?1 :a @a"),
    S("😀🎉👨‍👩‍👧 𠮷野家 ①～髙 é ñ 한국어 ｶﾀｶﾅ"),
    ByteOrderMark + S("starts with a byte order mark"),
    ByteOrderMark,
    ByteOrderMark + ByteOrderMark + S("twice"),
    S("mid") + ByteOrderMark + S("dle"),
    ByteOrderMark + S("表"),
    S("tab\there\x01\x1F\x7F end"),
};

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

TEST_F(TypedText, LoneSurrogatesAreStoredAsReplacementCharactersAndNothingElseIsLost)
{
    const QString texts[] = {
        S("a") + QChar(0xD800) + S("b"),
        QChar(0xDC00) + S("表ソ能") + QChar(0xD83D),
        S("😀") + QChar(0xDE00) + S("é") + QChar(0xD83D),
        QString(QChar(0xDFFF)),
    };
    for (const QString& text : texts) {
        const qint64 id = addOpenNote(QString());
        const QStringList others = snapshotExcept(id);
        Note note;
        note.date = QDate(2011, 8, 26);
        note.text = text;
        note.id = qint32(id);
        ASSERT_TRUE(store.saveNote(note, std::nullopt));
        EXPECT_EQ(storedText(id), storable(text));
        EXPECT_EQ(decodeStoreText(encodeStoreText(text)), storable(text));
        EXPECT_EQ(snapshotExcept(id), others);
    }
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

TEST_F(TypedText, EveryStatementStaysOneStatementWhateverItsText)
{
    SqliteDatabase db = connectTo(dbPath());
    for (const QString& line : HostileLines) {
        Note note;
        note.text = line + QChar(0) + line;
        note.id = 1;
        const QByteArray statements[] = {
            Statements::saveNote(note),
            Statements::endNote(note),
            Statements::addMessage(line, line, line),
            Statements::updateMessage(line, line, line, 1),
        };
        for (const QByteArray& sql : statements) {
            sqlite3_stmt* statement = nullptr;
            const char* rest = nullptr;
            ASSERT_EQ(sqlite3_prepare_v2(db.handle(), sql.constData(), int(sql.size()), &statement, &rest), SQLITE_OK)
                << qPrintable(line);
            const bool oneStatement = QByteArray(rest).trimmed().isEmpty();
            const bool writes = !sqlite3_stmt_readonly(statement);
            const int parameters = sqlite3_bind_parameter_count(statement);
            sqlite3_finalize(statement);
            EXPECT_TRUE(oneStatement) << qPrintable(line) << " leaves: " << rest;
            EXPECT_TRUE(writes);
            EXPECT_EQ(parameters, 0) << qPrintable(line);
        }
    }
}

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

// --- Random texts, seeded so that a failure repeats ---

namespace {

// A text of up to 60 characters drawn from ASCII, kana, kanji, emoji, quotes, backslashes,
// control characters, byte order marks and lone surrogates.
QString randomText(QRandomGenerator& random)
{
    static const char32_t ranges[][2] = {
        {0x20, 0x7E},     {0x3040, 0x30FF}, {0x4E00, 0x9FFF}, {0xFF61, 0xFF9F}, {0x1F300, 0x1FAFF},
        {0x01, 0x1F},     {0x80, 0x24F},    {0x2460, 0x24FF}, {0xAC00, 0xD7A3}, {0x20000, 0x2A6DF},
        {0xFEFF, 0xFEFF}, {0xFFFD, 0xFFFF}, {'\'', '\''},     {'\\', '\\'},     {0x5C, 0x5C},
    };
    static const QString backslashSecondBytes = S("表ソ能十貼予構");
    QString text;
    const int length = random.bounded(0, 61);
    for (int i = 0; i < length; ++i) {
        const int pick = random.bounded(int(std::size(ranges)) + 3);
        if (pick == int(std::size(ranges))) {
            text += backslashSecondBytes.at(random.bounded(int(backslashSecondBytes.size())));
        } else if (pick == int(std::size(ranges)) + 1) {
            text += QChar(char16_t(random.bounded(0xD800, 0xE000)));
        } else if (pick == int(std::size(ranges)) + 2) {
            text += QChar(0);
        } else {
            const auto& range = ranges[pick];
            text += fromCodePoint(char32_t(random.bounded(range[0], range[1] + 1)));
        }
    }
    return text;
}

} // namespace

TEST(RandomText, CodecRoundTripsEveryStorableText)
{
    QRandomGenerator random(20261208);
    for (int round = 0; round < 5000; ++round) {
        const QString text = randomText(random);
        const QByteArray bytes = encodeStoreText(text);
        ASSERT_EQ(decodeStoreText(bytes), storable(text, true)) << round << ": " << qPrintable(text);
        // A literal is the encoded text, quoted, with its quotes doubled and nothing else.
        const QByteArray literal = Statements::textLiteral(text);
        ASSERT_TRUE(literal.startsWith('\'') && literal.endsWith('\'') && literal.size() >= 2);
        QByteArray inner = literal.mid(1, literal.size() - 2);
        ASSERT_FALSE(inner.replace("''", "").contains('\'')) << round;
        ASSERT_EQ(decodeStoreText(literal.mid(1, literal.size() - 2).replace("''", "'")), storable(text)) << round;
    }
}

TEST_F(TypedText, RandomTextsSurviveARealSave)
{
    const qint64 id = addOpenNote(QString());
    const QStringList others = snapshotExcept(id);
    QRandomGenerator random(8261102);
    SqliteDatabase db = connectTo(dbPath());
    for (int round = 0; round < 2000; ++round) {
        Note note;
        note.date = QDate(2011, 8, 26);
        note.text = randomText(random);
        note.id = qint32(id);
        ASSERT_TRUE(db.runStatement(Statements::saveNote(note))) << round << ": " << qPrintable(note.text);
        auto table = db.runQuery(Statements::noteById(note.id));
        ASSERT_EQ(decodeStoreText(table->valueText("note")), storable(note.text))
            << round << ": " << qPrintable(note.text);
    }
    EXPECT_EQ(snapshotExcept(id), others);
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
