#pragma once

#include "store/NoteRecord.h"

#include <QDialog>
#include <QRect>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class TDesktop;
class TfrmDaviv;
class TNoteStore;
namespace Ui {
class frmList;
}

// Every note in the store with its date, text and state; brings a note back onto the desktop
// ("再表示") or deletes it ("削除").
class TfrmList : public QDialog {
    Q_OBJECT

public:
    TfrmList(TDesktop& desktop, const TNoteStore& store, QWidget* parent = nullptr);
    ~TfrmList() override;

    void LoadNoteList();

    // The note windows that re-show opened.
    QList<TfrmDaviv*> NoteWindows;

    void btnreviewClick();
    void btnremoveClick();
    // Beyond the two buttons: puts the last removed note back while the list is open.
    void UndoRemoveClick();
    // Shows only the notes whose date or text holds every word of the search field.
    void ApplySearch();
    void SortBy(int column);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // How a removed note's window was, so that taking the removal back brings it back so.
    struct TRemovedWindow {
        bool Shown = false;
        QRect Bounds;
        quint32 Color = 0;
        int Alpha = 0;
        TNoteLook Look;
    };
    struct TRemoved {
        qint32 Id = 0;
        std::optional<TRemovedWindow> Window;
    };

    void FormShow();
    // The id text of the selected item that the search shows; none when there is no such item.
    std::optional<QString> SelectedNoteId() const;
    TfrmDaviv* OpenWindowOf(qint32 id) const;
    void BringBack(qint32 id, const TRemoved& removed);

    TDesktop& FDesktop;
    const TNoteStore& FStore;
    std::unique_ptr<Ui::frmList> ui;
    // The notes removed while the list is open, the last one last.
    QList<TRemoved> FRemoved;
    std::vector<QString> FFolded;
    std::vector<bool> FShown;
    int FSortColumn = -1;
    Qt::SortOrder FSortOrder = Qt::AscendingOrder;
};

// The state word of a note's term text: only "0" is a note that was ended.
QString NoteStateWord(const QByteArray& term);
// A note text as one cell shows it: every stored line break made one line break, and the
// break that ends the last line dropped.
QString NoteCellText(const QString& note);

extern TfrmList* frmList;
