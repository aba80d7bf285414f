#include "list/uFList.h"

#include "notes/uFDaviv.h"
#include "controls/DialogPalette.h"
#include "platform/Desktop.h"
#include "shell/ErrorReport.h"
#include "platform/Exception.h"
#include "platform/StoreText.h"
#include "shell/uFMain.h"
#include "store/NoteStore.h"
#include "ui_frmList.h"

#include "list/SearchText.h"

#include <QHeaderView>
#include <QShortcut>
#include <QShowEvent>

TfrmList* frmList = nullptr;

namespace {

enum TColumn { ColDay, ColNote, ColState, ColId };

// What the search compares: the date and the text, folded once when the row is loaded.
constexpr int SearchRole = Qt::UserRole;

// A row that sorts its id column by number.
class TNoteItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        if (column == ColId)
            return text(ColId).toLongLong() < other.text(ColId).toLongLong();
        return QTreeWidgetItem::operator<(other);
    }
};

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

    // Beyond the two buttons: the search field, a double click to bring a note back, sorting by
    // a column's header, and taking a removal back.
    connect(ui->SearchEdit, &QLineEdit::textChanged, this, &TfrmList::ApplySearch);
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        ui->SearchEdit->setFocus();
        ui->SearchEdit->selectAll();
    });
    connect(ui->ListVwLg, &QTreeWidget::itemDoubleClicked, this, Guarded([this] { btnreviewClick(); }));
    ui->ListVwLg->header()->setSectionsClickable(true);
    connect(ui->ListVwLg->header(), &QHeaderView::sectionClicked, this, &TfrmList::SortBy);
    connect(ui->btnundo, &QPushButton::clicked, this, Guarded([this] { UndoRemoveClick(); }));
    auto* undo = new QShortcut(QKeySequence::Undo, this);
    connect(undo, &QShortcut::activated, this, Guarded([this] { UndoRemoveClick(); }));
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
    ui->SearchEdit->setFocus();
}

// Removals can be taken back only while the list is open.
void TfrmList::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (FRemoved.isEmpty())
        return;
    FRemoved.clear();
    ui->btnundo->setEnabled(false);
    try {
        FStore.ForgetRemovedNotes();
    } catch (const Exception& e) {
        qWarning("removed notes not forgotten: %s", e.what());
    }
}

void TfrmList::LoadNoteList()
{
    const std::vector<TNoteListRow> rows = FStore.NoteList();
    ui->ListVwLg->clear();
    for (const TNoteListRow& row : rows) {
        auto* item = new TNoteItem(ui->ListVwLg);
        item->setText(ColDay, row.Day);
        item->setText(ColNote, NoteCellText(row.Text));
        item->setText(ColState, NoteStateWord(row.Term));
        item->setText(ColId, row.Id);
        item->setData(ColNote, SearchRole, FoldForSearch(row.Day + QLatin1Char(' ') + row.Text));
    }
    if (FSortColumn >= 0)
        ui->ListVwLg->sortItems(FSortColumn, FSortOrder);
    FFolded.clear();
    ApplySearch();
}

void TfrmList::ApplySearch()
{
    const QString query = FoldForSearch(ui->SearchEdit->text());
    QTreeWidget* list = ui->ListVwLg;
    // The rows' folded texts and what each row shows, by row number, kept beside the list: an
    // item's own isHidden() and setHidden() first look for its row among all rows. Made again
    // when the rows were loaded or moved.
    if (FFolded.size() != size_t(list->topLevelItemCount())) {
        FFolded.clear();
        FShown.clear();
        for (int row = 0; row < list->topLevelItemCount(); ++row) {
            FFolded.push_back(list->topLevelItem(row)->data(ColNote, SearchRole).toString());
            FShown.push_back(!list->isRowHidden(row, QModelIndex()));
        }
    }
    for (size_t row = 0; row < FFolded.size(); ++row) {
        const bool shown = MatchesSearch(FFolded[row], query);
        if (FShown[row] != shown) {
            FShown[row] = shown;
            list->setRowHidden(int(row), QModelIndex(), !shown);
        }
    }
}

// A first click on a column's header sorts by it; another reverses the order.
void TfrmList::SortBy(int column)
{
    FSortOrder = column == FSortColumn && FSortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    FSortColumn = column;
    ui->ListVwLg->header()->setSortIndicatorShown(true);
    ui->ListVwLg->header()->setSortIndicator(column, FSortOrder);
    ui->ListVwLg->sortItems(column, FSortOrder);
    // The rows moved, their hidden state with them; the next search reads them again.
    FFolded.clear();
}

void TfrmList::UndoRemoveClick()
{
    if (FRemoved.isEmpty())
        return;
    const TRemoved removed = FRemoved.last();
    const qint32 id = FStore.RestoreRemovedNote(removed.Id);
    FRemoved.removeLast();
    ui->btnundo->setEnabled(!FRemoved.isEmpty());
    if (removed.Window)
        BringBack(id, removed);
    LoadNoteList();
}

// The window of a note that was open when it was removed comes back as it was, one of the
// program's notes like those restored at start.
void TfrmList::BringBack(qint32 id, const TRemoved& removed)
{
    const std::optional<TStoredNote> stored = FStore.Note(id);
    if (!stored)
        return;
    const TRemovedWindow& was = *removed.Window;
    auto* note = new TfrmDaviv(FDesktop, FStore, frmMain ? static_cast<QWidget*>(frmMain) : this);
    note->SetRecord(*stored);
    note->SetBounds(was.Bounds.x(), was.Bounds.y(), was.Bounds.width(), was.Bounds.height());
    note->SetColor(was.Color);
    note->SetMemoColor(was.Color);
    note->SetAlphaBlendValue(was.Alpha);
    note->SetLook(was.Look);
    // Put back under a new id, the note takes its look along.
    if (id != removed.Id && was.Look != TNoteLook{}) {
        try {
            FStore.SaveNoteLook(id, was.Look);
        } catch (const Exception& e) {
            qWarning("how note %d is shown was not stored: %s", id, e.what());
        }
    }
    if (frmMain)
        frmMain->NoteWindows.append(note);
    else
        NoteWindows.append(note);
    if (was.Shown) {
        note->KeepReachable();
        note->show();
    }
    // The row takes what the window kept beyond it (a resize not yet saved, say).
    note->SaveNote();
}

std::optional<QString> TfrmList::SelectedNoteId() const
{
    int count = 0;
    QString id;
    // A row the search hides stays selected, but the user no longer sees it.
    for (int i = ui->ListVwLg->topLevelItemCount() - 1; i >= 0; --i) {
        const QTreeWidgetItem* item = ui->ListVwLg->topLevelItem(i);
        if (item->isSelected() && !ui->ListVwLg->isRowHidden(i, QModelIndex())) {
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
            open->ShowAgain();
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
        const std::map<qint32, TNoteLook> looks = NoteLooksOrDefaults(FStore);
        if (const auto look = looks.find(id); look != looks.end())
            note->SetLook(look->second);
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
    TRemoved removed{id, std::nullopt};
    // Its window goes without a save, which would only put the row back.
    if (TfrmDaviv* open = OpenWindowOf(id)) {
        const TNoteValues values = open->CurrentValues();
        removed.Window = TRemovedWindow{open->isVisible(), QRect(values.X, values.Y, values.Width, values.Height),
                                        open->Color(), open->AlphaBlendValue(), open->Look()};
        if (frmMain)
            frmMain->DiscardNoteWindow(open);
        else {
            NoteWindows.removeOne(open);
            open->Discard();
        }
    }
    FRemoved << removed;
    ui->btnundo->setEnabled(true);
    LoadNoteList();
}
