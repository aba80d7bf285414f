#include "gui/NoteList.h"

#include "core/NoteStore.h"
#include "core/NoteText.h"
#include "core/StoreText.h"
#include "gui/DialogTheme.h"
#include "gui/ErrorReport.h"
#include "gui/NoteRegistry.h"
#include "gui/NoteWindow.h"

#include "ui_NoteList.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QShortcut>
#include <QShowEvent>

#include <algorithm>

namespace {

enum Column { ColDay, ColNote, ColState, ColId };

// The note id a row stands for.
constexpr int IdRole = Qt::UserRole;

} // namespace

QString noteStateWord(bool isOpen)
{
    return isOpen ? QCoreApplication::translate("NoteList", "継続") : QCoreApplication::translate("NoteList", "終了");
}

QString noteCellText(const QString& note)
{
    // Only the start is read: the view lays a cell's whole text out at every measure and paint,
    // which for a pasted file of megabytes takes minutes.
    const QStringView start = textStart(note, CellTextLength);
    const QStringView rest = QStringView(note).sliced(start.size());
    bool cut = !rest.isEmpty() && rest != u"\r\n" && rest != u"\n" && rest != u"\r";
    QString text = start.toString();
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // The break after the last line a cell shows.
    qsizetype lastBreak = -1;
    for (int line = 0; line < CellTextLines; ++line) {
        lastBreak = text.indexOf(QLatin1Char('\n'), lastBreak + 1);
        if (lastBreak < 0)
            break;
    }
    if (lastBreak >= 0 && lastBreak + 1 < text.size()) {
        text.truncate(lastBreak);
        cut = true;
    }
    if (cut)
        return text + QChar(0x2026);
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

NoteList::NoteList(const NoteStore& store, NoteRegistry& notes, ErrorReport& report, QWidget* parent)
    : QDialog(parent), m_store(store), m_notes(notes), m_report(report), m_ui(std::make_unique<Ui::NoteList>())
{
    m_ui->setupUi(this);
    followDarkTheme(this);
    move(0, 0);
    m_ui->notesView->setColumnWidth(ColDay, 80);
    m_ui->notesView->setColumnWidth(ColNote, 250);
    m_ui->notesView->setColumnWidth(ColState, 55);

    connect(m_ui->reshowButton, &QPushButton::clicked, this, guarded(m_report, [this] { reshowNote(); }));
    connect(m_ui->removeButton, &QPushButton::clicked, this, guarded(m_report, [this] { removeSelectedNote(); }));

    // The search field (Ctrl+F takes the cursor there), a double click to bring a note back,
    // sorting by a column's header, and taking a removal back.
    connect(m_ui->searchEdit, &QLineEdit::textChanged, this, &NoteList::applySearch);
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        m_ui->searchEdit->setFocus();
        m_ui->searchEdit->selectAll();
    });
    connect(m_ui->notesView, &QTreeWidget::itemDoubleClicked, this, guarded(m_report, [this] { reshowNote(); }));
    m_ui->notesView->header()->setSectionsClickable(true);
    connect(m_ui->notesView->header(), &QHeaderView::sectionClicked, this, &NoteList::sortBy);
    connect(m_ui->undoButton, &QPushButton::clicked, this, guarded(m_report, [this] { undoRemove(); }));
    auto* undo = new QShortcut(QKeySequence::Undo, this);
    connect(undo, &QShortcut::activated, this, guarded(m_report, [this] { undoRemove(); }));
}

NoteList::~NoteList()
{
    // The rows are the list's own; the view must not delete them as it goes.
    m_ui->notesView->invisibleRootItem()->takeChildren();
}

void NoteList::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The window system's own show (after mapping, on restore) is not a new showing.
    if (!event->spontaneous())
        prepareForShowing();
}

void NoteList::prepareForShowing()
{
    // The last search stays, selected: the list says how many rows it shows, and the first key
    // typed starts a new search.
    if (loadNotes()) {
        m_ui->searchEdit->setFocus();
        m_ui->searchEdit->selectAll();
    }
}

// Removals can be taken back only while the list is open.
void NoteList::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (m_removed.isEmpty())
        return;
    m_removed.clear();
    m_ui->undoButton->setEnabled(false);
    if (const StoreResult<> forgotten = m_store.forgetRemovedNotes(); !forgotten)
        qWarning("removed notes not forgotten: %s", qUtf8Printable(forgotten.error().message()));
}

bool NoteList::loadNotes()
{
    const StoreResult<std::vector<NoteListRow>> stored = m_store.noteList();
    if (!stored) {
        m_report.show(stored.error().message());
        return false;
    }
    std::vector<Row> rows;
    rows.reserve(stored->size());
    for (const NoteListRow& note : *stored) {
        auto item = std::make_unique<QTreeWidgetItem>();
        item->setText(ColDay, note.day);
        item->setText(ColNote, noteCellText(note.text));
        item->setText(ColState, noteStateWord(note.isOpen));
        item->setText(ColId, QString::number(note.id));
        item->setData(ColId, IdRole, note.id);
        rows.push_back({note.id, std::move(item), foldNoteForSearch(note.day, note.text)});
    }
    // The view lets go of the old rows before they go.
    m_ui->notesView->invisibleRootItem()->takeChildren();
    m_selected = nullptr;
    m_rows = std::move(rows);
    sortRows();
    m_applied.reset();
    applySearch();
    return true;
}

void NoteList::applySearch()
{
    const SearchQuery query(m_ui->searchEdit->text());
    // Typing on can only hide rows, and taking characters back only show them again: the rows
    // that cannot change are not searched.
    const bool onlyHide = m_applied && query.narrows(*m_applied);
    const bool onlyShow = m_applied && m_applied->narrows(query);
    bool changed = !m_applied;
    for (Row& row : m_rows) {
        if (row.shown ? onlyShow : onlyHide)
            continue;
        const bool shown = query.matches(row.folded);
        changed |= shown != row.shown;
        row.shown = shown;
    }
    m_applied = query;
    if (changed)
        showRows();
}

// The view holds only the rows the search shows, put in at once: hiding rows one by one costs
// the view a lookup for each at every layout, too slow for 100,000 rows at each keystroke.
void NoteList::showRows()
{
    QTreeWidget* view = m_ui->notesView;
    // A selected row stays selected while the search hides it, and is selected again when it
    // shows; the buttons act on it only while it shows.
    if (QTreeWidgetItem* selected = view->selectedItems().value(0))
        m_selected = selected;
    else if (m_selected && m_selected->treeWidget())
        m_selected = nullptr;
    view->invisibleRootItem()->takeChildren();
    QList<QTreeWidgetItem*> shown;
    for (const Row& row : m_rows)
        if (row.shown)
            shown << row.item.get();
    view->addTopLevelItems(shown);
    if (m_selected && m_selected->treeWidget())
        view->setCurrentItem(m_selected);
    m_ui->countLabel->setText(QStringLiteral("%1 / %2").arg(shown.size()).arg(m_rows.size()));
}

void NoteList::sortRows()
{
    if (m_sortColumn < 0)
        return;
    const int column = m_sortColumn;
    const auto less = [column](const Row& a, const Row& b) {
        if (column == ColId)
            return a.id < b.id;
        return a.item->text(column) < b.item->text(column);
    };
    if (m_sortOrder == Qt::AscendingOrder)
        std::stable_sort(m_rows.begin(), m_rows.end(), less);
    else
        std::stable_sort(m_rows.begin(), m_rows.end(), [&less](const Row& a, const Row& b) { return less(b, a); });
}

// A first click on a column's header sorts by it; another reverses the order.
void NoteList::sortBy(int column)
{
    m_sortOrder =
        column == m_sortColumn && m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sortColumn = column;
    m_ui->notesView->header()->setSortIndicatorShown(true);
    m_ui->notesView->header()->setSortIndicator(column, m_sortOrder);
    sortRows();
    showRows();
}

void NoteList::undoRemove()
{
    if (m_removed.isEmpty())
        return;
    const Removed removed = m_removed.last();
    const StoreResult<qint32> id = m_store.restoreRemovedNote(removed.id);
    if (!id) {
        m_report.show(id.error().message());
        return;
    }
    m_removed.removeLast();
    m_ui->undoButton->setEnabled(!m_removed.isEmpty());
    if (removed.window && !bringBack(*id, removed))
        return;
    loadNotes();
}

// The window of a note that was open when it was removed comes back as it was, one of the
// program's notes like those restored at start.
bool NoteList::bringBack(qint32 id, const Removed& removed)
{
    const StoreResult<std::optional<StoredNote>> stored = m_store.note(id);
    if (!stored) {
        m_report.show(stored.error().message());
        return false;
    }
    if (!*stored)
        return true;
    const RemovedWindow& was = *removed.window;
    NoteOpening opening{.way = NoteOpening::BroughtBack,
                        .note = (*stored)->note,
                        .row = (*stored)->image,
                        .look = was.look,
                        .shown = was.shown,
                        .formerId = removed.id};
    opening.note.bounds = was.bounds;
    opening.note.color = was.color;
    opening.note.alpha = was.alpha;
    m_notes.open(opening);
    return true;
}

std::optional<qint32> NoteList::selectedNoteId() const
{
    // The view holds only the rows the search shows.
    const QList<QTreeWidgetItem*> selected = m_ui->notesView->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    return selected.front()->data(ColId, IdRole).toInt();
}

void NoteList::reshowNote()
{
    const std::optional<qint32> selected = selectedNoteId();
    if (!selected)
        return;
    const qint32 id = *selected;

    // A note has one window: an open one comes to the front, shown again if it was hidden.
    if (NoteWindow* open = m_notes.find(id)) {
        if (!open->isVisible())
            open->showAgain();
        open->raise();
        open->activateWindow();
        loadNotes();
        return;
    }
    const StoreResult<std::optional<StoredNote>> stored = m_store.note(id);
    if (!stored) {
        m_report.show(stored.error().message());
        return;
    }
    if (*stored) {
        const std::map<qint32, NoteLook> looks = noteLooksOrDefaults(m_store);
        const auto look = looks.find(id);
        NoteOpening opening{.way = NoteOpening::Reopened,
                            .note = (*stored)->note,
                            .row = (*stored)->image,
                            .look = look != looks.end() ? look->second : NoteLook{}};
        opening.note.isOpen = true;
        m_notes.open(opening);
    }
    loadNotes();
}

void NoteList::removeSelectedNote()
{
    const std::optional<qint32> selected = selectedNoteId();
    if (!selected)
        return;
    const qint32 id = *selected;

    if (const StoreResult<> removedRow = m_store.removeNote(id); !removedRow) {
        m_report.show(removedRow.error().message());
        return;
    }
    Removed removed{id, std::nullopt};
    // Its window goes without a save, which would only put the row back.
    if (NoteWindow* open = m_notes.find(id)) {
        removed.window =
            RemovedWindow{open->isVisible(), open->currentNote().bounds, open->color(), open->alpha(), open->look()};
        m_notes.discard(open);
    }
    m_removed << removed;
    m_ui->undoButton->setEnabled(true);
    loadNotes();
}
