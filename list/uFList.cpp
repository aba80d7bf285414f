#include "list/uFList.h"

#include "notes/uFDaviv.h"
#include "controls/DialogPalette.h"
#include "platform/Desktop.h"
#include "shell/ErrorReport.h"
#include "platform/StoreText.h"
#include "shell/uFMain.h"
#include "store/NoteStore.h"
#include "ui_frmList.h"

#include <QShowEvent>

TfrmList* frmList = nullptr;

namespace {

enum TColumn { ColDay, ColNote, ColState, ColId };

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

TfrmList::TfrmList(TDesktop& desktop, const TNoteStore& store, QWidget* parent)
    : QDialog(parent), FDesktop(desktop), FStore(store), ui(std::make_unique<Ui::frmList>())
{
    ui->setupUi(this);
    FollowDarkTheme(this);
    move(0, 0);
    ui->ListVwLg->setColumnWidth(ColDay, 80);
    ui->ListVwLg->setColumnWidth(ColNote, 250);
    ui->ListVwLg->setColumnWidth(ColState, 55);

    connect(ui->btnreview, &QPushButton::clicked, this, Guarded([this] { btnreviewClick(); }));
    connect(ui->btnremove, &QPushButton::clicked, this, Guarded([this] { btnremoveClick(); }));
}

TfrmList::~TfrmList()
{
    if (frmList == this)
        frmList = nullptr;
}

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
    const std::vector<TNoteListRow> rows = FStore.NoteList();
    ui->ListVwLg->clear();
    for (const TNoteListRow& row : rows) {
        auto* item = new QTreeWidgetItem(ui->ListVwLg);
        item->setText(ColDay, row.Day);
        item->setText(ColNote, NoteCellText(row.Text));
        item->setText(ColState, NoteStateWord(row.Term));
        item->setText(ColId, row.Id);
    }
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

TfrmDaviv* TfrmList::OpenWindowOf(qint32 id) const
{
    if (frmMain)
        return frmMain->NoteWindowOf(id);
    for (TfrmDaviv* note : NoteWindows)
        if (note->NoteId() == id)
            return note;
    return nullptr;
}

void TfrmList::btnreviewClick()
{
    const std::optional<QString> selected = SelectedNoteId();
    if (!selected)
        return;
    const qint32 id = StrToInt(*selected);

    // A note has one window: an open one comes to the front, shown again if it was hidden.
    if (TfrmDaviv* open = OpenWindowOf(id)) {
        if (!open->isVisible()) {
            if (!open->TermFlag())
                open->SetAlphaBlendValue(TfrmDaviv::DefaultAlpha);
            open->KeepReachable();
            open->show();
            open->SaveNote();
        }
        open->raise();
        open->activateWindow();
        LoadNoteList();
        return;
    }
    if (const std::optional<TStoredNote> stored = FStore.Note(id)) {
        auto* note = new TfrmDaviv(FDesktop, FStore, this);
        note->SetRecord(*stored);
        note->KeepReachable();
        note->SetTermFlag(true);
        note->show();
        NoteWindows.append(note);
        // The row changes under the window: it takes the row as it is now, or saves it as open
        // itself when the store could not take the change.
        try {
            note->SetNoteRow(id, FStore.ReopenNote(id));
        } catch (const Exception& e) {
            qWarning("note %d not marked open: %s", id, e.what());
            note->SaveNote();
        }
    }
    LoadNoteList();
}

void TfrmList::btnremoveClick()
{
    const std::optional<QString> selected = SelectedNoteId();
    if (!selected)
        return;
    const qint32 id = StrToInt(*selected);

    FStore.RemoveNote(id);
    // Its window goes without a save, which would only put the row back.
    if (TfrmDaviv* open = OpenWindowOf(id)) {
        if (frmMain)
            frmMain->DiscardNoteWindow(open);
        else {
            NoteWindows.removeOne(open);
            open->Discard();
        }
    }
    LoadNoteList();
}
