#include "platform/posix/IconvCodePage932.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace {

// One iconv descriptor per direction, kept for the life of the program (never destroyed, so
// that a save at the very end of the process still has it).
class Converter {
public:
    Converter(const char* to, const char* from) : m_handle(iconv_open(to, from)) {}
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of input; with strict, fails on the first byte that does not convert,
    // otherwise puts a replacement in its place and goes on.
    bool convert(QByteArrayView input, QByteArray& output, bool strict, const QByteArray& replacement) const
    {
        if (m_handle == reinterpret_cast<iconv_t>(-1))
            return false;
        iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
        output.resize(input.size() * 2 + 16);
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        size_t done = 0;
        while (inLeft > 0) {
            char* out = output.data() + done;
            size_t outLeft = output.size() - done;
            const size_t result = iconv(m_handle, &in, &inLeft, &out, &outLeft);
            done = output.size() - outLeft;
            if (result != static_cast<size_t>(-1))
                break;
            if (errno == E2BIG) {
                output.resize(output.size() * 2);
            } else if (strict) {
                return false;
            } else {
                // EILSEQ or EINVAL (a cut sequence): skip one byte.
                output.resize(std::max<qsizetype>(output.size(), done + replacement.size() + 16));
                memcpy(output.data() + done, replacement.constData(), replacement.size());
                done += replacement.size();
                ++in;
                --inLeft;
                iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
            }
        }
        output.resize(done);
        return true;
    }

private:
    iconv_t m_handle;
};

const Converter& toCp932()
{
    static const Converter* converter = new Converter("CP932", "UTF-8");
    return *converter;
}

const Converter& fromCp932()
{
    static const Converter* converter = new Converter("UTF-8", "CP932");
    return *converter;
}

} // namespace

std::optional<QByteArray> IconvCodePage932::fromUnicode(QStringView text) const
{
    QByteArray bytes;
    if (!toCp932().convert(text.toUtf8(), bytes, true, {}))
        return std::nullopt;
    return bytes;
}

QString IconvCodePage932::toUnicode(QByteArrayView bytes) const
{
    QByteArray utf8;
    fromCp932().convert(bytes, utf8, false, QByteArray("\xEF\xBF\xBD"));
    return QString::fromUtf8(utf8);
}
