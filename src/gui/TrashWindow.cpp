#include "gui/TrashWindow.h"

#include "platform/WindowSystem.h"

#include "ui_TrashWindow.h"

#include <QShowEvent>

TrashWindow::TrashWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_ui(std::make_unique<Ui::TrashWindow>())
{
    m_ui->setupUi(this);
    setBackgroundRole(QPalette::Button);
}

TrashWindow::~TrashWindow() = default;

void TrashWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        keepOutOfTaskbar(this);
}
