#pragma once

#include "Error.h"

// Every failure of the access layer. Failures that SQLite reported also carry its result code
// and its own text, so that a caller can tell a full disk from a lock.
class StoreError : public Error {
public:
    using Error::Error;
    StoreError(QString message, int code, QString detail)
        : Error(std::move(message)), m_code(code), m_detail(std::move(detail))
    {
    }
    int code() const { return m_code; }
    const QString& detail() const { return m_detail; }
    // SQLite's own text where it gave one, else the layer's message.
    const QString& reason() const { return m_detail.isEmpty() ? message() : m_detail; }

private:
    int m_code = 0;
    QString m_detail;
};
