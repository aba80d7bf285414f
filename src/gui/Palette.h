#pragma once

#include <QWidget>

#include <memory>
#include <optional>

class ErrorReport;
class QAction;
class QMenu;
class Swatch;
namespace Ui {
class Palette;
}

// The launcher palette: five colour swatches in a small borderless window. Pressing the left
// button on a swatch arms the drag-out; leaving the swatch then asks for a note of its colour.
// Its surface drags it; its context menu holds the program's commands, which the application
// carries out.
class Palette : public QWidget {
    Q_OBJECT

public:
    explicit Palette(ErrorReport& report, QWidget* parent = nullptr);
    ~Palette() override;

    // The swatches, 1 (pink) to 5 (grey).
    Swatch* swatch(int index) const;
    // The colour last pressed or clicked on a swatch; 0 before any.
    quint32 selectedColor() const { return m_selectedColor; }
    bool dragArmed() const { return m_dragArmed; }

    QMenu* menu() const { return m_menu; }
    QAction* hideAction() const;
    QAction* noteListAction() const;
    QAction* showAllNotesAction() const;
    QAction* remindersAction() const;
    QAction* quitAction() const;

    // What the swatches do: a click or double-click takes the colour; a left press also arms
    // the drag-out, and leaving a swatch while armed asks for one note.
    void takeSwatchColor(Swatch* swatch);
    void armDragOut(Swatch* swatch, Qt::MouseButton button);
    void leaveSwatch();

Q_SIGNALS:
    // The cursor left an armed swatch: a note of this colour at the cursor.
    void noteDrawnOut(quint32 color);
    // The window system asked the palette to close.
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::unique_ptr<Ui::Palette> m_ui;
    QMenu* m_menu;
    quint32 m_selectedColor = 0;
    bool m_dragArmed = false;
    std::optional<QPoint> m_dragOffset;
    QPoint m_pressedAt;
    bool m_moving = false;
};
