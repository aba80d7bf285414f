#pragma once

#include "platform/CodePage932.h"

// Code page 932 through the C library's iconv (glibc's CP932: Microsoft's table).
class TPosixCodePage932 : public TCodePage932 {
public:
    std::optional<QByteArray> FromUnicode(QStringView text) const override;
    QString ToUnicode(QByteArrayView bytes) const override;
};
