#pragma once

#include "platform/CodePage932.h"

// Code page 932 through the Windows conversion calls, so the bytes match what other Windows
// programs write for the same text.
class TWinCodePage932 : public TCodePage932 {
public:
    std::optional<QByteArray> FromUnicode(QStringView text) const override;
    QString ToUnicode(QByteArrayView bytes) const override;
};
