#include "core/CodePage932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// Qt's conversion through ICU. Debian's Qt has it; a Qt built without ICU (the static Windows
// build) knows no such codec, and then nothing converts.
class QtCodePage932 : public CodePage932Converter {
public:
    std::optional<QByteArray> fromUnicode(QStringView text) const override
    {
        QStringEncoder encoder("windows-31j", QStringConverter::Flag::Stateless);
        if (!encoder.isValid())
            return std::nullopt;
        QByteArray bytes = encoder.encode(text);
        if (encoder.hasError())
            return std::nullopt;
        return bytes;
    }

    QString toUnicode(QByteArrayView bytes) const override
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

const CodePage932Converter* installed = nullptr;

} // namespace

const CodePage932Converter& codePage932()
{
    static const QtCodePage932 qt;
    return installed ? *installed : qt;
}

void useCodePage932(const CodePage932Converter* conversion)
{
    installed = conversion;
}
