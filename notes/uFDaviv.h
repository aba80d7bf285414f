#pragma once

#include <QDate>
#include <QList>
#include <QWidget>

#include <memory>

class QLabel;
class QMenu;
class QTimer;
class TDesktop;
class TRichEdit;
struct TNoteValues;
namespace Ui
{
class frmDaviv;
}

// One sticky note: a borderless, semi-transparent window in the note's colour that saves its
// record to its row whenever it moves and whenever the pointer leaves its editor.
class TfrmDaviv : public QWidget
{
    Q_OBJECT

public:
    static constexpr int DefaultAlpha = 200;
    static constexpr int HalfAlpha = 125;
    static constexpr int DesignWidth = 271;
    static constexpr int DesignHeight = 71;

    // Built hidden; owner destroys it (a top-level window of its own, not hidden with the owner).
    TfrmDaviv(TDesktop& desktop, QWidget* owner);
    ~TfrmDaviv() override;

    // The note record.
    void SaveNote();
    void SetToday();
    void SetNoteDate(const QDate& date);
    void SetNoteId(qint32 id);
    void SetTermFlag(bool term);
    void SetVisibleFlag(bool visible);
    QDate NoteDate() const { return FNoteDate; }
    qint32 NoteId() const { return FNoteId; }
    bool TermFlag() const { return FTermFlag; }
    bool VisibleFlag() const { return FVisibleFlag; }

    // What creators set before the first show.
    void SetBounds(int left, int top, int width, int height);
    void SetColor(quint32 color); // window and date strip, 0x00BBGGRR
    quint32 Color() const { return FColor; }
    void SetMemoColor(quint32 color);   // the editor's background
    void SetAlphaBlendValue(int alpha); // 0..255, whole-window opacity
    int AlphaBlendValue() const { return FAlpha; }
    // The editor's whole text; line breaks may be CR LF, LF or CR.
    void SetMemoText(const QString& text);
    // The editor's lines, each followed by CR LF; lines made only by wrapping do not count.
    QString MemoText() const;

    TRichEdit* RichEdMemo() const;
    QLabel* Label1() const;
    QMenu* PopupMenu1() const { return FPopupMenu1; }

    // The context menu's commands.
    void btnHideClick();
    void H2Click();
    void E1Click();
    bool TaskEnding() const { return FTaskEnding; }

    // The transparencies a task-end fade steps through, from the given start.
    static QList<int> FadeSteps(int from);

Q_SIGNALS:
    // The fade is over, the window hidden and the ended record written.
    void TaskEnded();

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void RichEdMemoLinkPressed(int start, int end);
    void FadeStep();
    void WriteEndedRecord();
    TNoteValues CurrentValues() const;
    void Execute(const QByteArray& statement);

    TDesktop& FDesktop;
    std::unique_ptr<Ui::frmDaviv> ui;
    QMenu* FPopupMenu1 = nullptr;
    quint32 FColor = 0xFFFFFF;
    int FAlpha = DefaultAlpha;
    bool FTaskEnding = false;
    QTimer* FFadeTimer = nullptr;
    QList<int> FFadeSteps;
    qsizetype FFadeIndex = 0;

    // A move or resize of our own, where the window system does not do it.
    bool FDragging = false;
    Qt::Edges FDragEdges;
    QPoint FDragStart;
    QRect FDragGeometry;
    // Where the window was last seen, so that a move event without a change saves nothing.
    QPoint FLastPos;

    QDate FNoteDate;
    qint32 FNoteId = 0;
    bool FTermFlag = false;
    bool FVisibleFlag = false;
};

// The template note window: never shown; every save writes its transparency.
extern TfrmDaviv* frmDaviv;
