#include "FaultFixture.h"

#include "controls/ReportList.h"
#include "list/uFList.h"
#include "notes/RichEdit.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QRandomGenerator>

namespace {

using TypedText = TFaultFixture;
using StoredRows = TFaultFixture;

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QString FromCodePoint(char32_t c)
{
    return QString::fromUcs4(&c, 1);
}

// What the store can hold of a text: a surrogate without its partner becomes U+FFFD, and
// NULs, which no statement carries, are dropped unless kept.
QString Storable(const QString& text, bool keepNuls = false)
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

QString AllAsciiPunctuation()
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
    AllAsciiPunctuation(),
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
        const qint64 id = AddOpenNote(QString());
        TfrmDaviv* note = ShownNote(id, QString());
        const QStringList others = SnapshotExcept(id);
        note->SetMemoText(line + QStringLiteral("\r\nsecond line ") + line);
        PointerLeaves(note);
        EXPECT_EQ(StoredText(id), line + QStringLiteral("\r\nsecond line ") + line + QStringLiteral("\r\n"))
            << qPrintable(line);
        EXPECT_EQ(SnapshotExcept(id), others) << qPrintable(line);
        delete note;
        ids << id;
    }
    EXPECT_EQ(Query("select name from sqlite_master")->RowCount(), 2u);
    EXPECT_TRUE(Reports.isEmpty());

    StartAndRestore();
    ASSERT_EQ(Main->NoteWindows.size(), int(std::size(HostileLines)));
    for (int i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(Main->NoteWindows[i]->NoteId(), ids[i]);
        EXPECT_EQ(Main->NoteWindows[i]->MemoText(),
                  HostileLines[i] + QStringLiteral("\r\nsecond line ") + HostileLines[i] + QStringLiteral("\r\n"));
    }
}

TEST_F(TypedText, PastedNulsAreDroppedAndTheRestKept)
{
    const qint64 id = AddOpenNote(S("old"));
    TfrmDaviv* note = ShownNote(id, S("old"));
    const QStringList others = SnapshotExcept(id);
    const QString pasted = S("be") + QChar(0) + S("fore ") + QChar(0) + QChar(0) + S("表\\") + QChar(0);
    auto* mime = new QMimeData;
    mime->setText(pasted);
    QGuiApplication::clipboard()->setMimeData(mime);
    note->RichEdMemo()->selectAll();
    note->RichEdMemo()->paste();
    PointerLeaves(note);
    EXPECT_EQ(StoredText(id), Storable(note->MemoText()));
    EXPECT_EQ(StoredText(id), S("before 表\\\r\n"));

    // Saves after it go on as usual.
    note->SetMemoText(S("after") + QChar(0) + S(" the paste"));
    PointerLeaves(note);
    EXPECT_EQ(StoredText(id), S("after the paste\r\n"));
    note->SetMemoText(S("plain"));
    PointerLeaves(note);
    EXPECT_EQ(StoredText(id), S("plain\r\n"));
    EXPECT_EQ(SnapshotExcept(id), others);
    EXPECT_TRUE(Reports.isEmpty());
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
        const qint64 id = AddOpenNote(QString());
        const QStringList others = SnapshotExcept(id);
        TNoteValues values;
        values.Date = S("2011/08/26");
        values.Text = text;
        values.Id = qint32(id);
        TSQLiteDo store(Dir.path());
        store.OpenStore(QString::fromLatin1(StoreFileName));
        ASSERT_FALSE(store.TryExecuteInTransaction(StmtSaveNote(values)));
        store.CloseStore();
        EXPECT_EQ(StoredText(id), Storable(text));
        EXPECT_EQ(DecodeStoreText(EncodeStoreText(text)), Storable(text));
        EXPECT_EQ(SnapshotExcept(id), others);
    }
}

TEST_F(TypedText, TenMegabyteNoteIsSavedWhole)
{
    QString text;
    const QString line = S("0123456789 abcdefghij 表ソ能 ABCDEFGHIJ 'quoted' \\ ") + QString(40, QLatin1Char('x'));
    while (text.size() < 10 * 1024 * 1024)
        text += line + QStringLiteral("\r\n");
    const qint64 id = AddOpenNote(S("short"));
    TfrmDaviv* note = ShownNote(id, S("short"));
    const QStringList others = SnapshotExcept(id);
    note->SetMemoText(text);
    PointerLeaves(note);
    EXPECT_EQ(StoredText(id), text);
    EXPECT_EQ(SnapshotExcept(id), others);
    EXPECT_TRUE(Reports.isEmpty());
}

// --- Text never changes what a statement does ---

TEST_F(TypedText, EveryStatementStaysOneStatementWhateverItsText)
{
    TSQLiteDatabase db(DbPath().toUtf8());
    for (const QString& line : HostileLines) {
        TNoteValues values;
        values.Date = line;
        values.Text = line + QChar(0) + line;
        values.Id = 1;
        const QByteArray statements[] = {
            StmtSaveNote(values),
            StmtEndNote(values),
            StmtAddMessage(line, line, line),
            StmtUpdateMessage(line, line, line, 1),
        };
        for (const QByteArray& sql : statements) {
            sqlite3_stmt* statement = nullptr;
            const char* rest = nullptr;
            ASSERT_EQ(sqlite3_prepare_v2(db.Handle(), sql.constData(), int(sql.size()), &statement, &rest), SQLITE_OK)
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
    const qint64 id = AddOpenNote(QString());
    const qint64 neighbour = AddOpenNote(S("neighbour"));
    TfrmDaviv* note = ShownNote(id, QString());
    const QStringList others = SnapshotExcept(id);
    for (const QString& line : HostileLines) {
        note->SetMemoText(line);
        PointerLeaves(note);
        EXPECT_EQ(StoredText(id), line + QStringLiteral("\r\n"));
        EXPECT_EQ(SnapshotExcept(id), others) << qPrintable(line);
    }
    EXPECT_EQ(StoredText(neighbour), S("neighbour"));
    EXPECT_EQ(Query(StmtNoteRowids)->RowCount(), 3u);
    EXPECT_EQ(Query("select name from sqlite_master")->RowCount(), 2u);
}

// --- Random texts, seeded so that a failure repeats ---

namespace {

// A text of up to 60 characters drawn from ASCII, kana, kanji, emoji, quotes, backslashes,
// control characters, byte order marks and lone surrogates.
QString RandomText(QRandomGenerator& random)
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
            text += FromCodePoint(char32_t(random.bounded(range[0], range[1] + 1)));
        }
    }
    return text;
}

} // namespace

TEST(RandomText, CodecRoundTripsEveryStorableText)
{
    QRandomGenerator random(20261208);
    for (int round = 0; round < 5000; ++round) {
        const QString text = RandomText(random);
        const QByteArray bytes = EncodeStoreText(text);
        ASSERT_EQ(DecodeStoreText(bytes), Storable(text, true)) << round << ": " << qPrintable(text);
        // A literal is the encoded text, quoted, with its quotes doubled and nothing else.
        const QByteArray literal = SqlTextLiteral(text);
        ASSERT_TRUE(literal.startsWith('\'') && literal.endsWith('\'') && literal.size() >= 2);
        QByteArray inner = literal.mid(1, literal.size() - 2);
        ASSERT_FALSE(inner.replace("''", "").contains('\'')) << round;
        ASSERT_EQ(DecodeStoreText(literal.mid(1, literal.size() - 2).replace("''", "'")), Storable(text)) << round;
    }
}

TEST_F(TypedText, RandomTextsSurviveARealSave)
{
    const qint64 id = AddOpenNote(QString());
    const QStringList others = SnapshotExcept(id);
    QRandomGenerator random(8261102);
    TSQLiteDo store(Dir.path());
    store.OpenStore(QString::fromLatin1(StoreFileName));
    for (int round = 0; round < 2000; ++round) {
        TNoteValues values;
        values.Date = S("2011/08/26");
        values.Text = RandomText(random);
        values.Id = qint32(id);
        ASSERT_FALSE(store.TryExecuteInTransaction(StmtSaveNote(values))) << round << ": " << qPrintable(values.Text);
        auto table = store.Database->RunQuery(StmtNoteById(id));
        ASSERT_EQ(DecodeStoreText(table->ValueText("note")), Storable(values.Text))
            << round << ": " << qPrintable(values.Text);
    }
    store.CloseStore();
    EXPECT_EQ(SnapshotExcept(id), others);
}

// --- Rows that another program or an old version wrote ---

namespace {

struct TStoredRow {
    const char* Name;
    QByteArray Values;
    bool Restored;
};

const TStoredRow OddRows[] = {
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
    Exec("delete from m_daviv");
    QList<qint64> restored;
    QByteArray unrestored = "0";
    for (const TStoredRow& row : OddRows) {
        const qint64 id = AddRow(row.Values);
        if (row.Restored)
            restored << id;
        else
            unrestored += "," + QByteArray::number(id);
    }
    const QStringList before = Snapshot();
    const QStringList untouched = Snapshot("rowid in (" + unrestored + ")");

    StartAndRestore();
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(Reports.isEmpty()) << qPrintable(Reports.join(QLatin1Char('\n')));
    QList<qint64> shown;
    for (TfrmDaviv* note : Main->NoteWindows) {
        shown << note->NoteId();
        EXPECT_TRUE(note->isVisible());
        // Each of these texts is one line, or none.
        const QString stored = StoredText(note->NoteId());
        EXPECT_EQ(note->MemoText(), stored.isEmpty() ? QString() : stored + QStringLiteral("\r\n"));
    }
    EXPECT_EQ(shown, restored);

    // The exit save writes each shown note, and no other row; a text nobody edited keeps its
    // stored bytes.
    const auto noteBytes = [this](qint64 id) { return Query(StmtNoteById(id))->ValueText("note"); };
    QList<QByteArray> texts;
    for (qint64 id : restored)
        texts << noteBytes(id);
    Main->close();
    EXPECT_EQ(Snapshot("rowid in (" + unrestored + ")"), untouched);
    for (int i = 0; i < restored.size(); ++i)
        EXPECT_EQ(noteBytes(restored[i]), texts[i]) << restored[i];
    EXPECT_TRUE(Reports.isEmpty());
}

TEST_F(StoredRows, NoteListShowsEveryRowAsStoredAndWritesNothing)
{
    Exec("delete from m_daviv");
    for (const TStoredRow& row : OddRows)
        AddRow(row.Values);
    AddRow("NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL");
    const QStringList before = Snapshot();

    TfrmList list(Desktop, Store);
    list.show();
    EXPECT_TRUE(Reports.isEmpty()) << qPrintable(Reports.join(QLatin1Char('\n')));
    auto* rows = list.findChild<TReportList*>(QStringLiteral("ListVwLg"));
    ASSERT_EQ(rows->topLevelItemCount(), int(std::size(OddRows)) + 1);
    auto table = Query("select rowid, f_day, note, term from m_daviv order by rowid");
    int i = 0;
    for (table->GoFirst(); !table->AtEnd(); table->GoNext(), ++i) {
        const QTreeWidgetItem* item = rows->topLevelItem(i);
        EXPECT_EQ(item->text(0), DecodeStoreText(table->ValueText("f_day"))) << i;
        EXPECT_EQ(item->text(1), NoteCellText(DecodeStoreText(table->ValueText("note")))) << i;
        EXPECT_EQ(item->text(3), QString::fromLatin1(table->ValueText("rowid"))) << i;
    }
    EXPECT_EQ(rows->topLevelItem(10)->text(0), S("20110826"));
    EXPECT_EQ(rows->topLevelItem(11)->text(0), QString());
    EXPECT_EQ(rows->topLevelItem(1)->text(1), QString());
    list.hide();
    EXPECT_EQ(Snapshot(), before);
}
