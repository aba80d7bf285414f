#include "list/uFList.h"

#include "notes/uFDaviv.h"
#include "platform/Desktop.h"
#include "platform/StoreText.h"
#include "store/uSqliteDo.h"
#include "ui_frmList.h"

#include <QShowEvent>

TfrmList* frmList = nullptr;

namespace {

enum TColumn { ColDay, ColNote, ColState, ColId };

QString Text(const TSQLiteTable& table, const char* column)
{
    return DecodeStoreText(table.ValueText(column));
}

} // namespace

QString NoteStateWord(const QByteArray& term)
{
    return term == "0" ? QStringLiteral("終了") : QStringLiteral("継続");
}

QString NoteCellText(const QString& note)
{
    QString text = note;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

TfrmList::TfrmList(TDesktop& desktop, QWidget* parent)
    : QDialog(parent), FDesktop(desktop), ui(std::make_unique<Ui::frmList>())
{
    ui->setupUi(this);
    move(0, 0);
    ui->ListVwLg->setColumnWidth(ColDay, 80);
    ui->ListVwLg->setColumnWidth(ColNote, 250);
    ui->ListVwLg->setColumnWidth(ColState, 55);

    connect(ui->btnreview, &QPushButton::clicked, this, &TfrmList::btnreviewClick);
    connect(ui->btnremove, &QPushButton::clicked, this, &TfrmList::btnremoveClick);
}

TfrmList::~TfrmList() = default;

void TfrmList::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The window system's own show (after mapping, on restore) is not a new showing.
    if (!event->spontaneous())
        FormShow();
}

void TfrmList::FormShow()
{
    LoadNoteList();
}

void TfrmList::LoadNoteList()
{
    TSQLiteDo store(FDesktop.ProgramFolder());
    TSQLiteDatabase& db = store.OpenStore(QString::fromLatin1(StoreFileName));
    ui->ListVwLg->clear();
    std::unique_ptr<TSQLiteTable> table = db.RunQuery(StmtNoteList);
    for (table->GoFirst(); !table->AtEnd(); table->GoNext()) {
        auto* item = new QTreeWidgetItem(ui->ListVwLg);
        item->setText(ColDay, Text(*table, "f_day"));
        item->setText(ColNote, NoteCellText(Text(*table, "note")));
        item->setText(ColState, NoteStateWord(table->ValueText("term")));
        item->setText(ColId, Text(*table, "rowid"));
    }
    table.reset();
    store.CloseStore();
}

std::optional<QString> TfrmList::SelectedNoteId() const
{
    int count = 0;
    QString id;
    for (int i = ui->ListVwLg->topLevelItemCount() - 1; i >= 0; --i) {
        const QTreeWidgetItem* item = ui->ListVwLg->topLevelItem(i);
        if (item->isSelected()) {
            id = item->text(ColId);
            ++count;
        }
    }
    if (count == 0)
        return std::nullopt;
    return id;
}

void TfrmList::btnreviewClick()
{
    const std::optional<QString> selected = SelectedNoteId();
    if (!selected)
        return;
    const qint32 id = StrToInt(*selected);

    TSQLiteDo store(FDesktop.ProgramFolder());
    TSQLiteDatabase& db = store.OpenStore(QString::fromLatin1(StoreFileName));
    std::unique_ptr<TSQLiteTable> table = db.RunQuery(StmtNoteById(id));
    for (table->GoFirst(); !table->AtEnd(); table->GoNext()) {
        // Held here until shown: a value that does not read destroys the window unseen.
        auto note = std::make_unique<TfrmDaviv>(FDesktop, this);
        note->SetNoteDate(StrToDate(Text(*table, "f_day")));
        note->SetMemoText(Text(*table, "note"));
        note->SetBounds(StrToInt(Text(*table, "xpos")), StrToInt(Text(*table, "ypos")), StrToInt(Text(*table, "width")),
                        StrToInt(Text(*table, "height")));
        note->SetTermFlag(true);
        note->SetVisibleFlag(StrToBool(Text(*table, "visible")));
        const quint32 color = static_cast<quint32>(StrToInt(Text(*table, "color")));
        note->SetColor(color);
        note->SetAlphaBlendValue(StrToInt(Text(*table, "alpha")));
        note->SetNoteId(StrToInt(Text(*table, "rowid")));
        note->SetMemoColor(color);
        note->show();
        // From here the list window owns it as its child.
        note.release();
    }
    store.ExecuteInTransaction(StmtReopenNote(id));
    table.reset();
    store.CloseStore();
    LoadNoteList();
}

void TfrmList::btnremoveClick()
{
    const std::optional<QString> selected = SelectedNoteId();
    if (!selected)
        return;
    const qint32 id = StrToInt(*selected);

    ExecuteInStore(FDesktop.ProgramFolder(), StmtDeleteNote(id));
    LoadNoteList();
}
