#pragma once

#include "core/Result.h"

#include <QString>

// Why a store operation did not go through: the access layer's message, which the error report
// shows, and, where SQLite reported the failure, its result code and its own text, so that a
// caller can tell a full disk from a lock.
class StoreError {
public:
    explicit StoreError(QString message, int code = 0, QString detail = {})
        : m_message(std::move(message)), m_code(code), m_detail(std::move(detail))
    {
    }

    const QString& message() const { return m_message; }
    int code() const { return m_code; }
    const QString& detail() const { return m_detail; }
    // SQLite's own text where it gave one, else the layer's message.
    const QString& reason() const { return m_detail.isEmpty() ? m_message : m_detail; }

private:
    QString m_message;
    int m_code = 0;
    QString m_detail;
};

// What a store operation hands back: its value, or the StoreError that stopped it.
template <class T = void> using StoreResult = Result<T, StoreError>;
