#pragma once

#include "core/NoteTypes.h"
#include "core/StoreError.h"

#include <QDialog>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class Desktop;
class ErrorReport;
class NoteStore;
namespace Ui {
class ReminderEditor;
}

// The editor of balloon messages: dated, timed reminder texts kept in m_icom_message.
class ReminderEditor : public QDialog {
    Q_OBJECT

public:
    ReminderEditor(Desktop& desktop, const NoteStore& store, ErrorReport& report, QWidget* parent = nullptr);
    ~ReminderEditor() override;

    // Fills the list from the store; a store that cannot be read is reported, and the list stays.
    bool loadReminders();
    // The id of the message last taken from the list by a click; none when there is none.
    std::optional<qint64> selectedReminderId() const { return m_selectedId; }

    void takeClickedReminder();
    void addReminder();
    void updateReminder();
    void deleteReminder();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void prepareForShowing();
    // Reloads the list after a write that went through; a failed one is reported.
    void write(const StoreResult<>& written);

    Desktop& m_desktop;
    const NoteStore& m_store;
    ErrorReport& m_report;
    std::unique_ptr<Ui::ReminderEditor> m_ui;
    // What the list shows, as read.
    std::vector<Reminder> m_reminders;
    std::optional<qint64> m_selectedId;
};
