// The Windows platform code against the real Windows calls (run under wine on Linux).
#include "platform/windows/WinCodePage932.h"
#include "platform/windows/WinProgramFolder.h"

#include <gtest/gtest.h>

#include <QtGlobal>

#include <ostream>

void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

const WinCodePage932 codePage;

QByteArray bytes(std::initializer_list<unsigned char> values)
{
    QByteArray bytes;
    for (unsigned char value : values)
        bytes += char(value);
    return bytes;
}

QString U(const char16_t* text)
{
    return QString::fromUtf16(text);
}

struct RoundTrip {
    const char16_t* text;
    QByteArray bytes;
};

class CodePage932RoundTrip : public testing::TestWithParam<RoundTrip> {};

TEST_P(CodePage932RoundTrip, GivesTheBytesAndBack)
{
    const QString text = U(GetParam().text);
    EXPECT_EQ(codePage.fromUnicode(text), GetParam().bytes);
    EXPECT_EQ(codePage.toUnicode(GetParam().bytes), text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CodePage932RoundTrip,
    testing::Values(RoundTrip{u"日本語メモ", bytes({0x93, 0xFA, 0x96, 0x7B, 0x8C, 0xEA, 0x83, 0x81, 0x83, 0x82})},
                    // A trail byte that is a backslash in ASCII.
                    RoundTrip{u"表\\", bytes({0x95, 0x5C, 0x5C})}, RoundTrip{u"ｶﾀｶﾅ", bytes({0xB6, 0xC0, 0xB6, 0xC5})},
                    RoundTrip{u"①", bytes({0x87, 0x40})}, RoundTrip{u"～", bytes({0x81, 0x60})},
                    RoundTrip{u"", QByteArray()}));

TEST(CodePage932, RefusesTextWithoutACodePage932Form)
{
    // Best fit would give "e", "\\" and the full-width tilde.
    for (const char16_t* text :
         {u"caf\u00E9", u"\u00A5100", u"\u301C", u"memo \U0001F600", u"\uD55C\uAE00", u"a\xD800"})
        EXPECT_EQ(codePage.fromUnicode(U(text)), std::nullopt) << U(text).toStdString();
}

TEST(CodePage932, BytesThatFormNoCharacterBecomeReplacements)
{
    // A lead byte at the end; before an ASCII byte, which stays; an unassigned pair, whose ASCII
    // second byte stays too; a pair whose second byte cannot follow a lead byte.
    EXPECT_EQ(codePage.toUnicode(bytes({0x93, 0xFA, 'x', 0x93})), U(u"日x\uFFFD"));
    EXPECT_EQ(codePage.toUnicode(bytes({0x93, ' ', 'A'})), U(u"\uFFFD A"));
    EXPECT_EQ(codePage.toUnicode(bytes({0x85, 0x40, 'B'})), U(u"\uFFFD@B"));
    EXPECT_EQ(codePage.toUnicode(bytes({0x81, 0xFD, 'C'})), U(u"\uFFFDC"));
}

// Where the exe lies depends on how it was started: the wine check starts it from a folder past
// MAX_PATH and from a drive root, and says what to expect.
TEST(winProgramFolder, IsTheFolderOfTheExe)
{
    const QString expected = qEnvironmentVariable("ZU_EXPECTED_PROGRAM_FOLDER");
    if (expected.isEmpty())
        GTEST_SKIP() << "ZU_EXPECTED_PROGRAM_FOLDER not set";
    EXPECT_EQ(winProgramFolder().toLower().toStdString(), expected.toLower().toStdString());
}

} // namespace
