#include "platform/CodePage932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// Qt's conversion through ICU. Debian's Qt has it; a Qt built without ICU (the static Windows
// build) knows no such codec, and then nothing converts.
class TQtCodePage932 : public TCodePage932 {
public:
    std::optional<QByteArray> FromUnicode(QStringView text) const override
    {
        QStringEncoder encoder("windows-31j", QStringConverter::Flag::Stateless);
        if (!encoder.isValid())
            return std::nullopt;
        QByteArray bytes = encoder.encode(text);
        if (encoder.hasError())
            return std::nullopt;
        return bytes;
    }

    QString ToUnicode(QByteArrayView bytes) const override
    {
        QStringDecoder decoder("windows-31j", QStringConverter::Flag::Stateless);
        if (decoder.isValid())
            return decoder.decode(bytes);
        QString text;
        for (char c : bytes)
            text += static_cast<unsigned char>(c) < 0x80 ? QChar(c) : QChar(QChar::ReplacementCharacter);
        return text;
    }
};

const TCodePage932* Installed = nullptr;

} // namespace

const TCodePage932& CodePage932()
{
    static const TQtCodePage932 qt;
    return Installed ? *Installed : qt;
}

void UseCodePage932(const TCodePage932* conversion)
{
    Installed = conversion;
}
