#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

#include "model/debug_log.h"
#include "model/settings.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/profile_file.h"
#include "services/settings_file.h"
#include "test_support.h"

using namespace zul;
using zul::test::FileSizeLimit;
using zul::test::readAll;
using zul::test::sj;
using zul::test::writeAll;

namespace {

// A settings model with a settings file whose after-load steps are recorded.
struct Fixture {
    QTemporaryDir dir;
    Settings settings;
    DebugLog log;
    QStringList steps;
    std::optional<QRect> frame;
    SettingsFile file{settings, log};

    Fixture() {
        SettingsFile::Hooks hooks;
        hooks.displayWindowFrame = [this] { return frame; };
        hooks.restyleCaption = [this] { steps << QStringLiteral("restyle"); };
        hooks.placeIptalk = [this] { steps << QStringLiteral("place"); };
        hooks.executePacket = [this](const QByteArray& p) {
            steps << QStringLiteral("packet:") + QString::fromLatin1(p.toHex());
        };
        hooks.startDisplayRole = [this] { steps << QStringLiteral("start"); };
        file.setHooks(hooks);
    }

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    // Writes a CR LF file from lines given as UTF-8.
    QString write(const char* name, std::initializer_list<const char*> lines) const {
        QByteArray bytes;
        for (const char* l : lines) {
            bytes += sj(l) + "\r\n";
        }
        writeAll(path(name), bytes);
        return path(name);
    }
};

// Changes every saved setting away from its initial value.
void changeEverything(Settings& s) {
    s.Port.set(31000);
    s.BaseDir.set(QStringLiteral("/srv/表示"));
    s.PptChk.set(false);
    s.TransChk.set(false);
    s.AspectChk.set(true);
    s.SpeedUp.set(true);
    s.ChangeWall.set(false);
    s.WallColor.set(255);
    s.HideDisp.set(true);
    s.ckCrom.set(true);
    s.SampleText.fontName.set(QStringLiteral("ＭＳ ゴシック"));
    s.SampleText.fontSize.set(-20);
    s.SampleText.fontColor.set(65280);
    s.SampleText.backColor.set(0);
    s.ckStrScroll.set(true);
    s.ckStrHide.set(true);
    s.StrFlameCentered.set(true);
    s.ckTextPos.set(true);
    s.ClientPort.set(31001);
    s.ClientName.set(QStringLiteral("display-1"));
    s.Panel1.set(QRect(45, 10, 933, 700));
    s.Iptalk_notouch.set(true);
    s.Iptalk_topmost.set(true);
    s.Iptalk_ldhide.set(true);
    s.IPtalk_sync.set(true);
    s.Iptalk_top.set(1024);
    s.Iptalk_left.set(5);
    s.Iptalk_height.set(300);
    s.Iptalk_width.set(800);
    s.IPtalkCh.set(3);
    s.MirrorSel.set(true);
    s.MirrorPort.set(31002);
    s.MirrorName.set(QStringLiteral("mirror-host"));
    s.WebRemote.set(true);
    s.WebPort.set(30180);
    s.WebKey.set(QStringLiteral("鍵と表"));
    s.ChkNoLoadDir.set(true);
}

}  // namespace

TEST(SettingsFile, RoundTripKeepsEverySetting) {
    Fixture a;
    changeEverything(a.settings);
    ASSERT_TRUE(a.file.SaveSettingsFile(a.path("all.rd1")));

    Fixture b;
    b.file.LoadSettingsFile(a.path("all.rd1"));
    const Settings& x = a.settings;
    const Settings& y = b.settings;
    // NoLoadDir was saved ticked, so the protected keys stay at b's values.
    EXPECT_TRUE(y.ChkNoLoadDir());
    EXPECT_EQ(y.Port(), 30000);
    EXPECT_TRUE(y.ChangeWall());
    EXPECT_FALSE(y.HideDisp());
    EXPECT_EQ(y.PptChk(), x.PptChk());
    EXPECT_EQ(y.TransChk(), x.TransChk());
    EXPECT_EQ(y.AspectChk(), x.AspectChk());
    EXPECT_EQ(y.SpeedUp(), x.SpeedUp());
    EXPECT_EQ(y.ckCrom(), x.ckCrom());
    EXPECT_EQ(y.SampleText.fontName(), x.SampleText.fontName());
    EXPECT_EQ(y.SampleText.fontSize(), -20);
    EXPECT_EQ(y.SampleText.fontColor(), 65280);
    EXPECT_EQ(y.SampleText.backColor(), 0);
    EXPECT_TRUE(y.ckStrScroll() && y.ckStrHide() && y.StrFlameCentered() && y.ckTextPos());
    EXPECT_EQ(y.ClientPort(), 31001);
    EXPECT_EQ(y.ClientName(), QStringLiteral("display-1"));
    EXPECT_EQ(y.Panel1(), QRect(45, 10, 933, 700));
    EXPECT_TRUE(y.Iptalk_notouch() && y.Iptalk_topmost() && y.Iptalk_ldhide() && y.IPtalk_sync());
    EXPECT_EQ(y.Iptalk_top(), 1024);
    EXPECT_EQ(y.Iptalk_left(), 5);
    EXPECT_EQ(y.Iptalk_height(), 300);
    EXPECT_EQ(y.Iptalk_width(), 800);
    EXPECT_EQ(y.IPtalkCh(), 3);
    EXPECT_TRUE(y.MirrorSel());
    EXPECT_EQ(y.MirrorPort(), 31002);
    EXPECT_EQ(y.MirrorName(), QStringLiteral("mirror-host"));
    EXPECT_TRUE(y.WebRemote());
    EXPECT_EQ(y.WebPort(), 30180);
    EXPECT_EQ(y.WebKey(), QStringLiteral("鍵と表"));

    // Without NoLoadDir the protected keys load too.
    Fixture c;
    a.settings.ChkNoLoadDir.set(false);
    ASSERT_TRUE(a.file.SaveSettingsFile(a.path("all.rd1")));
    c.file.LoadSettingsFile(a.path("all.rd1"));
    EXPECT_EQ(c.settings.Port(), 31000);
    EXPECT_EQ(c.settings.BaseDir(), QStringLiteral("/srv/表示"));
    EXPECT_FALSE(c.settings.ChangeWall());
    EXPECT_EQ(c.settings.WallColor(), 255);
    EXPECT_TRUE(c.settings.HideDisp());
}

TEST(SettingsFile, FreshFileHoldsTheKeysInOrderAsCodePage932WithCrLf) {
    Fixture f;
    f.settings.BaseDir.set(QStringLiteral("/home/zul"));
    ASSERT_TRUE(f.file.SaveSettingsFile(f.path("fresh.rd1")));
    const QByteArray expected =
        "[Server]\r\nPort=30000\r\nBaseDir=/home/zul\r\nPPT_width=1\r\nStretch=1\r\nAspect=0\r\n"
        "SpeedUp=0\r\nChangeWall=1\r\nWallColor=16777215\r\nHideDisp=0\r\nTranspent=0\r\n"
        "[Font]\r\nFontSet=" +
        sj("ＭＳ Ｐゴシック") +
        "\r\nFontSize=36\r\nFColor=-2147483640\r\nBColor=-2147483643\r\nScroll=0\r\n"
        "Hidden=0\r\nAlign=0\r\nPosTop=0\r\n"
        "[Client]\r\nPort=30000\r\nHost=localhost\r\n"
        "[Window]\r\nTop=0\r\nLeft=0\r\nHeight=768\r\nWidth=1024\r\n"
        "[MainWindow]\r\nTop=-1\r\nLeft=-1\r\nHeight=0\r\nWidth=0\r\n"
        "[IPtalk]\r\nNoTouch=0\r\nTopMost=0\r\nLoadHide=0\r\nWipeSync=0\r\nTop=0\r\nLeft=0\r\n"
        "Height=480\r\nWidth=640\r\nSendCh=0\r\n"
        "[Mirror]\r\nMirrorRun=0\r\nPort=30000\r\nHost=localhost\r\n"
        "[Web]\r\nRun=0\r\nPort=30080\r\nKey=\r\n"
        "[RUN]\r\nServerNow=0\r\nNoLoadDir=0\r\n";
    EXPECT_EQ(readAll(f.path("fresh.rd1")), expected);
}

TEST(SettingsFile, DisplayWindowFrameIsSavedWhenTheWindowExists) {
    Fixture f;
    f.frame = QRect(10, 20, 800, 600);
    ASSERT_TRUE(f.file.SaveSettingsFile(f.path("frame.rd1")));
    const ProfileFile p = ProfileFile::load(f.path("frame.rd1"));
    EXPECT_EQ(p.getString(QByteArrayView("MainWindow"), QByteArrayView("Top"), QByteArrayView("")),
              QByteArray("20"));
    EXPECT_EQ(
        p.getString(QByteArrayView("MainWindow"), QByteArrayView("Height"), QByteArrayView("")),
        QByteArray("600"));
}

TEST(SettingsFile, SavingWithChkNoDirLeavesOutTheNetworkGroupsAndLoadingKeepsThem) {
    Fixture a;
    a.settings.ChkNoDir.set(true);
    ASSERT_TRUE(a.file.SaveSettingsFile(a.path("nodir.rd1")));
    const ProfileFile p = ProfileFile::load(a.path("nodir.rd1"));
    EXPECT_FALSE(p.hasKey("Server", "Port"));
    EXPECT_FALSE(p.hasKey("Server", "BaseDir"));
    EXPECT_TRUE(p.hasKey("Server", "Stretch"));
    EXPECT_TRUE(p.keyNames("Client").isEmpty());
    EXPECT_TRUE(p.keyNames("Mirror").isEmpty());
    EXPECT_TRUE(p.keyNames("Web").isEmpty());
    EXPECT_FALSE(p.hasKey("IPtalk", "SendCh"));
    EXPECT_TRUE(p.hasKey("IPtalk", "Width"));

    Fixture b;
    b.settings.Port.set(30500);
    b.settings.BaseDir.set(QStringLiteral("/keep"));
    b.settings.ClientName.set(QStringLiteral("keep-host"));
    b.settings.MirrorSel.set(true);
    b.settings.IPtalkCh.set(7);
    b.file.LoadSettingsFile(a.path("nodir.rd1"));
    EXPECT_EQ(b.settings.Port(), 30500);
    EXPECT_EQ(b.settings.BaseDir(), QStringLiteral("/keep"));
    EXPECT_EQ(b.settings.ClientName(), QStringLiteral("keep-host"));
    EXPECT_TRUE(b.settings.MirrorSel());
    EXPECT_EQ(b.settings.IPtalkCh(), 7);
}

TEST(SettingsFile, NoLoadDirProtectsTheDisplayKeysButNotClientAndMirror) {
    Fixture f;
    const QString path =
        f.write("guard.rd1", {"[Server]", "Port=12345", "BaseDir=/elsewhere", "ChangeWall=0",
                              "WallColor=255", "HideDisp=1", "Stretch=0", "[Client]", "Host=other",
                              "[Mirror]", "MirrorRun=1", "Host=m2", "[Run]", "NoLoadDir=1"});
    f.settings.BaseDir.set(QStringLiteral("/mine"));
    f.file.LoadSettingsFile(path);
    EXPECT_EQ(f.settings.Port(), 30000);
    EXPECT_EQ(f.settings.BaseDir(), QStringLiteral("/mine"));
    EXPECT_TRUE(f.settings.ChangeWall());
    EXPECT_EQ(f.settings.WallColor(), 16777215);
    EXPECT_FALSE(f.settings.HideDisp());
    EXPECT_FALSE(f.settings.TransChk());
    EXPECT_EQ(f.settings.ClientName(), QStringLiteral("other"));
    EXPECT_TRUE(f.settings.MirrorSel());
    EXPECT_EQ(f.settings.MirrorName(), QStringLiteral("m2"));
    EXPECT_TRUE(f.settings.ChkNoLoadDir());
}

TEST(SettingsFile, MissingFileChangesNothingButRunsTheAfterLoadSteps) {
    Fixture f;
    changeEverything(f.settings);
    f.settings.Iptalk_notouch.set(false);
    f.settings.Iptalk_ldhide.set(false);
    QSignalSpy anyChange(&f.settings.TransChk, &SettingBase::changed);
    f.file.LoadSettingsFile(f.path("absent.rd1"));
    EXPECT_EQ(anyChange.count(), 0);
    EXPECT_EQ(f.settings.Port(), 31000);
    EXPECT_EQ(f.settings.SampleText.fontSize(), -20);
    EXPECT_EQ(f.steps, (QStringList{"restyle", "place"}));
}

TEST(SettingsFile, AfterLoadStepsFollowTheCaptioningProgramSwitches) {
    struct Case {
        const char* ipTalk;
        QStringList steps;
    };
    const Case cases[] = {
        {"NoTouch=0\r\nLoadHide=0", {"restyle", "place"}},
        {"NoTouch=0\r\nLoadHide=1", {"restyle", "packet:2b0a"}},  // CmdIptalkHide + LF
        {"NoTouch=1\r\nLoadHide=1", {"restyle"}},
    };
    for (const Case& c : cases) {
        Fixture f;
        writeAll(f.path("ip.rd1"), QByteArray("[IPtalk]\r\n") + c.ipTalk + "\r\n");
        f.file.LoadSettingsFile(f.path("ip.rd1"));
        EXPECT_EQ(f.steps, c.steps) << c.ipTalk;
    }
}

TEST(SettingsFile, ServerNowStartsTheDisplayLastAndLeavesCkStartAlone) {
    Fixture f;
    const QString path = f.write("start.rd1", {"[RUN]", "ServerNow=1", "[IPtalk]", "NoTouch=1"});
    f.file.LoadSettingsFile(path);
    EXPECT_EQ(f.steps, (QStringList{"restyle", "start"}));
    EXPECT_FALSE(f.settings.ckStart());
}

TEST(SettingsFile, ValuesAreClampedParsedAndFallBackOnDamage) {
    Fixture f;
    f.settings.ClientPort.set(30001);
    f.settings.SampleText.fontSize.set(40);
    const QString path =
        f.write("odd.rd1",
                {"[server]", "PORT=70000", "WallColor=255.9", "Stretch=7", "Aspect=yes", "[Font]",
                 "FontSize=0x10", "FColor=abc", "BColor=-2147483643.5", "[Client]", "Port=12abc",
                 "[IPtalk]", "Width=-5", "Height=20000", "SendCh=40", "[Mirror]", "Port=-1", "[Web]", "Port=70000", "Run=2"});
    f.file.LoadSettingsFile(path);
    EXPECT_EQ(f.settings.Port(), 65535);
    EXPECT_EQ(f.settings.WallColor(), 255);  // fraction truncated: pure red
    EXPECT_TRUE(f.settings.TransChk());      // any non-zero integer is true
    EXPECT_FALSE(f.settings.AspectChk());    // not an integer: unchanged
    EXPECT_EQ(f.settings.SampleText.fontSize(), 16);
    EXPECT_EQ(f.settings.SampleText.fontColor(), kSysColorWindowText);  // unparsable: unchanged
    EXPECT_EQ(f.settings.SampleText.backColor(), -2147483643);
    EXPECT_EQ(f.settings.ClientPort(), 30001);  // trailing junk: unchanged
    EXPECT_EQ(f.settings.Iptalk_width(), 0);
    EXPECT_EQ(f.settings.Iptalk_height(), 10000);
    EXPECT_EQ(f.settings.IPtalkCh(), 0);  // out of range: kept, and logged
    EXPECT_EQ(f.settings.MirrorPort(), 0);
    EXPECT_EQ(f.settings.WebPort(), 65535);
    EXPECT_TRUE(f.settings.WebRemote());
    EXPECT_TRUE(cp932::decode(f.log.lines().join('\n')).contains(QStringLiteral("SendCh=40")));
}

TEST(SettingsFile, LegacyFormSectionWinsOverFont) {
    Fixture f;
    const QString path =
        f.write("legacy.rd1", {"[Font]", "FontSet=ＭＳ ゴシック", "FontSize=20", "Align=0",
                               "[Form]", "FontSet=ＭＳ 明朝", "Alignment=1", "Hidden=1"});
    f.file.LoadSettingsFile(path);
    EXPECT_EQ(f.settings.SampleText.fontName(), QStringLiteral("ＭＳ 明朝"));
    EXPECT_EQ(f.settings.SampleText.fontSize(), 20);
    EXPECT_TRUE(f.settings.StrFlameCentered());
    EXPECT_TRUE(f.settings.ckStrHide());
}

TEST(SettingsFile, CaptionAlignmentSurvivesSaveAndLoad) {
    for (const bool centred : {true, false}) {
        Fixture a;
        a.settings.StrFlameCentered.set(centred);
        ASSERT_TRUE(a.file.SaveSettingsFile(a.path("align.rd1")));
        Fixture b;
        b.settings.StrFlameCentered.set(!centred);
        b.file.LoadSettingsFile(a.path("align.rd1"));
        EXPECT_EQ(b.settings.StrFlameCentered(), centred);
    }
}

TEST(SettingsFile, LoadingRunsChangeHandlersOnlyForValuesThatChange) {
    Fixture f;
    QSignalSpy stretch(&f.settings.TransChk, &SettingBase::changed);
    QSignalSpy port(&f.settings.Port, &SettingBase::changed);
    const QString path = f.write("chg.rd1", {"[Server]", "Stretch=0", "Port=30000"});
    f.file.LoadSettingsFile(path);
    EXPECT_EQ(stretch.count(), 1);
    EXPECT_EQ(port.count(), 0);
}

TEST(SettingsFile, SaveForcesTheExtension) {
    EXPECT_EQ(SettingsFile::withExtension(QStringLiteral("/a/b.txt")), QStringLiteral("/a/b.rd1"));
    EXPECT_EQ(SettingsFile::withExtension(QStringLiteral("/a/b")), QStringLiteral("/a/b.rd1"));
    EXPECT_EQ(SettingsFile::withExtension(QStringLiteral("/a/b.RD1")), QStringLiteral("/a/b.RD1"));
    Fixture f;
    ASSERT_TRUE(f.file.SaveSettingsFile(f.path("plain")));
    EXPECT_TRUE(QFileInfo::exists(f.path("plain.rd1")));
}

TEST(SettingsFile, FailedSaveIsReportedAndLeavesTheOldFileWhole) {
    Fixture f;
    // A folder in place of the file: the rename over it must fail.
    QDir(f.dir.path()).mkpath(QStringLiteral("taken.rd1/inner"));
    EXPECT_FALSE(f.file.SaveSettingsFile(f.path("taken.rd1")));
    EXPECT_TRUE(f.log.lines().contains(sj("PKT受信[S]:ファイルの保存失敗")));
    EXPECT_TRUE(QFileInfo(f.path("taken.rd1/inner")).isDir());

    // A parent that is a file: nothing can be written, and that file stays as it was.
    writeAll(f.path("afile"), "x");
    EXPECT_FALSE(f.file.SaveSettingsFile(f.path("afile/s.rd1")));
    EXPECT_EQ(readAll(f.path("afile")), QByteArray("x"));

    // The write itself fails half-way through (the disk is full, say) while an earlier
    // settings file stands at the very path: that file keeps every byte, and the next save
    // that can write replaces it.
    const QString path = f.path("keep.rd1");
    f.settings.Port.set(31000);
    ASSERT_TRUE(f.file.SaveSettingsFile(path));
    const QByteArray before = readAll(path);
    ASSERT_TRUE(before.contains("\r\nPort=31000\r\n"));
    f.settings.Port.set(1234);
    const qsizetype logged = f.log.lines().size();
    {
        const FileSizeLimit limit(64);
        ASSERT_TRUE(limit.active());
        EXPECT_FALSE(f.file.SaveSettingsFile(path));
    }
    EXPECT_EQ(readAll(path), before);
    EXPECT_TRUE(f.log.lines().mid(logged).contains(sj("PKT受信[S]:ファイルの保存失敗")));
    EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Files),
              QStringList({QStringLiteral("afile"), QStringLiteral("keep.rd1")}));
    ASSERT_TRUE(f.file.SaveSettingsFile(path));
    EXPECT_TRUE(readAll(path).contains("\r\nPort=1234\r\n"));
}

TEST(SettingsFile, UnreadableFileIsAnError) {
    Fixture f;
    QDir(f.dir.path()).mkpath(QStringLiteral("folder.rd1"));
    EXPECT_THROW(f.file.LoadSettingsFile(f.path("folder.rd1")), ZulError);
}

TEST(SettingsFile, ChosenScreenIsSavedByNameAndProtectedLikeTheOtherMachineKeys) {
    struct Case {
        const char* screen;
        bool noDir;        // ChkNoDir when saving
        bool noLoadDir;    // NoLoadDir in the file
        const char* kept;  // the loading machine's screen afterwards (it had "DP-1")
    };
    const Case cases[] = {
        {"HDMI-2", false, false, "HDMI-2"},
        {"screen #2", false, false, "screen #2"},
        {"プロジェクター", false, false, "プロジェクター"},
        {"HDMI-2", true, false, "DP-1"},
        {"HDMI-2", false, true, "DP-1"},
        // Never chosen: no key, and the loading machine keeps its own choice.
        {"", false, false, "DP-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.screen);
        Fixture a;
        a.settings.Screen.set(QString::fromUtf8(c.screen));
        a.settings.ChkNoDir.set(c.noDir);
        a.settings.ChkNoLoadDir.set(c.noLoadDir);
        ASSERT_TRUE(a.file.SaveSettingsFile(a.path("screen.rd1")));
        const ProfileFile p = ProfileFile::load(a.path("screen.rd1"));
        const bool written = *c.screen != '\0' && !c.noDir;
        EXPECT_EQ(p.hasKey("Server", "Screen"), written);
        if (written) {
            EXPECT_EQ(
                p.getString(QByteArrayView("Server"), QByteArrayView("Screen"), QByteArrayView("")),
                sj(c.screen));
        }

        Fixture b;
        b.settings.Screen.set(QStringLiteral("DP-1"));
        b.file.LoadSettingsFile(a.path("screen.rd1"));
        EXPECT_EQ(b.settings.Screen(), QString::fromUtf8(c.kept));
    }
}
