// The IPtalk commands through the interpreter on a machine without IPtalk (no X display
// here): the placement packet still sets the boxes and the keep-on-top timer, while hide
// and show return at once and are not handed over to the mirror.
#include <gtest/gtest.h>

#include "../display/display_fixture.h"
#include "commands/display_commands.h"
#include "commands/interpreter.h"
#include "commands/loading_commands.h"
#include "external/iptalk.h"
#include "recording_mirror.h"
#include "services/settings_file.h"

namespace zul {
namespace {

using test::sj;

struct Fixture : test::DisplayFixture {
    Interpreter interpreter{log};
    test::RecordingMirror mirror;
    SettingsFile settingsFile{settings, log};
    X11Windows windows{[](const QString&) {}};
    IptalkCooperation iptalk{{settings, log, windows, {}}};
    QByteArrayList iptalkFiles;

    Fixture() : DisplayFixture({.open = false}) {
        interpreter.setMirror(&mirror);
        openDisplay(interpreter);
    }
    ~Fixture() { display.reset(); }

    void withIptalk(IptalkCooperation* cooperation) {
        registerDisplayCommands(interpreter, {settings, *display, {}, cooperation});
        registerLoadingCommands(interpreter,
                                {settings,
                                 hub,
                                 log,
                                 status,
                                 settingsFile,
                                 *display,
                                 worksheet,
                                 {},
                                 [this](const QByteArray& name) { iptalkFiles << name; }});
    }
    QByteArrayList mirrored() const {
        QByteArrayList commands;
        for (const QByteArray& p : mirror.packets) {
            commands << p.left(1);
        }
        return commands;
    }
};

TEST(IptalkCommands, HideAndShowWithoutIptalksWindowAreNotHandedOver) {
    for (const bool cooperating : {false, true}) {
        Fixture f;
        ASSERT_FALSE(f.windows.available());
        f.withIptalk(cooperating ? &f.iptalk : nullptr);
        f.interpreter.ExecutePacket("\x2b\n", nullptr);  // CmdIptalkHide
        f.interpreter.ExecutePacket("\x33", nullptr);    // CmdIptalkShow
        f.interpreter.ExecutePacket("\x31", nullptr);    // another command still goes
        EXPECT_EQ(f.mirrored(), QByteArrayList{"\x31"}) << cooperating;
    }
}

TEST(IptalkCommands, PositionSetsTheBoxesAndTheTimerAndIsHandedOver) {
    Fixture f;
    f.withIptalk(&f.iptalk);
    f.interpreter.ExecutePacket(
        "\x28"
        "1024 0 -100 200 1 0\n",
        nullptr);
    EXPECT_EQ(f.settings.Iptalk_top(), 1024);
    EXPECT_EQ(f.settings.Iptalk_left(), 0);
    EXPECT_EQ(f.settings.Iptalk_width(), 640);  // -100 keeps it
    EXPECT_EQ(f.settings.Iptalk_height(), 200);
    EXPECT_TRUE(f.settings.Iptalk_topmost());
    EXPECT_TRUE(f.iptalk.Idle().isActive());
    EXPECT_EQ(f.mirror.packets, QByteArrayList{"\x28"
                                               "1024 0 -100 200 1 0\n"});

    // Numbers beyond the boxes' range are held to it; no keep-on-top flag stops the timer.
    f.interpreter.ExecutePacket(
        "\x28"
        "99999 -5 2147483647 -2147483648 0 1",
        nullptr);
    EXPECT_EQ(f.settings.Iptalk_top(), 10000);
    EXPECT_EQ(f.settings.Iptalk_left(), 0);
    EXPECT_EQ(f.settings.Iptalk_width(), 10000);
    EXPECT_EQ(f.settings.Iptalk_height(), 0);
    EXPECT_FALSE(f.iptalk.Idle().isActive());
    EXPECT_TRUE(f.settings.IPtalk_sync());
}

TEST(IptalkCommands, AFileSetHandsItsIptalkFileOnUnchanged) {
    Fixture f;
    f.withIptalk(&f.iptalk);
    f.write("set.rf1", "[FileSet]\r\nIPtalkFile=" + sj("会場 A.dp9") + "\r\n");
    f.interpreter.ExecutePacket("\x2aset.rf1", nullptr);
    EXPECT_EQ(f.iptalkFiles, QByteArrayList{sj("会場 A.dp9")});
    EXPECT_TRUE(f.log.lines().contains("IPtalk Cmd Send Start."));

    f.write("none.rf1", "[FileSet]\r\nIPtalkFile=\r\n");
    f.interpreter.ExecutePacket("\x2anone.rf1", nullptr);
    EXPECT_EQ(f.iptalkFiles.size(), 1);
}

}  // namespace
}  // namespace zul
