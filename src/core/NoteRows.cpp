#include "core/NoteRows.h"

#include "core/SqliteDatabase.h"
#include "core/SqliteTransaction.h"
#include "core/StoreStatements.h"
#include "core/StoreText.h"

namespace NoteRows {

namespace {

const char* const ImageColumns[] = {"f_day",  "note", "xpos",    "ypos",  "width",
                                    "height", "term", "visible", "color", "alpha"};

// Where a note row's columns are in a result, looked up once.
struct NoteColumns {
    explicit NoteColumns(const SqliteRows& rows) : rowid(rows.columnIndex("rowid"))
    {
        for (size_t i = 0; i < image.size(); ++i)
            image[i] = rows.columnIndex(ImageColumns[i]);
    }
    int rowid;
    std::array<int, std::tuple_size_v<RowImage>> image;
};

RowImage imageOf(const SqliteRows& rows, const NoteColumns& columns)
{
    RowImage image;
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = rows.valueText(columns.image[i]);
    return image;
}

// The current row as a note; the first value that does not read gives the failure's words.
StoreResult<StoredNote> decode(const SqliteRows& rows, const NoteColumns& columns)
{
    StoredNote stored{{}, imageOf(rows, columns)};
    const auto text = [&stored](size_t column) { return decodeStoreText(stored.image[column]); };
    std::optional<QString> unreadable;
    const auto read = [&unreadable](const QString& text, auto convert, StoreValue kind) {
        auto value = convert(text);
        if (!value && !unreadable)
            unreadable = unreadableText(text, kind);
        return value.value_or(typename decltype(value)::value_type{});
    };
    Note& note = stored.note;
    note.date = read(text(0), strToDate, StoreValue::Date);
    note.text = text(1);
    const int left = read(text(2), strToInt, StoreValue::Integer);
    const int top = read(text(3), strToInt, StoreValue::Integer);
    const int width = read(text(4), strToInt, StoreValue::Integer);
    const int height = read(text(5), strToInt, StoreValue::Integer);
    note.bounds = QRect(left, top, width, height);
    note.isOpen = read(text(6), strToBool, StoreValue::Boolean);
    note.visible = read(text(7), strToBool, StoreValue::Boolean);
    note.color = quint32(read(text(8), strToInt, StoreValue::Integer));
    note.alpha = read(text(9), strToInt, StoreValue::Integer);
    note.id = read(decodeStoreText(rows.valueText(columns.rowid)), strToInt, StoreValue::Integer);
    if (unreadable)
        return StoreError(*unreadable);
    return stored;
}

// The rowid the last insert made, checked against the last of the rowid list: a failed insert
// must never hand out the id of an existing row, which the note would then overwrite.
StoreResult<qint32> newNoteId(SqliteDatabase& db)
{
    const qint64 inserted = db.lastInsertRowid();
    StoreResult<SqliteRows> rows = db.runQuery(Statements::noteRowids);
    if (!rows)
        return rows.error();
    rows->goLast();
    const QString last = QString::fromLatin1(rows->valueText("rowid"));
    const std::optional<qint32> id = strToInt(last);
    if (!id)
        return StoreError(unreadableText(last, StoreValue::Integer));
    if (*id != inserted)
        return StoreError(QStringLiteral("The new note's row could not be found"));
    return *id;
}

} // namespace

StoreResult<> createMissingTables(SqliteDatabase& db)
{
    for (const auto& [table, create] :
         {std::pair{"m_daviv", Statements::createNotes}, std::pair{"m_icom_message", Statements::createMessages}}) {
        const StoreResult<bool> exists = db.hasTable(table);
        if (!exists)
            return exists.error();
        if (!*exists)
            if (StoreResult<> created = db.runStatement(create); !created)
                return created;
    }
    return {};
}

StoreResult<std::optional<RowImage>> image(SqliteDatabase& db, qint32 id)
{
    StoreResult<SqliteRows> rows = db.runQuery(Statements::noteById(id));
    if (!rows)
        return rows.error();
    if (!rows->goFirst())
        return std::optional<RowImage>();
    return std::optional<RowImage>(imageOf(*rows, NoteColumns(*rows)));
}

std::vector<StoredNote> notes(SqliteRows& rows)
{
    std::vector<StoredNote> notes;
    if (!rows.goFirst())
        return notes;
    notes.reserve(rows.rowCount());
    const NoteColumns columns(rows);
    for (; !rows.atEnd(); rows.goNext())
        if (StoreResult<StoredNote> note = decode(rows, columns))
            notes.push_back(std::move(*note));
    return notes;
}

StoreResult<StoredNote> firstNote(SqliteRows& rows)
{
    rows.goFirst();
    return decode(rows, NoteColumns(rows));
}

std::vector<Reminder> reminders(SqliteRows& rows)
{
    std::vector<Reminder> reminders;
    reminders.reserve(rows.rowCount());
    for (rows.goFirst(); !rows.atEnd(); rows.goNext()) {
        Reminder& r = reminders.emplace_back();
        r.id = rows.valueText("rowid").toLongLong();
        r.dayText = decodeStoreText(rows.valueText("iday"));
        r.timeText = decodeStoreText(rows.valueText("iTime"));
        r.message = decodeStoreText(rows.valueText("message"));
        const std::optional<QDate> day = strToDate(r.dayText);
        const std::optional<QTime> time = day ? strToTime(r.timeText) : std::nullopt;
        r.day = day.value_or(QDate());
        r.time = time.value_or(QTime());
        if (!day)
            r.unreadable = unreadableText(r.dayText, StoreValue::Date);
        else if (!time)
            r.unreadable = unreadableText(r.timeText, StoreValue::Time);
    }
    return reminders;
}

StoreResult<qint32> add(SqliteDatabase& db, const QDate& day)
{
    if (StoreResult<> added = db.runStatement(Statements::addNote(day)); !added)
        return added.error();
    return newNoteId(db);
}

StoreResult<> forgetRemoved(SqliteDatabase& db)
{
    // A store without copies is not written to, so that a read-only one still opens.
    const StoreResult<bool> kept = db.hasTable("zu_note_removed");
    if (!kept)
        return kept.error();
    if (!*kept)
        return {};
    const StoreResult<SqliteRows> any = db.runQuery(Statements::anyRemoved);
    if (!any)
        return any.error();
    if (any->rowCount() == 0)
        return {};
    StoreResult<SqliteTransaction> transaction = SqliteTransaction::begin(db);
    if (!transaction)
        return transaction.error();
    const StoreResult<bool> looks = db.hasTable("zu_note_look");
    if (!looks)
        return looks.error();
    if (*looks)
        if (StoreResult<> forgotten = db.runStatement(Statements::forgetRemovedLooks); !forgotten)
            return forgotten;
    if (StoreResult<> forgotten = db.runStatement(Statements::forgetRemoved); !forgotten)
        return forgotten;
    return transaction->commit();
}

} // namespace NoteRows
