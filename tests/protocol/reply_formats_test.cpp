// Reply operands as operator-side readers take them.
#include <gtest/gtest.h>

#include "protocol/reply_formats.h"
#include "test_support.h"

using namespace zul;
using zul::test::sj;

TEST(ReplyFormats, PartsInfoIsCutAtTheFirstThreeCommas) {
    struct Case {
        QByteArray operand;
        std::optional<std::array<QByteArray, 4>> fields;
    };
    const Case cases[] = {
        {"A,1,255,0", std::array<QByteArray, 4>{"A", "1", "255", "0"}},
        {sj("得点,,-1,"), std::array<QByteArray, 4>{sj("得点"), "", "-1", ""}},
        // The background colour takes the rest, commas and all.
        {"A,1,2,3,4", std::array<QByteArray, 4>{"A", "1", "2", "3,4"}},
        {",,,", std::array<QByteArray, 4>{"", "", "", ""}},
        {"A,1,255", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operand.constData());
        const std::optional<PartsInfoReply> r = parsePartsInfo(c.operand);
        ASSERT_EQ(r.has_value(), c.fields.has_value());
        if (r) {
            const auto& f = *c.fields;
            EXPECT_EQ(r->name, f[0]);
            EXPECT_EQ(r->caption, f[1]);
            EXPECT_EQ(r->fontColour, f[2]);
            EXPECT_EQ(r->backColour, f[3]);
        }
    }
}

TEST(ReplyFormats, CaptionSettingsReadAsFarAsTheyAreThere) {
    using N = std::optional<qint32>;
    struct Case {
        QByteArray operand;
        N size, fontColour, backColour, scroll, hide, centre;
        std::optional<QByteArray> name;
    };
    const Case cases[] = {
        {sj("36 -2147483640 255 1 0 1 ＭＳ Ｐゴシック"), 36, -2147483640, 255, 1, 0, 1,
         sj("ＭＳ Ｐゴシック")},
        // The name ends at a comma or a tab.
        {"-20 0 0 0 0 0 IPAGothic,Bold", -20, 0, 0, 0, 0, 0, QByteArray("IPAGothic")},
        {"-20 0 0 0 0 0\tIPA\tx", -20, 0, 0, 0, 0, 0, QByteArray("IPA")},
        {"12 34", 12, 34, {}, {}, {}, {}, {}},
        {"12 x 5 1 1 1 F", 12, {}, {}, {}, {}, {}, {}},
        {"1 2 3 4 5 6", 1, 2, 3, 4, 5, 6, {}},
        {"", {}, {}, {}, {}, {}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operand.constData());
        const CaptionSettingsReply r = parseCaptionSettings(c.operand);
        EXPECT_EQ(r.size, c.size);
        EXPECT_EQ(r.fontColour, c.fontColour);
        EXPECT_EQ(r.backColour, c.backColour);
        EXPECT_EQ(r.scroll, c.scroll);
        EXPECT_EQ(r.hide, c.hide);
        EXPECT_EQ(r.centre, c.centre);
        EXPECT_EQ(r.fontName, c.name);
    }
}
