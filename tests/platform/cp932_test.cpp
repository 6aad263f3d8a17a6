#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "test_support.h"

using namespace zul;
using zul::test::fromHex;

namespace {

struct CodecCase {
    const char* utf8;
    const char* hex;
};

// Texts that travel on the wire and in files, with their code page 932 bytes.
const CodecCase kCases[] = {
    {"ZUL", "5a554c"},
    {"c:\\", "633a5c"},  // 0x5C stays a backslash
    {"〜", ""},          // U+301C: see the wave dash case
    {"～", "8160"},      // U+FF5E is 0x8160
    {"表示機として起動", "955c8ea68b40 82c6 82b5 82c4 8b4e 93ae"},  // 表 has trail byte 0x5C
    {"ＭＳ Ｐゴシック", "826c8272 20 826f 8353 8356 8362 834e"},
    {"エラー：", "8347 8389 815b 8146"},
    {"想定外エラー", "917a 92e8 8a4f 8347 8389 815b"},
    {"①", "8740"},      // NEC row 13
    {"纊", "fa5c"},     // IBM extension, trail 0x5C
    {"ｱｲｳ", "b1b2b3"},  // half-width katakana
    {"－", "817c"},
    {"￢", "81ca"},
};

}  // namespace

TEST(Cp932, EncodesAndDecodesTheTextsOfTheProgram) {
    for (const auto& c : kCases) {
        if (*c.hex == '\0') {
            continue;
        }
        const QString text = QString::fromUtf8(c.utf8);
        int bad = -1;
        EXPECT_EQ(cp932::encode(text, &bad).toHex(), fromHex(c.hex).toHex()) << c.utf8;
        EXPECT_EQ(bad, 0) << c.utf8;
        EXPECT_EQ(cp932::decode(fromHex(c.hex)), text) << c.hex;
    }
}

TEST(Cp932, MathematicalMinusEncodesAsTheFullWidthMinus) {
    EXPECT_EQ(cp932::encode(QString::fromUtf8("−")), fromHex("817c"));
}

// The single bytes that iconv refuses and Windows maps: 0x80 to U+0080, 0xA0 to U+F8F0 and
// 0xFD, 0xFE, 0xFF to U+F8F1, U+F8F2, U+F8F3. None of them starts a double-byte character,
// so the byte after one is a character of its own.
TEST(Cp932, SingleBytesThatWindowsMapsRoundTrip) {
    const std::pair<unsigned char, char16_t> cases[] = {
        {0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3},
    };
    for (const auto& [byte, unit] : cases) {
        SCOPED_TRACE(byte);
        const QByteArray alone(1, static_cast<char>(byte));
        const QString text(QChar{unit});
        EXPECT_EQ(cp932::decode(alone), text);
        int bad = -1;
        EXPECT_EQ(cp932::encode(text, &bad), alone);
        EXPECT_EQ(bad, 0);
        EXPECT_FALSE(cp932::isLeadByte(byte));

        // Amid other text: before an ASCII letter, before a double-byte character, after
        // one, and twice in a row.
        const QByteArray mixed = "A" + alone + "B" + alone + fromHex("955c") + alone + alone;
        const QString mixedText = QStringLiteral("A") + text + QStringLiteral("B") + text +
                                  QStringLiteral("表") + text + text;
        EXPECT_EQ(cp932::decode(mixed), mixedText);
        EXPECT_EQ(cp932::encode(mixedText), mixed);
        EXPECT_EQ(cp932::truncate(alone + "x", 1), alone);
    }
    // All five together, in both directions.
    const QByteArray bytes = fromHex("80 a0 fd fe ff");
    const QString text = cp932::decode(bytes);
    EXPECT_EQ(text, QString::fromUtf16(u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3"));
    EXPECT_EQ(cp932::encode(text), bytes);
}

TEST(Cp932, EveryValidDoubleByteCharacterRoundTripsOrCanonicalises) {
    int valid = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!cp932::isLeadByte(static_cast<unsigned char>(lead))) {
            continue;
        }
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) {
                continue;
            }
            QByteArray bytes;
            bytes.append(static_cast<char>(lead)).append(static_cast<char>(trail));
            const QString text = cp932::decode(bytes);
            if (text.size() != 1 || text[0].unicode() == 0xFFFD) {
                continue;
            }
            ++valid;
            // NEC-selected IBM duplicates come back in their canonical form; they must
            // still decode to the same character.
            EXPECT_EQ(cp932::decode(cp932::encode(text)), text) << bytes.toHex().constData();
        }
    }
    EXPECT_GT(valid, 7000);
}

TEST(Cp932, UnmappableCharactersBecomeQuestionMarksAndAreCounted) {
    int bad = 0;
    EXPECT_EQ(cp932::encode(QString::fromUtf8("a€b😀c"), &bad), QByteArray("a?b?c"));
    EXPECT_EQ(bad, 2);
}

TEST(Cp932, InvalidBytesDecodeToReplacementCharacters) {
    EXPECT_EQ(cp932::decode(fromHex("41 82")), QString::fromUtf8("A\uFFFD"));
    EXPECT_EQ(cp932::decode(fromHex("85 40")).size(), 2);  // unassigned pair: two bytes, two marks
}

TEST(Cp932, TruncateNeverSplitsADoubleByteCharacter) {
    const QByteArray text = zul::test::sj("先攻得点3");
    EXPECT_EQ(cp932::truncate(text, 7), zul::test::sj("先攻得"));
    EXPECT_EQ(cp932::truncate(text, 8), zul::test::sj("先攻得点"));
    EXPECT_EQ(cp932::truncate(text, 100), text);
}
