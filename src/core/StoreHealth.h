#pragma once

#include <QString>

// What SQLite's quick_check finds in a database file: the store itself, or one of its copies.
class StoreHealth {
public:
    enum class Condition {
        Sound,
        Damaged,   // the check named a problem, or SQLite found the file malformed or not a database
        Unchecked, // the file could not be checked (missing, locked, unreadable)
    };

    // Checks the file on a connection of its own; creates nothing.
    static StoreHealth of(const QString& path);

    Condition condition() const { return m_condition; }
    bool isSound() const { return m_condition == Condition::Sound; }
    bool isDamaged() const { return m_condition == Condition::Damaged; }
    // The first problem the check named, or why the file could not be checked.
    const QString& detail() const { return m_detail; }

private:
    StoreHealth(Condition condition, QString detail) : m_condition(condition), m_detail(std::move(detail)) {}

    Condition m_condition;
    QString m_detail;
};
