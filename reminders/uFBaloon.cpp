#include "reminders/uFBaloon.h"

#include "controls/DialogPalette.h"
#include "platform/Desktop.h"
#include "shell/ErrorReport.h"
#include "platform/StoreText.h"
#include "store/NoteStore.h"
#include "ui_frmBaloon.h"

#include <QShowEvent>

TfrmBaloon* frmBaloon = nullptr;

namespace {

enum TColumn { ColDay, ColTime, ColMessage, ColId };

qint64 MessageIdValue(const QString& id)
{
    bool ok = false;
    const qint64 value = id.toLongLong(&ok);
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(id));
    return value;
}

} // namespace

TfrmBaloon::TfrmBaloon(TDesktop& desktop, const TNoteStore& store, QWidget* parent)
    : QDialog(parent), FDesktop(desktop), FStore(store), ui(std::make_unique<Ui::frmBaloon>())
{
    ui->setupUi(this);
    FollowDarkTheme(this);
    move(0, 0);
    ui->ListVwLg->setColumnWidth(ColDay, 70);
    ui->ListVwLg->setColumnWidth(ColTime, 55);
    ui->ListVwLg->setColumnWidth(ColMessage, 300);
    ui->cxTimeEdit1->setTime(QTime(12, 0));
    ui->EditMemo->installEventFilter(this);
    ui->cxTimeEdit1->installEventFilter(this);

    connect(ui->ListVwLg, &TReportList::Clicked, this, Guarded([this] { ListVwLgClick(); }));
    connect(ui->Btnadd, &QPushButton::clicked, this, Guarded([this] { BtnaddClick(); }));
    connect(ui->Btnupdate, &QPushButton::clicked, this, Guarded([this] { BtnupdateClick(); }));
    connect(ui->Btndelete, &QPushButton::clicked, this, Guarded([this] { BtndeleteClick(); }));
}

TfrmBaloon::~TfrmBaloon() = default;

void TfrmBaloon::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The window system's own show (after mapping, on restore) is not a new showing.
    if (!event->spontaneous())
        FormShow();
}

bool TfrmBaloon::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == ui->EditMemo)
            FDesktop.RequestHiragana(ui->EditMemo);
        else if (watched == ui->cxTimeEdit1)
            FDesktop.SwitchInputMethodOff(ui->cxTimeEdit1);
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmBaloon::FormShow()
{
    LoadMessageList();
    ui->cxDateEdit1->SetDate(FDesktop.Today());
}

void TfrmBaloon::LoadMessageList()
{
    const std::vector<TBalloonMessage> messages = FStore.Messages();
    ui->ListVwLg->clear();
    for (const TBalloonMessage& message : messages) {
        auto* item = new QTreeWidgetItem(ui->ListVwLg);
        item->setText(ColDay, message.Day);
        item->setText(ColTime, message.Time);
        item->setText(ColMessage, message.Message);
        item->setText(ColId, message.Id);
    }
}

void TfrmBaloon::ListVwLgClick()
{
    FSelectedMessageId.clear();
    for (int i = ui->ListVwLg->topLevelItemCount() - 1; i >= 0; --i) {
        const QTreeWidgetItem* item = ui->ListVwLg->topLevelItem(i);
        if (!item->isSelected())
            continue;
        // Both texts are read before any field changes, so a row that does not read leaves
        // the fields as they were instead of half taken.
        const QDate date = StrToDate(item->text(ColDay));
        const QTime time = StrToTime(item->text(ColTime));
        ui->cxDateEdit1->SetDate(date);
        ui->cxTimeEdit1->setTime(time);
        ui->EditMemo->setText(item->text(ColMessage));
        FSelectedMessageId = item->text(ColId);
    }
}

void TfrmBaloon::BtnaddClick()
{
    if (ui->EditMemo->text().isEmpty())
        return;
    const std::optional<QDate> date = ui->cxDateEdit1->CheckedDate();
    if (!date)
        return;
    const QString timeText = FormatStoreTime(ui->cxTimeEdit1->time());
    const QString dateText = FormatStoreDate(*date);

    FStore.AddMessage(timeText, ui->EditMemo->text(), dateText);
    LoadMessageList();
}

void TfrmBaloon::BtnupdateClick()
{
    if (FSelectedMessageId.isEmpty() || ui->EditMemo->text().isEmpty())
        return;
    const std::optional<QDate> date = ui->cxDateEdit1->CheckedDate();
    if (!date)
        return;
    const QString timeText = FormatStoreTime(ui->cxTimeEdit1->time());
    const QString dateText = FormatStoreDate(*date);
    const qint64 id = MessageIdValue(FSelectedMessageId);

    FStore.UpdateMessage(timeText, ui->EditMemo->text(), dateText, id);
    LoadMessageList();
}

void TfrmBaloon::BtndeleteClick()
{
    if (FSelectedMessageId.isEmpty())
        return;
    const qint64 id = MessageIdValue(FSelectedMessageId);

    FStore.RemoveMessage(id);
    LoadMessageList();
}
