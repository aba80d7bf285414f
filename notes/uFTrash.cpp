#include "notes/uFTrash.h"

#include "shell/ErrorReport.h"
#include "platform/WindowSystem.h"
#include "ui_frmTrash.h"

#include <QMessageBox>
#include <QShowEvent>

TfrmTrash* frmTrash = nullptr;

TfrmTrash::TfrmTrash(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), ui(std::make_unique<Ui::frmTrash>())
{
    ui->setupUi(this);
    setBackgroundRole(QPalette::Button);
}

TfrmTrash::~TfrmTrash()
{
    if (frmTrash == this)
        frmTrash = nullptr;
}

void TfrmTrash::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        KeepOutOfTaskbar(this);
}

void TfrmTrash::FormDockDrop()
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(ApplicationTitle), QStringLiteral("Dock Drop"),
                    QMessageBox::Ok, this);
    box.exec();
}
