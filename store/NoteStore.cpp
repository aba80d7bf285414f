#include "store/NoteStore.h"

#include "platform/StoreText.h"
#include "store/uSqliteDo.h"

#include <QDir>

namespace {

const char* const ImageColumns[] = {"f_day",  "note", "xpos",    "ypos",  "width",
                                    "height", "term", "visible", "color", "alpha"};

QString Text(const TSQLiteTable& table, const char* column)
{
    return DecodeStoreText(table.ValueText(column));
}

TRowImage ImageOf(const TSQLiteTable& table)
{
    TRowImage image;
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = table.ValueText(ImageColumns[i]);
    return image;
}

// Statement 6 and statement 8 select the same columns.
TStoredNote Decode(const TSQLiteTable& table)
{
    TStoredNote note;
    TNoteRecord& r = note.Record;
    r.Date = StrToDate(Text(table, "f_day"));
    r.Text = Text(table, "note");
    const int left = StrToInt(Text(table, "xpos"));
    const int top = StrToInt(Text(table, "ypos"));
    const int width = StrToInt(Text(table, "width"));
    const int height = StrToInt(Text(table, "height"));
    r.Bounds = QRect(left, top, width, height);
    r.Term = StrToBool(Text(table, "term"));
    r.Visible = StrToBool(Text(table, "visible"));
    r.Color = quint32(StrToInt(Text(table, "color")));
    r.Alpha = StrToInt(Text(table, "alpha"));
    r.Id = StrToInt(Text(table, "rowid"));
    note.Image = ImageOf(table);
    return note;
}

// Ends the store's transaction if an operation leaves it open by raising.
class TTransaction {
public:
    explicit TTransaction(TSQLiteDatabase& db) : FDb(db) { FDb.StartTransaction(); }
    ~TTransaction()
    {
        if (FDb.InTransaction()) {
            try {
                FDb.RollbackIfOpen();
            } catch (const ESQLiteException& e) {
                qWarning("rollback failed: %s", e.what());
            }
        }
    }
    void Commit() { FDb.CommitTransaction(); }

private:
    TSQLiteDatabase& FDb;
};

std::optional<TRowImage> RowImage(TSQLiteDatabase& db, qint32 id)
{
    std::unique_ptr<TSQLiteTable> table = db.RunQuery(StmtNoteById(id));
    if (!table->GoFirst())
        return std::nullopt;
    return ImageOf(*table);
}

// Drops the copies of removed notes; a store without any is not written to, so that a
// read-only one still opens.
void ForgetRemoved(TSQLiteDatabase& db)
{
    if (!db.HasTable("zu_note_removed") || db.RunQuery(StmtAnyRemoved)->RowCount() == 0)
        return;
    TTransaction transaction(db);
    if (db.HasTable("zu_note_look"))
        db.RunStatement(StmtForgetRemovedLooks);
    db.RunStatement(StmtForgetRemoved);
    transaction.Commit();
}

} // namespace

TNoteStore::TNoteStore(QString programFolder) : FProgramFolder(std::move(programFolder)) {}

QString TNoteStore::FilePath() const
{
    return ProgramFilePath(FProgramFolder, QString::fromLatin1(StoreFileName));
}

TSQLiteDatabase& TNoteStore::Open(TSQLiteDo& store, int lockWaitMs) const
{
    store.SetLockWait(lockWaitMs);
    TSQLiteDatabase& db = store.OpenStore(QString::fromLatin1(StoreFileName));
    if (OnOpen)
        OnOpen(db.Handle());
    return db;
}

std::unique_ptr<TSQLiteTable> TNoteStore::Query(const QByteArray& sql) const
{
    TSQLiteDo store(FProgramFolder);
    return Open(store).RunQuery(sql);
}

void TNoteStore::Prepare() const
{
    TSQLiteDo store(FProgramFolder);
    TSQLiteDatabase& db = Open(store);
    CreateMissingTables(db);
    // Removed notes are kept only while the list that removed them is open; a run that ended
    // without closing it (killed, crashed) must not keep them for good. Tried again at the next
    // start when the store cannot take it now.
    try {
        ForgetRemoved(db);
    } catch (const ESQLiteException& e) {
        qWarning("removed notes not forgotten: %s", e.what());
    }
}

std::vector<TStoredNote> TNoteStore::OpenNotes() const
{
    const std::unique_ptr<TSQLiteTable> table = Query(StmtOpenNotes);
    std::vector<TStoredNote> notes;
    notes.reserve(table->RowCount());
    for (table->GoFirst(); !table->AtEnd(); table->GoNext()) {
        try {
            notes.push_back(Decode(*table));
        } catch (const EConvertError&) {
            // A row that does not read is left as it is in the store, without a word.
        }
    }
    return notes;
}

std::optional<TStoredNote> TNoteStore::Note(qint32 id) const
{
    const std::unique_ptr<TSQLiteTable> table = Query(StmtNoteById(id));
    if (!table->GoFirst())
        return std::nullopt;
    return Decode(*table);
}

std::vector<TNoteListRow> TNoteStore::NoteList() const
{
    const std::unique_ptr<TSQLiteTable> table = Query(StmtNoteList);
    std::vector<TNoteListRow> rows;
    rows.reserve(table->RowCount());
    for (table->GoFirst(); !table->AtEnd(); table->GoNext())
        rows.push_back({Text(*table, "rowid"), Text(*table, "f_day"), Text(*table, "note"), table->ValueText("term")});
    return rows;
}

TNoteSaveResult TNoteStore::AddNote(const QDate& today) const
{
    TSQLiteDo store(FProgramFolder);
    TSQLiteDatabase& db = Open(store);
    TNoteSaveResult result;
    result.Way = TNoteSaveResult::AddedNew;
    result.Id = store.AddNote(today);
    if (const std::optional<TRowImage> image = RowImage(db, result.Id))
        result.Image = *image;
    return result;
}

TNoteSaveResult TNoteStore::SaveNote(const TNoteValues& values, const std::optional<TRowImage>& known, bool ended,
                                     int lockWaitMs) const
{
    TSQLiteDo store(FProgramFolder);
    TSQLiteDatabase& db = Open(store, lockWaitMs);
    TTransaction transaction(db);
    TNoteSaveResult result;
    result.Id = values.Id;
    // A store file deleted while the program runs comes back empty at this open.
    const bool tables = db.HasTable("m_daviv");
    if (values.Id == 0) {
        result.Way = TNoteSaveResult::AddedNew;
    } else {
        const std::optional<TRowImage> row = tables ? RowImage(db, values.Id) : std::nullopt;
        if (!row)
            result.Way = TNoteSaveResult::AddedMissing;
        else if (known && *row != *known)
            result.Way = TNoteSaveResult::AddedTaken;
    }
    if (result.Way != TNoteSaveResult::Updated) {
        if (!tables)
            CreateMissingTables(db);
        db.RunStatement(StmtAddNote(values.Date));
        result.Id = NewNoteId(db);
    }
    TNoteValues written = values;
    written.Id = result.Id;
    db.RunStatement(ended ? StmtEndNote(written) : StmtSaveNote(written));
    if (db.Changes() != 1)
        throw ESQLiteException(QStringLiteral("The note's row could not be written"), SQLITE_NOTFOUND,
                               QStringLiteral("no row %1").arg(result.Id));
    result.Image = *RowImage(db, result.Id);
    transaction.Commit();
    return result;
}

void TNoteStore::Write(const QByteArray& sql) const
{
    TSQLiteDo store(FProgramFolder);
    TSQLiteDatabase& db = Open(store);
    TTransaction transaction(db);
    db.RunStatement(sql);
    transaction.Commit();
}

TRowImage TNoteStore::ReopenNote(qint32 id) const
{
    TSQLiteDo store(FProgramFolder);
    TSQLiteDatabase& db = Open(store);
    TTransaction transaction(db);
    db.RunStatement(StmtReopenNote(id));
    const std::optional<TRowImage> image = RowImage(db, id);
    transaction.Commit();
    return image.value_or(TRowImage{});
}

void TNoteStore::RemoveNote(qint32 id) const
{
    TSQLiteDo store(FProgramFolder);
    TSQLiteDatabase& db = Open(store);
    TTransaction transaction(db);
    db.RunStatement(StmtCreateRemoved);
    db.RunStatement(StmtDropRemoved(id));
    db.RunStatement(StmtKeepRemoved(id));
    db.RunStatement(StmtDeleteNote(id));
    transaction.Commit();
}

qint32 TNoteStore::RestoreRemovedNote(qint32 id) const
{
    TSQLiteDo store(FProgramFolder);
    TSQLiteDatabase& db = Open(store);
    TTransaction transaction(db);
    const bool taken = RowImage(db, id).has_value();
    db.RunStatement(StmtPutBackRemoved(id, !taken));
    if (db.Changes() != 1)
        throw ESQLiteException(QStringLiteral("The removed note could not be put back"), SQLITE_NOTFOUND,
                               QStringLiteral("no removed note %1").arg(id));
    const qint32 restored = taken ? qint32(sqlite3_last_insert_rowid(db.Handle())) : id;
    db.RunStatement(StmtDropRemoved(id));
    transaction.Commit();
    return restored;
}

void TNoteStore::ForgetRemovedNotes() const
{
    TSQLiteDo store(FProgramFolder);
    ForgetRemoved(Open(store));
}

std::map<qint32, TNoteLook> TNoteStore::NoteLooks() const
{
    TSQLiteDo store(FProgramFolder);
    TSQLiteDatabase& db = Open(store);
    std::map<qint32, TNoteLook> looks;
    if (!db.HasTable("zu_note_look"))
        return looks;
    std::unique_ptr<TSQLiteTable> table = db.RunQuery(StmtLooks);
    for (table->GoFirst(); !table->AtEnd(); table->GoNext()) {
        bool ok = false;
        const int zoom = table->ValueText("zoom").toInt(&ok);
        looks[table->ValueText("note_id").toInt()] = {ok ? zoom : TNoteLook::DefaultZoom,
                                                      table->ValueText("on_top") == "1"};
    }
    return looks;
}

void TNoteStore::SaveNoteLook(qint32 id, const TNoteLook& look) const
{
    TSQLiteDo store(FProgramFolder);
    TSQLiteDatabase& db = Open(store);
    TTransaction transaction(db);
    db.RunStatement(StmtCreateLooks);
    db.RunStatement(StmtSaveLook(id, look.Zoom, look.OnTop));
    transaction.Commit();
}

std::vector<TBalloonMessage> TNoteStore::Messages() const
{
    const std::unique_ptr<TSQLiteTable> table = Query(StmtMessages);
    std::vector<TBalloonMessage> messages;
    messages.reserve(table->RowCount());
    for (table->GoFirst(); !table->AtEnd(); table->GoNext())
        messages.push_back(
            {Text(*table, "rowid"), Text(*table, "iTime"), Text(*table, "message"), Text(*table, "iday")});
    return messages;
}

void TNoteStore::AddMessage(const QString& time, const QString& message, const QString& day) const
{
    Write(StmtAddMessage(time, message, day));
}

void TNoteStore::UpdateMessage(const QString& time, const QString& message, const QString& day, qint64 id) const
{
    Write(StmtUpdateMessage(time, message, day, id));
}

void TNoteStore::RemoveMessage(qint64 id) const
{
    Write(StmtDeleteMessage(id));
}

std::map<qint32, TNoteLook> NoteLooksOrDefaults(const TNoteStore& store)
{
    try {
        return store.NoteLooks();
    } catch (const Exception& e) {
        qWarning("how the notes are shown could not be read: %s", e.what());
        return {};
    }
}

QString StoreFailureText(const Exception& error, const QString& storePath)
{
    const auto* sqlite = dynamic_cast<const ESQLiteException*>(&error);
    if (!sqlite)
        return error.Message();
    return QStringLiteral("%1\n保存先: %2").arg(sqlite->Reason(), QDir::toNativeSeparators(storePath));
}
