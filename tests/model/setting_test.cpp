#include <gtest/gtest.h>

#include <QSignalSpy>

#include "model/settings.h"

using namespace zul;

TEST(Setting, SignalsOnlyRealChanges) {
    Setting<bool> box{false};
    QSignalSpy spy(&box, &SettingBase::changed);
    box.set(false);
    EXPECT_EQ(spy.count(), 0);
    box.set(true);
    box.set(true);
    EXPECT_EQ(spy.count(), 1);
}

TEST(Setting, RangedValuesAreClampedAndOnlyRealChangesSignal) {
    Settings s;
    QSignalSpy spy(&s.Port, &SettingBase::changed);
    s.Port.set(70000);
    EXPECT_EQ(s.Port(), 65535);
    s.Port.set(99999);  // clamps to the same value: no change
    EXPECT_EQ(spy.count(), 1);
    s.MirrorPort.set(-5);
    EXPECT_EQ(s.MirrorPort(), 0);
    s.Iptalk_width.set(-1);
    EXPECT_EQ(s.Iptalk_width(), 0);
}

TEST(Settings, DefaultsAreThoseOfTheHubForm) {
    const Settings s;
    EXPECT_EQ(s.Port(), 30000);
    EXPECT_EQ(s.ClientName(), QStringLiteral("localhost"));
    EXPECT_TRUE(s.ChkNoTotalPath());
    EXPECT_TRUE(s.ChangeWall());
    EXPECT_EQ(s.WallColor(), 16777215);
    EXPECT_TRUE(s.TransChk());
    EXPECT_TRUE(s.PptChk());
    EXPECT_FALSE(s.AspectChk());
    EXPECT_EQ(s.SampleText.fontName(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(s.SampleText.fontSize(), 36);
    EXPECT_EQ(s.SampleText.fontColor(), -2147483640);
    EXPECT_EQ(s.SampleText.backColor(), -2147483643);
    EXPECT_EQ(s.Iptalk_width(), 640);
    EXPECT_EQ(s.Iptalk_height(), 480);
    EXPECT_EQ(iptalkChannelText(s.IPtalkCh()), QStringLiteral("01Ch"));
    EXPECT_EQ(iptalkChannelText(11), QStringLiteral("12Ch"));
}
