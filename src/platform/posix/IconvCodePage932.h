#pragma once

#include "core/CodePage932.h"

// Code page 932 through the C library's iconv (glibc's CP932: Microsoft's table).
class IconvCodePage932 : public CodePage932Converter {
public:
    std::optional<QByteArray> fromUnicode(QStringView text) const override;
    QString toUnicode(QByteArrayView bytes) const override;
};
