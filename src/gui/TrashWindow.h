#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class TrashWindow;
}

// The program's mark "ZU" in a small borderless window. It is built hidden at start and nothing
// shows it, docks onto it or opens its menu, whose one item is bound to no command.
class TrashWindow : public QWidget {
    Q_OBJECT

public:
    explicit TrashWindow(QWidget* parent = nullptr);
    ~TrashWindow() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TrashWindow> m_ui;
};
