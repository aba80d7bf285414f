#pragma once

#include "core/CodePage932.h"

// Code page 932 through the Windows conversion calls, so the bytes match what other Windows
// programs write for the same text.
class WinCodePage932 : public CodePage932Converter {
public:
    std::optional<QByteArray> fromUnicode(QStringView text) const override;
    QString toUnicode(QByteArrayView bytes) const override;
};
