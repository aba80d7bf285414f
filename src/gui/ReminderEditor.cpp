#include "gui/ReminderEditor.h"

#include "core/NoteStore.h"
#include "gui/DialogTheme.h"
#include "gui/ErrorReport.h"
#include "platform/Desktop.h"

#include "ui_ReminderEditor.h"

#include <QShowEvent>

namespace {

enum Column { ColDay, ColTime, ColMessage, ColId };

// Which of the reminders read a row stands for.
constexpr int IndexRole = Qt::UserRole;

} // namespace

ReminderEditor::ReminderEditor(Desktop& desktop, const NoteStore& store, ErrorReport& report, QWidget* parent)
    : QDialog(parent), m_desktop(desktop), m_store(store), m_report(report),
      m_ui(std::make_unique<Ui::ReminderEditor>())
{
    m_ui->setupUi(this);
    followDarkTheme(this);
    move(0, 0);
    m_ui->remindersView->setColumnWidth(ColDay, 70);
    m_ui->remindersView->setColumnWidth(ColTime, 55);
    m_ui->remindersView->setColumnWidth(ColMessage, 300);
    m_ui->timeEdit->setTime(QTime(12, 0));
    m_ui->messageEdit->installEventFilter(this);
    m_ui->timeEdit->installEventFilter(this);

    connect(m_ui->remindersView, &ReportList::listClicked, this, guarded(m_report, [this] { takeClickedReminder(); }));
    connect(m_ui->addButton, &QPushButton::clicked, this, guarded(m_report, [this] { addReminder(); }));
    connect(m_ui->updateButton, &QPushButton::clicked, this, guarded(m_report, [this] { updateReminder(); }));
    connect(m_ui->deleteButton, &QPushButton::clicked, this, guarded(m_report, [this] { deleteReminder(); }));
}

ReminderEditor::~ReminderEditor() = default;

void ReminderEditor::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The window system's own show (after mapping, on restore) is not a new showing.
    if (!event->spontaneous())
        prepareForShowing();
}

bool ReminderEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == m_ui->messageEdit)
            m_desktop.requestHiragana(m_ui->messageEdit);
        else if (watched == m_ui->timeEdit)
            m_desktop.switchInputMethodOff(m_ui->timeEdit);
    }
    return QDialog::eventFilter(watched, event);
}

void ReminderEditor::prepareForShowing()
{
    if (loadReminders())
        m_ui->dateEdit->setDate(m_desktop.today());
}

bool ReminderEditor::loadReminders()
{
    StoreResult<std::vector<Reminder>> reminders = m_store.reminders();
    if (!reminders) {
        m_report.show(reminders.error().message());
        return false;
    }
    m_reminders = std::move(*reminders);
    m_ui->remindersView->clear();
    for (size_t i = 0; i < m_reminders.size(); ++i) {
        const Reminder& reminder = m_reminders[i];
        auto* item = new QTreeWidgetItem(m_ui->remindersView);
        item->setText(ColDay, reminder.dayText);
        item->setText(ColTime, reminder.timeText);
        item->setText(ColMessage, reminder.message);
        item->setText(ColId, QString::number(reminder.id));
        item->setData(ColId, IndexRole, qulonglong(i));
    }
    return true;
}

void ReminderEditor::takeClickedReminder()
{
    m_selectedId.reset();
    for (int i = m_ui->remindersView->topLevelItemCount() - 1; i >= 0; --i) {
        const QTreeWidgetItem* item = m_ui->remindersView->topLevelItem(i);
        if (!item->isSelected())
            continue;
        const Reminder& reminder = m_reminders.at(item->data(ColId, IndexRole).toULongLong());
        // A row whose date or time does not read leaves the fields as they were.
        if (!reminder.unreadable.isEmpty()) {
            m_report.show(reminder.unreadable);
            return;
        }
        m_ui->dateEdit->setDate(reminder.day);
        m_ui->timeEdit->setTime(reminder.time);
        m_ui->messageEdit->setText(reminder.message);
        m_selectedId = reminder.id;
    }
}

void ReminderEditor::addReminder()
{
    if (m_ui->messageEdit->text().isEmpty())
        return;
    const std::optional<QDate> date = m_ui->dateEdit->checkedDate();
    if (!date)
        return;
    write(m_store.addReminder(*date, m_ui->timeEdit->time(), m_ui->messageEdit->text()));
}

void ReminderEditor::updateReminder()
{
    if (!m_selectedId || m_ui->messageEdit->text().isEmpty())
        return;
    const std::optional<QDate> date = m_ui->dateEdit->checkedDate();
    if (!date)
        return;
    write(m_store.updateReminder(*m_selectedId, *date, m_ui->timeEdit->time(), m_ui->messageEdit->text()));
}

void ReminderEditor::deleteReminder()
{
    if (!m_selectedId)
        return;
    write(m_store.removeReminder(*m_selectedId));
}

void ReminderEditor::write(const StoreResult<>& written)
{
    if (!written) {
        m_report.show(written.error().message());
        return;
    }
    loadReminders();
}
