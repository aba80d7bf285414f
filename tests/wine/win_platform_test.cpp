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

const TWinCodePage932 CodePage;

QByteArray Bytes(std::initializer_list<unsigned char> values)
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

struct TRoundTrip {
    const char16_t* Text;
    QByteArray Bytes;
};

class CodePage932RoundTrip : public testing::TestWithParam<TRoundTrip> {};

TEST_P(CodePage932RoundTrip, GivesTheBytesAndBack)
{
    const QString text = U(GetParam().Text);
    EXPECT_EQ(CodePage.FromUnicode(text), GetParam().Bytes);
    EXPECT_EQ(CodePage.ToUnicode(GetParam().Bytes), text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CodePage932RoundTrip,
    testing::Values(TRoundTrip{u"日本語メモ", Bytes({0x93, 0xFA, 0x96, 0x7B, 0x8C, 0xEA, 0x83, 0x81, 0x83, 0x82})},
                    // A trail byte that is a backslash in ASCII.
                    TRoundTrip{u"表\\", Bytes({0x95, 0x5C, 0x5C})},
                    TRoundTrip{u"ｶﾀｶﾅ", Bytes({0xB6, 0xC0, 0xB6, 0xC5})}, TRoundTrip{u"①", Bytes({0x87, 0x40})},
                    TRoundTrip{u"～", Bytes({0x81, 0x60})}, TRoundTrip{u"", QByteArray()}));

TEST(CodePage932, RefusesTextWithoutACodePage932Form)
{
    // Best fit would give "e", "\\" and the full-width tilde.
    for (const char16_t* text :
         {u"caf\u00E9", u"\u00A5100", u"\u301C", u"memo \U0001F600", u"\uD55C\uAE00", u"a\xD800"})
        EXPECT_EQ(CodePage.FromUnicode(U(text)), std::nullopt) << U(text).toStdString();
}

TEST(CodePage932, BytesThatFormNoCharacterBecomeReplacements)
{
    // A lead byte at the end; before an ASCII byte, which stays; an unassigned pair, whose ASCII
    // second byte stays too; a pair whose second byte cannot follow a lead byte.
    EXPECT_EQ(CodePage.ToUnicode(Bytes({0x93, 0xFA, 'x', 0x93})), U(u"日x\uFFFD"));
    EXPECT_EQ(CodePage.ToUnicode(Bytes({0x93, ' ', 'A'})), U(u"\uFFFD A"));
    EXPECT_EQ(CodePage.ToUnicode(Bytes({0x85, 0x40, 'B'})), U(u"\uFFFD@B"));
    EXPECT_EQ(CodePage.ToUnicode(Bytes({0x81, 0xFD, 'C'})), U(u"\uFFFDC"));
}

// Where the exe lies depends on how it was started: the wine check starts it from a folder past
// MAX_PATH and from a drive root, and says what to expect.
TEST(WinProgramFolder, IsTheFolderOfTheExe)
{
    const QString expected = qEnvironmentVariable("ZU_EXPECTED_PROGRAM_FOLDER");
    if (expected.isEmpty())
        GTEST_SKIP() << "ZU_EXPECTED_PROGRAM_FOLDER not set";
    EXPECT_EQ(WinProgramFolder().toLower().toStdString(), expected.toLower().toStdString());
}

} // namespace
