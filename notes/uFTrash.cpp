#include "notes/uFTrash.h"

#include "platform/ErrorReport.h"
#include "ui_frmTrash.h"

#include <QMessageBox>

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

void TfrmTrash::FormDockDrop()
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(ApplicationTitle), QStringLiteral("Dock Drop"),
                    QMessageBox::Ok, this);
    box.exec();
}
