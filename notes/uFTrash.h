#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class frmTrash;
}

// The program's mark "ZU" in a small borderless window. It is built hidden at start and nothing
// shows it, docks onto it or opens its menu, whose one item is bound to no command.
class TfrmTrash : public QWidget {
    Q_OBJECT

public:
    explicit TfrmTrash(QWidget* parent = nullptr);
    ~TfrmTrash() override;

    // Runs for a window docked onto this one.
    void FormDockDrop();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::frmTrash> ui;
};

extern TfrmTrash* frmTrash;
