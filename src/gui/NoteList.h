#pragma once

#include "core/NoteTypes.h"
#include "core/SearchText.h"

#include <QDialog>
#include <QRect>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class ErrorReport;
class NoteRegistry;
class NoteWindow;
class QTreeWidgetItem;
class NoteStore;
namespace Ui {
class NoteList;
}

// Every note in the store with its date, text and state; brings a note back onto the desktop
// ("再表示") or deletes it ("削除").
class NoteList : public QDialog {
    Q_OBJECT

public:
    NoteList(const NoteStore& store, NoteRegistry& notes, ErrorReport& report, QWidget* parent = nullptr);
    ~NoteList() override;

    // Fills the list from the store; a store that cannot be read is reported, and the list stays.
    bool loadNotes();

    void reshowNote();
    void removeSelectedNote();
    // Puts the last removed note back while the list is open (its button, or Ctrl+Z).
    void undoRemove();
    // Shows only the notes whose date or text holds every word of the search field.
    void applySearch();
    void sortBy(int column);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // How a removed note's window was, so that taking the removal back brings it back so.
    struct RemovedWindow {
        bool shown = false;
        QRect bounds;
        quint32 color = 0;
        int alpha = 0;
        NoteLook look;
    };
    struct Removed {
        qint32 id = 0;
        std::optional<RemovedWindow> window;
    };

    // A note as the list holds it, whether or not the search shows it.
    struct Row {
        qint32 id = 0;
        std::unique_ptr<QTreeWidgetItem> item;
        QString folded;
        bool shown = true;
    };

    void prepareForShowing();
    void sortRows();
    void showRows();
    // The note id of the selected item that the search shows; none when there is no such item.
    std::optional<qint32> selectedNoteId() const;
    // False when the note could not be read back, which is reported.
    bool bringBack(qint32 id, const Removed& removed);

    const NoteStore& m_store;
    NoteRegistry& m_notes;
    ErrorReport& m_report;
    std::unique_ptr<Ui::NoteList> m_ui;
    // The notes removed while the list is open, the last one last.
    QList<Removed> m_removed;
    // Every note in the store, in the list's order.
    std::vector<Row> m_rows;
    // The search the rows' shown state follows.
    std::optional<SearchQuery> m_applied;
    // The row selected last, which the search may hide.
    QTreeWidgetItem* m_selected = nullptr;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

// The state word of a note: open or ended.
QString noteStateWord(bool isOpen);
// What a cell shows of a long note: more than the list has room for at any column width.
inline constexpr qsizetype CellTextLength = 4000;
inline constexpr int CellTextLines = 100;
// A note text as one cell shows it: every stored line break made one line break, and the
// break that ends the last line dropped. Of a note beyond CellTextLength characters or
// CellTextLines lines only that start, ending in "…".
QString noteCellText(const QString& note);
