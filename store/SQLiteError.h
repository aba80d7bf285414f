#pragma once

#include "platform/Exception.h"

// Every failure of the access layer. Failures that SQLite reported also carry its result code
// and its own text, so that a caller can tell a full disk from a lock.
class ESQLiteException : public Exception {
public:
    using Exception::Exception;
    ESQLiteException(QString message, int code, QString detail)
        : Exception(std::move(message)), FCode(code), FDetail(std::move(detail))
    {
    }
    int Code() const { return FCode; }
    const QString& Detail() const { return FDetail; }
    // SQLite's own text where it gave one, else the layer's message.
    const QString& Reason() const { return FDetail.isEmpty() ? Message() : FDetail; }

private:
    int FCode = 0;
    QString FDetail;
};
