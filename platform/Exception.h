#pragma once

#include <QString>

#include <exception>

// Base of the program's own errors: a message text is all a handler sees.
class Exception : public std::exception {
public:
    explicit Exception(QString message) : FMessage(std::move(message)), FUtf8(FMessage.toUtf8()) {}
    const QString& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FUtf8.constData(); }

private:
    QString FMessage;
    QByteArray FUtf8;
};

// A text that does not read as the number, Boolean, date or time it should be.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};
