#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>

#include "commands/directory_commands.h"
#include "commands/interpreter.h"
#include "fakes.h"
#include "model/debug_log.h"
#include "model/settings.h"
#include "platform/cp932.h"
#include "platform/cpu_load.h"
#include "services/status_broadcaster.h"
#include "test_support.h"

using namespace zul;
using zul::test::sj;

namespace {

// Stat texts handed out one per reading: the aggregate line in one processor's terms.
struct StatScript {
    QByteArrayList texts;
    qsizetype next = 0;

    void add(long busy, long idle) {
        texts << "cpu  " + QByteArray::number(busy) + " 0 0 " + QByteArray::number(idle) +
                     " 0 0 0 0\ncpu0 0 0 0 0 0 0 0 0\n";
    }
};

QByteArray packet(Cmd cmd, const QByteArray& operand = {}) {
    return QByteArray(1, static_cast<char>(commandByte(cmd))) + operand;
}

QByteArray reply(int byte, const QByteArray& operand) {
    return QByteArray(1, static_cast<char>(byte)) + operand + '\n';
}

// A path as the replies carry it.
QByteArray wire(const QString& path) {
    return cp932::encode(path);
}

// A base directory with an entry of every kind the lists tell apart:
//   noext, plain.jpg, 日本語.txt   plain files
//   readonly.txt                   not writable by its owner
//   .dot                           hidden file
//   sub/inner.txt, サブ/           folders
//   .hidden/                       hidden folder
class DirectoryCommands : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QDir root(dir_.path());
        for (const char* name : {"noext", "plain.jpg", "日本語.txt", "readonly.txt", ".dot"}) {
            test::writeAll(dir_.filePath(QString::fromUtf8(name)), "x");
        }
        ASSERT_TRUE(QFile::setPermissions(
            dir_.filePath(QStringLiteral("readonly.txt")),
            QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        for (const char* name : {"sub", "サブ", ".hidden"}) {
            ASSERT_TRUE(root.mkdir(QString::fromUtf8(name)));
        }
        test::writeAll(dir_.filePath(QStringLiteral("sub/inner.txt")), "x");

        broadcaster_.setSender(&udp_);
        settings_.BaseDir.set(dir_.path());
        registerDirectoryCommands(interpreter_, {settings_, log_, broadcaster_, meter_});
    }

    // Runs the packet as received from the operator and returns what it was answered.
    QByteArrayList run(const QByteArray& bytes) {
        connection_.sent.clear();
        interpreter_.ExecutePacket(bytes, &connection_);
        return connection_.sent;
    }

    QString base() const { return dir_.path(); }

    QTemporaryDir dir_;
    Settings settings_;
    DebugLog log_;
    test::RecordingDatagrams udp_;
    StatusBroadcaster broadcaster_{"display-pc"};
    std::shared_ptr<StatScript> stat_ = std::make_shared<StatScript>();
    CpuHistory cpuHistory_;
    CpuMeter meter_{[stat = stat_] { return stat->texts.value(stat->next++); }, cpuHistory_};
    Interpreter interpreter_{log_};
    test::RecordingConnection connection_{QStringLiteral("op-pc")};
};

}  // namespace

TEST_F(DirectoryCommands, FileListAnswersPlainFilesThenTheBaseDirectoryTwice) {
    struct Case {
        const char* what;
        QString baseDir;
        QByteArray operand;
        QByteArrayList names;
    };
    const QByteArrayList all = {"noext", "plain.jpg", sj("日本語.txt")};
    const Case cases[] = {
        {"empty mask lists all", base(), "", all},
        {"trailing separator, empty mask", base() + "/", "", all},
        {"mask with capitals", base(), "*.TXT", {sj("日本語.txt")}},
        {"mask that matches nothing", base(), "*.png", {}},
        {"subfolder with a backslash", base(), "sub\\*.*", {"inner.txt"}},
        {"subfolder with a slash", base() + "/", "sub/*.txt", {"inner.txt"}},
        {"folder that does not exist", base() + "/missing", "", {}},
        {"subfolder that does not exist", base(), "nowhere\\*.*", {}},
    };
    for (const Case& c : cases) {
        settings_.BaseDir.set(c.baseDir);
        QByteArrayList expected;
        for (const QByteArray& name : c.names) {
            expected << reply(33, name);
        }
        expected << reply(54, wire(c.baseDir)) << reply(83, wire(c.baseDir));
        EXPECT_EQ(run(packet(Cmd::CmdDirListGet, c.operand)), expected) << c.what;
    }
}

TEST_F(DirectoryCommands, FolderListAnswersTheParentAndEveryPlainFolder) {
    const QByteArray parent = wire(QFileInfo(base()).absolutePath());
    for (const QString& baseDir : {base(), base() + "/"}) {
        settings_.BaseDir.set(baseDir);
        // "." is skipped, ".hidden" and the files are left out; one separator either way.
        const QByteArrayList expected = {
            reply(69, parent),
            reply(69, wire(base()) + "/sub"),
            reply(69, wire(base()) + sj("/サブ")),
            reply(54, wire(baseDir)),
        };
        EXPECT_EQ(run(packet(Cmd::CmdDirListSend, "*.*")), expected) << baseDir.toStdString();
    }
}

TEST(DirectoryParent, CutsTheBaseDirectoryBeforeItsLastSeparator) {
    struct Case {
        const char* baseDir;
        const char* parent;
    };
    const Case cases[] = {
        {"/home/user/", "/home"},
        {"/home/user", "/home"},
        {"/home/user/photos/", "/home/user"},
        {"/x/", "/"},  // the root, not an empty name
        {"/x", "/"},
        {"/", "/"},
        {"", "/"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parentFolderOf(QString::fromUtf8(c.baseDir)), QString::fromUtf8(c.parent))
            << c.baseDir;
    }
}

TEST_F(DirectoryCommands, NamesThatCannotTravelAsTheyAreAreLeftOutOrMarked) {
    test::writeAll(dir_.filePath(QStringLiteral("line\nfeed.txt")), "x");
    ASSERT_TRUE(QDir(base()).mkdir(QStringLiteral("folder\nwith feed")));
    test::writeAll(dir_.filePath(QString::fromUtf8("smile\xF0\x9F\x98\x80.txt")), "x");

    const QByteArrayList files = run(packet(Cmd::CmdDirListGet, "*.txt"));
    EXPECT_EQ(files, (QByteArrayList{reply(33, "smile?.txt"), reply(33, sj("日本語.txt")),
                                     reply(54, wire(base())), reply(83, wire(base()))}));

    // Both are noted in the log.
    const auto logged = [this](const QByteArray& tail) {
        return std::any_of(log_.lines().begin(), log_.lines().end(),
                           [&](const QByteArray& line) { return line.endsWith(tail); });
    };
    EXPECT_TRUE(logged("smile?.txt"));
    EXPECT_TRUE(logged("line feed.txt"));

    const QByteArrayList folders = run(packet(Cmd::CmdDirListSend, "*.*"));
    EXPECT_EQ(folders,
              (QByteArrayList{reply(69, wire(QFileInfo(base()).absolutePath())),
                              reply(69, wire(base()) + "/sub"),
                              reply(69, wire(base()) + sj("/サブ")), reply(54, wire(base()))}));
}

TEST_F(DirectoryCommands, DirectoryChangeNeedsTheKeyByteForByte) {
    struct Case {
        const char* what;
        QString key;         // the hub's key
        QByteArray operand;  // as the operator sends it
        QString newBaseDir;  // empty: refused, nothing changes
    };
    const Case cases[] = {
        {"matching key", QStringLiteral("秘密"), sj("秘密,/data/show"), "/data/show/"},
        {"trailing separator kept once", QStringLiteral("k"), "k,/data/show/", "/data/show/"},
        {"empty key and empty hub key", QString(), ",/data", "/data/"},
        {"comma inside the folder", QStringLiteral("k"), "k,/data/a,b", "/data/a,b/"},
        {"Japanese folder", QStringLiteral("k"), sj("k,/データ"), QStringLiteral("/データ/")},
        {"wrong key", QStringLiteral("秘密"), sj("秘蜜,/data"), {}},
        {"key differs in case", QStringLiteral("key"), "Key,/data", {}},
        {"key is only a prefix", QStringLiteral("key"), "ke,/data", {}},
        {"key sent but none set", QString(), "key,/data", {}},
        {"no comma at all", QString(), "/data", {}},
        {"empty operand", QString(), "", {}},
        // A hub key code page 932 cannot hold is not the '?' it would turn into.
        {"unrepresentable hub key", QString::fromUtf8("\xF0\x9F\x98\x80"), "?,/data", {}},
    };
    for (const Case& c : cases) {
        const QString before = QStringLiteral("/before/");
        settings_.BaseDir.set(before);
        settings_.remo_key.set(c.key);
        udp_.sent.clear();

        const QByteArrayList replies = run(packet(Cmd::CmdDirChange, c.operand));
        if (c.newBaseDir.isEmpty()) {
            EXPECT_EQ(replies, QByteArrayList{reply(
                                   30, sj("フォルダ変更されません。パスワードがあいません"))})
                << c.what;
            EXPECT_EQ(settings_.BaseDir.get(), before) << c.what;
            EXPECT_TRUE(udp_.sent.isEmpty()) << c.what;
        } else {
            EXPECT_EQ(replies, QByteArrayList{reply(
                                   30, sj("フォルダ変更されました。->") + wire(c.newBaseDir))})
                << c.what;
            EXPECT_EQ(settings_.BaseDir.get(), c.newBaseDir) << c.what;
            EXPECT_EQ(udp_.sent, QByteArrayList{"ZUL,5,DIR\n"}) << c.what;
        }
    }
}

TEST_F(DirectoryCommands, InternalDirectoryChangeActsWithoutAnswer) {
    settings_.remo_key.set(QStringLiteral("k"));
    interpreter_.ExecutePacket(packet(Cmd::CmdDirChange, "k,/data"), nullptr);
    EXPECT_EQ(settings_.BaseDir.get(), QStringLiteral("/data/"));
    EXPECT_EQ(udp_.sent, QByteArrayList{"ZUL,5,DIR\n"});
}

TEST_F(DirectoryCommands, LogFetchSendsEveryLineInOrderOnePerPacket) {
    log_.add(sj("一行目"));
    log_.add(QByteArray("two\nlines"));
    QByteArrayList expected;
    for (const QByteArray& line : log_.lines()) {
        expected << reply(50, line == "two\nlines" ? QByteArray("two lines") : line);
    }
    EXPECT_EQ(run(packet(Cmd::CmdDebugLog)), expected);
    EXPECT_EQ(expected.size(), DebugLog::banner().size() + 2);
}

TEST_F(DirectoryCommands, FontRequestAnswersTheCaptionLookThenItsPosition) {
    struct Case {
        int size;
        ColorValue font;
        ColorValue back;
        bool scroll, hide, centred, centreBox, top;
        const char* name;
        QByteArray look;
        QByteArray position;
    };
    const Case cases[] = {
        {24, 255, kSysColorWindow, true, false, true, false, true, "ＭＳ ゴシック",
         "24 255 -2147483643 1 0 1 " + sj("ＭＳ ゴシック"), "1"},
        // The centre flag follows the caption label, not the hub's centre box.
        {-12, 0, 16777215, false, true, false, true, false, "IPAGothic",
         "-12 0 16777215 0 1 0 IPAGothic", "0"},
    };
    for (const Case& c : cases) {
        settings_.SampleText.fontSize.set(c.size);
        settings_.SampleText.fontColor.set(c.font);
        settings_.SampleText.backColor.set(c.back);
        settings_.SampleText.fontName.set(QString::fromUtf8(c.name));
        settings_.ckStrScroll.set(c.scroll);
        settings_.ckStrHide.set(c.hide);
        settings_.StrFlameCentered.set(c.centred);
        settings_.ckCenter.set(c.centreBox);
        settings_.ckTextPos.set(c.top);
        EXPECT_EQ(run(packet(Cmd::CmdFontRequest)),
                  (QByteArrayList{reply(58, c.look), reply(85, c.position)}))
            << c.name;
    }
}

TEST_F(DirectoryCommands, CpuLoadAnswersThePercentSinceThePreviousRequest) {
    stat_->add(0, 100);    // first request: no interval yet
    stat_->add(50, 150);   // half busy since then
    stat_->add(150, 150);  // busy throughout
    EXPECT_EQ(run(packet(Cmd::CmdCpuLoadRequest, ",")), QByteArrayList{reply(75, "0")});
    EXPECT_EQ(run(packet(Cmd::CmdCpuLoadRequest)), QByteArrayList{reply(75, "50")});
    // An internal request answers nobody and leaves the interval to the operators.
    interpreter_.ExecutePacket(packet(Cmd::CmdCpuLoadRequest, ","), nullptr);
    EXPECT_EQ(run(packet(Cmd::CmdCpuLoadRequest, "ignored")), QByteArrayList{reply(75, "100")});
}
