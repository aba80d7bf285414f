#include "core/CodePage932.h"
#include "core/StoreStatements.h"
#include "core/StoreText.h"

#include "HostileText.h"
#include "StoreFixture.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <limits>

// This file runs twice: in the core's tests with Qt's own conversion, which a Qt built without
// ICU (the static Windows build) does not have, and in the platform's tests with the system's.
namespace {
bool hasCodePage932()
{
    return codePage932().fromUnicode(u"日").has_value();
}
} // namespace

TEST(StoreCodec, JapaneseIsStoredAsCodePage932)
{
    if (!hasCodePage932())
        GTEST_SKIP() << "no code page 932 conversion here; the platform's tests run this";
    EXPECT_EQ(encodeStoreText(QStringLiteral("表")), QByteArray("\x95\x5C"));
    EXPECT_EQ(encodeStoreText(QStringLiteral("ｱ")), QByteArray("\xB1"));
    EXPECT_EQ(encodeStoreText(QStringLiteral("①")), QByteArray("\x87\x40"));
    EXPECT_EQ(encodeStoreText(QStringLiteral("～")), QByteArray("\x81\x60"));
    EXPECT_EQ(encodeStoreText(QStringLiteral("abc'\r\n")), QByteArray("abc'\r\n"));
}

TEST(StoreCodec, WhatCodePage932CannotHoldIsKeptAsMarkedUtf8)
{
    for (const QString& text : {QStringLiteral("😀"), QStringLiteral("é"), QStringLiteral("𠮷"), QStringLiteral("한"),
                                QStringLiteral("日本 😀")}) {
        const QByteArray bytes = encodeStoreText(text);
        EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << qPrintable(text);
        EXPECT_EQ(decodeStoreText(bytes), text);
    }
}

TEST(StoreCodec, ReadsFilesOfEarlierVersionsByteForByte)
{
    if (!hasCodePage932())
        GTEST_SKIP() << "no code page 932 conversion here; the platform's tests run this";
    EXPECT_EQ(decodeStoreText(QByteArray("\x93\xfa\x96\x7b\x8c\xea")), QStringLiteral("日本語"));
    EXPECT_EQ(decodeStoreText(QByteArray("\x83\x5c\x94\x5c")), QStringLiteral("ソ能"));
    EXPECT_EQ(decodeStoreText(QByteArray()), QString());
}

TEST(StoreCodec, UnmarkedUtf8FromOtherProgramsReadsAsUtf8)
{
    if (!hasCodePage932())
        GTEST_SKIP() << "no code page 932 conversion here; the platform's tests run this";
    const std::pair<QByteArray, QString> cases[] = {
        {QStringLiteral("日本語メモ").toUtf8(), QStringLiteral("日本語メモ")},
        {QStringLiteral("Grüße").toUtf8(), QStringLiteral("Grüße")},
        {QStringLiteral("買い物😀").toUtf8(), QStringLiteral("買い物😀")},
        // Code page 932 Japanese is never valid UTF-8.
        {QByteArray("\x93\xfa\x96\x7b\x8c\xea"), QStringLiteral("日本語")},
        {QByteArray("\xB6\xC0\xB6\xC5"), QStringLiteral("ｶﾀｶﾅ")},
        {QByteArray("plain"), QStringLiteral("plain")},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(decodeStoreText(bytes), text) << bytes.toHex().constData();
    // The few code page 932 texts that are also UTF-8 are written marked, so they read back.
    for (const QString& text : {QStringLiteral("縲ｱ"), QStringLiteral("縲ｱ ﾃｽ")}) {
        EXPECT_TRUE(encodeStoreText(text).startsWith("\xEF\xBB\xBF")) << qPrintable(text);
        EXPECT_EQ(decodeStoreText(encodeStoreText(text)), text);
    }
}

TEST(StoreCodec, RandomTextsRoundTripAsTheStoreCanHoldThem)
{
    QRandomGenerator random(20261208);
    for (int round = 0; round < 5000; ++round) {
        const QString text = randomText(random);
        const QByteArray bytes = encodeStoreText(text);
        ASSERT_EQ(decodeStoreText(bytes), storable(text, true)) << round << ": " << qPrintable(text);
        // A literal is the encoded text, quoted, with its quotes doubled and nothing else.
        const QByteArray literal = Statements::textLiteral(text);
        ASSERT_TRUE(literal.startsWith('\'') && literal.endsWith('\'') && literal.size() >= 2);
        QByteArray inner = literal.mid(1, literal.size() - 2);
        ASSERT_FALSE(inner.replace("''", "").contains('\'')) << round;
        ASSERT_EQ(decodeStoreText(literal.mid(1, literal.size() - 2).replace("''", "'")), storable(text)) << round;
    }
}

TEST(StoreDates, WrittenInTheFixedFormAndReadTolerantly)
{
    EXPECT_EQ(formatStoreDate(QDate(2011, 8, 26)), QStringLiteral("2011/08/26"));
    EXPECT_EQ(formatStoreTime(QTime(9, 5, 7)), QStringLiteral("9:05:07"));
    // Blanks are ASCII ones only, digits too.
    const std::pair<const char*, std::optional<QDate>> dates[] = {
        {"2011/8/6", QDate(2011, 8, 6)}, {"2011/08/26", QDate(2011, 8, 26)}, {" \t2026/1/5 \r\n", QDate(2026, 1, 5)},
        {"20261/1/5", std::nullopt},     {"2026/1/005", std::nullopt},       {"2026/1/5 x", std::nullopt},
        {"0000/1/1", std::nullopt},      {"\u00a02026/1/5", std::nullopt},   {"２０２６/1/5", std::nullopt},
    };
    for (const auto& [text, date] : dates)
        EXPECT_EQ(strToDate(QString::fromUtf8(text)), date) << text;
    const std::pair<const char*, std::optional<QTime>> times[] = {
        {"9:05", QTime(9, 5)},     {"23:59:59", QTime(23, 59, 59)}, {"\v7:5:3\n", QTime(7, 5, 3)},
        {"9:05:", std::nullopt},   {"9:005", std::nullopt},         {"123:00", std::nullopt},
        {"9:05:60", std::nullopt}, {"9:5 :3", std::nullopt},
    };
    for (const auto& [text, time] : times)
        EXPECT_EQ(strToTime(QString::fromUtf8(text)), time) << text;
}

TEST(StoreDates, TextsThatDoNotReadGiveNothingAndTheirWords)
{
    const std::pair<QString, QString> dates[] = {
        {QStringLiteral("abc"), QStringLiteral("'abc' is not a valid date")},
        {QString(), QStringLiteral("'' is not a valid date")},
        {QStringLiteral("2011/02/30"), QStringLiteral("'2011/02/30' is not a valid date")},
        {QStringLiteral("26.08.2011"), QStringLiteral("'26.08.2011' is not a valid date")},
    };
    for (const auto& [text, message] : dates) {
        EXPECT_EQ(strToDate(text), std::nullopt) << qPrintable(text);
        EXPECT_EQ(unreadableText(text, StoreValue::Date), message);
    }
    EXPECT_EQ(strToTime(QStringLiteral("24:00")), std::nullopt);
    EXPECT_EQ(strToTime(QStringLiteral("12")), std::nullopt);
}

TEST(StoreNumbers, IntegersAndBooleans)
{
    // An integer may have blanks before it and one line feed after it, as earlier versions read.
    const std::pair<const char*, std::optional<int>> integers[] = {
        {"-120", -120},
        {" 42", 42},
        {"\t+7", 7},
        {"12\n", 12},
        {"-2147483648", std::numeric_limits<int>::min()},
        {"", std::nullopt},
        {"4x", std::nullopt},
        {"12 ", std::nullopt},
        {"12\n\n", std::nullopt},
        {"99999999999", std::nullopt},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"1.5", std::nullopt},
        {"+-1", std::nullopt},
        {"\u00a01", std::nullopt},
    };
    for (const auto& [text, value] : integers)
        EXPECT_EQ(strToInt(QString::fromUtf8(text)), value) << text;
    const std::pair<const char*, std::optional<bool>> booleans[] = {
        {"0", false},          {"-1", true},          {"7", true},
        {"True", true},        {"false", false},      {".5", true},
        {"+.5e-3", true},      {"1.", true},          {"\u00a0-0.0E5 ", false},
        {"", std::nullopt},    {"yes", std::nullopt}, {"-", std::nullopt},
        {"1e", std::nullopt},  {".", std::nullopt},   {".e1", std::nullopt},
        {"0x1", std::nullopt},
    };
    for (const auto& [text, value] : booleans)
        EXPECT_EQ(strToBool(QString::fromUtf8(text)), value) << text;
}
