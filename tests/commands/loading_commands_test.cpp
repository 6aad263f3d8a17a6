// Loading, saving and parts commands through the interpreter, with a real display window.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "../display/display_fixture.h"
#include "commands/display_commands.h"
#include "commands/interpreter.h"
#include "commands/loading_commands.h"
#include "content/file_set.h"
#include "display/Zul2_rdisp.h"
#include "display/part_table.h"
#include "display/viewers.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/line_list.h"
#include "model/settings.h"
#include "model/worksheet.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/profile_file.h"
#include "protocol/connection.h"
#include "recording_mirror.h"
#include "services/settings_file.h"
#include "test_support.h"

using namespace zul;
using zul::test::readAll;
using zul::test::sj;
using zul::test::writeAll;

namespace {

// The display window on the interpreter, with the display and loading commands.
struct Fixture : test::DisplayFixture {
    Interpreter interpreter{log};
    SettingsFile settingsFile{settings, log};
    test::RecordingMirror mirror;
    QList<int> progress;

    Fixture() : DisplayFixture({.open = false, .contentFillsWindow = true}) {
        interpreter.setMirror(&mirror);
        openDisplay(interpreter);
        registerDisplayCommands(interpreter, {settings, *display, {}, {}});
        registerLoadingCommands(interpreter, {settings,
                                              hub,
                                              log,
                                              status,
                                              settingsFile,
                                              *display,
                                              worksheet,
                                              [this](int, int v) { progress << v; },
                                              {}});
        writeJpeg("bg.jpg");
        write("captions.txt", "one\r\ntwo\r\n");
        write("parts.rp1", "[List]\r\nRecordCount=1\r\n[Parts-1]\r\nPName=score\r\n");
        write("values.rv1", "[List]\r\nRecordCount=1\r\n[Parts-1]\r\nPName=score\r\nValue=7\r\n");
        write("sheet.csv", "a,b\r\n");
    }
    // The display goes first: it runs its packets through the interpreter.
    ~Fixture() { display.reset(); }

    void writeJpeg(const char* name) {
        QImage img(8, 8, QImage::Format_RGB32);
        img.fill(Qt::red);
        img.save(path(name), "JPG");
    }
    void run(const QByteArray& packet, PacketConnection* c = nullptr) {
        guarded(errors, [&] { interpreter.ExecutePacket(packet, c); });
    }
    QByteArrayList mirroredCommands() const {
        QByteArrayList out;
        for (const QByteArray& p : mirror.packets) {
            out << p.left(1);
        }
        return out;
    }
};

}  // namespace

TEST(LoadingCommands, FileSetLoadsItsItemsInTheFixedOrder) {
    Fixture f;
    writeAll(
        f.path("set.rf1"),
        "[FileSet]\r\nBackGround=bg.jpg\r\nTextFile=captions.txt\r\nSettingFile=\r\n"
        "FlowParts=parts.rp1\r\nPartsValue=values.rv1\r\nIPtalkFile=\r\nCSVFile=sheet.csv\r\n");
    f.run("\x2aset.rf1");
    EXPECT_TRUE(f.errors.messages.isEmpty());
    // Each item's packet is handed over before the file set itself.
    EXPECT_EQ(f.mirroredCommands(),
              (QByteArrayList{"\x1f", "\x23", "\x2e", "\x2c", "\x38", "\x2a"}));
    EXPECT_EQ(f.display->parts().label(0)->caption(), QByteArray("7"));
    EXPECT_EQ(f.worksheet.cell(1, 1), QByteArray("a"));
    EXPECT_TRUE(f.datagrams.sent.contains("ZUL,5,ALL\n"));
    EXPECT_EQ(f.hub.Current.CurTextList, QByteArray("captions.txt"));
    EXPECT_TRUE(f.hub.Current.CurCsvFile.isEmpty());  // only the worksheet command keeps it
}

TEST(LoadingCommands, FileSetStopsAtAMissingTextList) {
    Fixture f;
    writeAll(f.path("set.rf1"),
             "[FileSet]\r\nTextFile=missing.txt\r\nFlowParts=parts.rp1\r\nCSVFile=sheet.csv\r\n");
    f.run("\x2aset.rf1");
    EXPECT_EQ(f.display->parts().PartCount(), 0);
    EXPECT_TRUE(f.worksheet.cell(1, 1).isEmpty());
    EXPECT_FALSE(f.datagrams.sent.contains("ZUL,5,ALL\n"));
    EXPECT_TRUE(
        f.log.lines().contains(sj("ファイルセットロードでエラー発生。ロードをやめました。")));
    const QByteArray status = "ZUL,3,\x1e(pc1)" + sj("ファイルセットロードでエラー発生") + "(" +
                              cp932::encode(f.path("set.rf1")) + ")\n";
    EXPECT_TRUE(f.datagrams.sent.contains(status));
    EXPECT_TRUE(f.errors.messages.isEmpty());  // reported by the file set itself
    EXPECT_EQ(f.mirror.packets.last().left(1), QByteArray("\x2a"));  // still handed over
}

TEST(LoadingCommands, FileSetBackgroundCanBeAWebList) {
    Fixture f;
    writeAll(f.path("show.rw1"), "bg.jpg\r\n");
    writeAll(f.path("set.rf1"), "[FileSet]\r\nBackGround=show.rw1\r\n");
    f.run("\x2aset.rf1");
    EXPECT_TRUE(f.display->webTimer().isActive());
    EXPECT_EQ(f.webList.lines(), QByteArrayList{"bg.jpg"});
}

// A file set whose background is a web list whose first entry is that file set: the list's
// first entry runs at once, the file set loads the list again, and so on until the stack
// ran out (one packet ended the program). The rotation takes the reloaded list at its next
// tick instead.
TEST(LoadingCommands, FileSetAndWebListThatNameEachOtherLoadOnce) {
    Fixture f;
    writeAll(f.path("show.rw1"), "set.rf1\r\nbg.jpg\r\n");
    writeAll(f.path("set.rf1"), "[FileSet]\r\nBackGround=show.rw1\r\nTextFile=captions.txt\r\n");
    f.run("\x2aset.rf1");
    EXPECT_TRUE(f.errors.messages.isEmpty());
    // In the order in which each finished: the file set that the rotation ran (its list,
    // its captions, itself), then the operator's (the same three).
    EXPECT_EQ(f.mirroredCommands(),
              (QByteArrayList{"\x22", "\x23", "\x2a", "\x22", "\x23", "\x2a"}));
    EXPECT_EQ(f.webList.lines(), (QByteArrayList{"set.rf1", "bg.jpg"}));
    EXPECT_EQ(f.hub.WebIndex, -1);  // the next tick shows the list's first entry
    EXPECT_TRUE(f.display->webTimer().isActive());
    EXPECT_FALSE(f.hub.FromWebList);
}

TEST(LoadingCommands, MissingFileSetStillAnnouncesTheLoad) {
    Fixture f;
    f.run("\x2anothing.rf1");
    EXPECT_TRUE(f.datagrams.sent.contains("ZUL,5,ALL\n"));
}

TEST(LoadingCommands, SettingsLoadAnnouncesTheChange) {
    Fixture f;
    writeAll(f.path("s.rd1"), "[Server]\r\nAspect=1\r\n[IPtalk]\r\nNoTouch=1\r\n");
    f.run("\x27s.rd1");
    EXPECT_TRUE(f.settings.AspectChk());
    EXPECT_TRUE(f.datagrams.sent.contains("ZUL,5,DIR\n"));
}

TEST(LoadingCommands, RemoteSaveModes) {
    Fixture f;
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(f.dir.path());
    f.hub.Current.CurBackground = "bg.jpg";
    f.hub.Current.CurTextList = "captions.txt";
    f.hub.Current.CurParts = "parts.rp1";
    f.run(
        "\x47"
        "2,event");
    const FileSet set = readFileSet(f.path("event.rf1"));
    EXPECT_TRUE(QFileInfo::exists(f.path("event.rd1")));
    EXPECT_EQ(set.BackGround, QByteArray("bg.jpg"));
    EXPECT_EQ(set.TextFile, QByteArray("captions.txt"));
    EXPECT_EQ(set.SettingFile, QByteArray("event.rd1"));
    EXPECT_EQ(set.FlowParts, QByteArray("parts.rp1"));
    EXPECT_TRUE(set.IPtalkFile.isEmpty());
    EXPECT_TRUE(f.log.lines().contains(sj("PKT受信[S]: セッション071-002-2")));

    f.run(
        "\x47"
        "1,only.txt");
    EXPECT_TRUE(QFileInfo::exists(f.path("only.rd1")));
    EXPECT_FALSE(QFileInfo::exists(f.path("only.rf1")));

    f.run(
        "\x47"
        "3,x");
    EXPECT_TRUE(f.log.lines().contains(sj("PKT受信[S]:セッション 071-003-0 NG")));
    QDir::setCurrent(cwd);

    // Names that reach outside the folder are refused.
    for (const char* bad : {"\x47"
                            "1,../up",
                            "\x47"
                            "1,sub/x",
                            "\x47"
                            "2,..",
                            "\x47"
                            "1,/etc/x"}) {
        f.run(bad);
    }
    EXPECT_FALSE(QFileInfo::exists(QDir(f.dir.path()).filePath("../up.rd1")));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/etc/x.rd1")));
}

TEST(LoadingCommands, WorksheetLoadSendAndReceive) {
    Fixture f;
    f.run("\x4csheet.csv");
    EXPECT_EQ(f.hub.Current.CurCsvFile, QByteArray("sheet.csv"));
    EXPECT_EQ(f.worksheet.cell(2, 1), QByteArray("b"));

    f.run(
        "\x50"
        "5 5,x,y");
    EXPECT_EQ(f.worksheet.cell(1, 5), QByteArray("x"));
    EXPECT_EQ(f.progress, QList<int>{5});
    f.run(
        "\x50"
        "6 6,a b");  // the text ends at the first blank
    EXPECT_EQ(f.worksheet.cell(1, 6), QByteArray("a"));
    EXPECT_TRUE(f.worksheet.cell(2, 6).isEmpty());
    f.run(
        "\x50"
        "200 200,z");  // outside the grid: ignored
    f.run(
        "\x50"
        "0 0,z");
    EXPECT_TRUE(f.errors.messages.isEmpty());

    test::RecordingConnection op{QStringLiteral("op")};
    f.run("\x51", &op);
    ASSERT_EQ(op.sent.size(), 199);
    EXPECT_EQ(op.sent[0].left(4), QByteArray("\x51"
                                             "1 1"));
    EXPECT_EQ(op.sent[4].left(8), QByteArray("\x51"
                                             "5 5,x,y"));
}

TEST(LoadingCommands, PartsCommandsRouteToThePartTable) {
    Fixture f;
    test::RecordingConnection op{QStringLiteral("op")};
    f.run("\x2eparts.rp1");
    f.run("\x2cSCORE,3,255,0");
    f.run("\x2d", &op);
    EXPECT_EQ(op.sent, QByteArrayList{"\x2fscore,3,255,0\n"});
    f.run("\x4d");
    EXPECT_FALSE(f.display->parts().label(0)->isVisibleTo(f.display->Panel1()));
    f.run("\x4e");
    EXPECT_TRUE(f.display->parts().label(0)->isVisibleTo(f.display->Panel1()));
    f.run("\x30");
    op.sent.clear();
    f.run("\x2d", &op);
    EXPECT_TRUE(op.sent.isEmpty());
    f.run("\x4fparts.rp1");
    EXPECT_FALSE(f.display->parts().label(0)->isVisibleTo(f.display->Panel1()));
}

namespace {

// Unblocks a reader stuck in opening or reading a FIFO: when the work has not finished
// within the grace time, it opens the FIFO's write end and closes it again, so the reader
// sees the end of the file, and records that it had to.
class FifoRescue {
public:
    FifoRescue(const QString& fifo, std::chrono::milliseconds grace)
        : thread_([this, name = QFile::encodeName(fifo), grace] {
              std::unique_lock lock(mutex_);
              if (done_.wait_for(lock, grace, [this] { return finished_; })) {
                  return;
              }
              const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK);
              if (fd >= 0) {
                  rescued_ = true;
                  ::close(fd);
              }
          }) {}
    ~FifoRescue() { finish(); }

    // The reader returned; true when it did so only because it was unblocked.
    bool finish() {
        {
            const std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        if (thread_.joinable()) {
            thread_.join();
        }
        return rescued_;
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::atomic<bool> rescued_ = false;
    std::thread thread_;
};

QString everything(const Fixture& f) {
    return f.errors.messages.join(u'\n') + u'\n' + cp932::decode(f.log.lines().join('\n'));
}

}  // namespace

// A peer names a FIFO (or any other file that is not a regular one) with the right
// extension: the command refuses it at once, with a reason, instead of waiting for a writer
// that never comes while the whole display stands still.
TEST(LoadingCommands, OnlyRegularFilesAreReadForPeersNames) {
    const struct {
        const char* name;
        QByteArray packet;
    } cases[] = {
        {"pipe.csv", "\x4cpipe.csv"},  // worksheet
        {"pipe.txt", "\x23pipe.txt"},  // caption list
        {"pipe.rw1", "\x22pipe.rw1"},  // web list
        {"pipe.rp1", "\x2epipe.rp1"},  // parts
        {"pipe.rv1", "\x38pipe.rv1"},  // values
        {"pipe.rf1", "\x2apipe.rf1"},  // file set
        {"pipe.rd1", "\x27pipe.rd1"},  // settings
        {"pipe.pdf", "\x1fpipe.pdf"},  // background document
        {"pipe.jpg", "\x43pipe.jpg"},  // cover picture
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        ASSERT_EQ(::mkfifo(QFile::encodeName(f.path(c.name)).constData(), 0644), 0);
        FifoRescue rescue(f.path(c.name), std::chrono::seconds(3));
        f.run(c.packet);
        EXPECT_FALSE(rescue.finish()) << "the command waited on the FIFO";
        EXPECT_TRUE(everything(f).contains(QStringLiteral("通常のファイルではありません")))
            << everything(f).toStdString();
    }

    // Nor is a folder shown as a page (the browser would list it on the screen).
    Fixture f;
    ASSERT_TRUE(QDir(f.dir.path()).mkdir(QStringLiteral("pages.htm")));
    f.run("\x1fpages.htm");
    EXPECT_FALSE(f.display->WebPanel()->hasEngine());
    EXPECT_TRUE(everything(f).contains(QStringLiteral("通常のファイルではありません")));
}

// Each command reads only files of its own kind, whatever the name's case; a name of
// another kind is refused with a log line that says what the command reads, and the
// file's contents go nowhere: not into the worksheet that a peer can read back, not into
// lists, parts or settings.
TEST(LoadingCommands, CommandsReadOnlyFilesOfTheirKind) {
    const QByteArray partsIni = "[List]\r\nRecordCount=1\r\n[Parts-1]\r\nPName=leak\r\n";
    const QByteArray valuesIni =
        "[List]\r\nRecordCount=1\r\n[Parts-1]\r\nPName=score\r\nValue=9\r\n";
    const QByteArray lines = "secret,line\r\nbg.jpg\r\n";
    using Check = std::function<bool(Fixture&)>;
    const Check sheetRead = [](Fixture& f) { return !f.worksheet.cell(1, 1).isEmpty(); };
    const Check partsRead = [](Fixture& f) { return f.display->parts().PartCount() > 0; };
    const Check valuesRead = [](Fixture& f) {
        return f.display->parts().label(0)->caption() == "9";
    };
    const Check captionsRead = [](Fixture& f) { return !f.strList.lines().isEmpty(); };
    const Check webListRead = [](Fixture& f) { return !f.webList.lines().isEmpty(); };
    const Check settingsRead = [](Fixture& f) { return f.settings.AspectChk(); };
    const Check coverRead = [](Fixture& f) { return !f.back.coverPicture().isNull(); };
    const struct {
        const char* name;
        QByteArray contents;
        QByteArray packet;
        Check wasRead;
        bool allowed;
        const char* kind;  // named by the refusal
    } cases[] = {
        {"leak.txt", lines, "\x4cleak.txt", sheetRead, false, "ワークシート（.csv）"},
        {"LEAK.CSV", lines, "\x4cLEAK.CSV", sheetRead, true, nullptr},
        {"leak.txt", partsIni, "\x2eleak.txt", partsRead, false, "部品定義ファイル（.rp1）"},
        {"leak.rv1", partsIni, "\x4fleak.rv1", partsRead, false, "部品定義ファイル（.rp1）"},
        {"LEAK.Rp1", partsIni, "\x2eLEAK.Rp1", partsRead, true, nullptr},
        {"leak.txt", valuesIni, "\x38leak.txt", valuesRead, false, "部品の値ファイル（.rv1）"},
        {"LEAK.RV1", valuesIni, "\x38LEAK.RV1", valuesRead, true, nullptr},
        {"leak.rw1", lines, "\x23leak.rw1", captionsRead, false, "文字更新リスト（.txt）"},
        {"LEAK.TXT", lines, "\x23LEAK.TXT", captionsRead, true, nullptr},
        {"leak.txt", lines, "\x22leak.txt", webListRead, false, "Web更新リスト（.rw1）"},
        {"leak.csv", "[Server]\r\nAspect=1\r\n", "\x27leak.csv", settingsRead, false,
         "設定ファイル（.rd1）"},
        {"leak.txt", "[FileSet]\r\nTextFile=captions.txt\r\n", "\x2aleak.txt", captionsRead, false,
         "ファイルセット（.rf1）"},
        // Pictures are recognised by their contents, so the name is all that stops this one.
        {"leak.txt", QByteArray(), "\x43leak.txt", coverRead, false, "画像（"},
        {"LEAK.JPG", QByteArray(), "\x43LEAK.JPG", coverRead, true, nullptr},
        // A file set's entries obey the same rule as the commands they stand for.
        {"set.rf1", "[FileSet]\r\nCSVFile=captions.txt\r\n", "\x2aset.rf1", sheetRead, false,
         "ワークシート（.csv）"},
        {"set.rf1", "[FileSet]\r\nSettingFile=captions.txt\r\n", "\x2aset.rf1", settingsRead, false,
         "設定ファイル（.rd1）"},
        {"set.rf1", "[FileSet]\r\nFlowParts=captions.txt\r\n", "\x2aset.rf1", partsRead, false,
         "部品定義ファイル（.rp1）"},
        {"set.rf1", "[FileSet]\r\nTextFile=show.rw1\r\n", "\x2aset.rf1", captionsRead, false,
         "文字更新リスト（.txt）"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.packet.toStdString());
        Fixture f;
        if (c.contents.isEmpty()) {
            f.writeJpeg(c.name);
        } else {
            f.write(c.name, c.contents);
        }
        // Files that the file set cases name, with contents that would show if read.
        f.write("captions.txt", "[Server]\r\nAspect=1\r\n[List]\r\nRecordCount=1\r\n");
        f.write("show.rw1", "one\r\n");
        f.write("leak.csv", "[Server]\r\nAspect=1\r\n");
        if (c.packet.startsWith('\x38')) {
            f.run("\x2eparts.rp1");  // a part named score
        }
        f.run(c.packet);
        EXPECT_EQ(c.wasRead(f), c.allowed) << everything(f).toStdString();
        if (!c.allowed) {
            EXPECT_TRUE(everything(f).contains(QStringLiteral("このコマンドで読めるのは") +
                                               QString::fromUtf8(c.kind)))
                << everything(f).toStdString();
        }
    }
}

// The lines of a system file never travel back to a peer through the worksheet.
TEST(LoadingCommands, WorksheetNeverReadsAnArbitraryFileForAPeer) {
    Fixture f;
    test::RecordingConnection op{QStringLiteral("op")};
    f.run("\x4c/etc/passwd", &op);
    f.run("\x4c../../../../../../etc/passwd", &op);
    f.run("\x51", &op);
    ASSERT_EQ(op.sent.size(), 199);
    EXPECT_FALSE(op.sent.join().contains("root"));
    EXPECT_TRUE(f.hub.Current.CurCsvFile.isEmpty());  // a refused name is not remembered
}

// A save name is checked as text, not as bytes: the second byte of many double-byte
// characters is 0x5C, the byte of the backslash.
TEST(LoadingCommands, RemoteSaveNamesAreCheckedAsText) {
    const struct {
        const char* utf8;
        bool bare;
    } cases[] = {
        {"表示", true},    {"ソース", true}, {"能力", true}, {"予定", true},
        {"十月", true},    {"a\\b", false},  {"a/b", false}, {"..", false},
        {"表\\示", false}, {"c:x", false},   {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isBareSaveName(sj(c.utf8)), c.bare) << c.utf8;
    }

    Fixture f;
    f.settings.ChkNoTotalPath.set(false);
    f.run(
        "\x47"
        "1," +
        sj("表示"));
    EXPECT_TRUE(QFileInfo::exists(f.dir.filePath(QStringLiteral("表示.rd1"))));
}

// A settings file is as untrusted as a packet: extreme geometry and font values are bounded
// on reading, so showing a picture afterwards neither overflows nor crashes the layout.
TEST(LoadingCommands, SettingsFileNumbersAreBoundedBeforeUse) {
    const struct {
        const char* top;
        const char* left;
        const char* height;
        const char* width;
        const char* fontSize;
    } extremes[] = {
        {"-2147483648", "-2147483648", "-2147483648", "2147483647", "-2147483648"},
        {"2147483647", "2147483647", "2147483647", "2147483647", "2147483647"},
        {"-99999999", "99999999", "-1", "99999999", "99999999"},
    };
    for (const auto& v : extremes) {
        SCOPED_TRACE(v.top);
        Fixture f;
        f.display->show();
        f.write("s.rd1", QByteArray("[Window]\r\nTop=") + v.top + "\r\nLeft=" + v.left +
                             "\r\nHeight=" + v.height + "\r\nWidth=" + v.width +
                             "\r\n[Font]\r\nFontSize=" + v.fontSize +
                             "\r\n[IPtalk]\r\nNoTouch=1\r\n");
        f.run("\x27s.rd1");
        const QRect panel = f.settings.Panel1();
        for (const int x : {panel.left(), panel.top(), panel.width(), panel.height()}) {
            EXPECT_LE(std::abs(qint64{x}), 100000) << panel.left() << ' ' << panel.top();
        }
        EXPECT_LE(std::abs(qint64{f.settings.SampleText.fontSize()}), 10000);
        f.run(
            "\x1f"
            "bg.jpg");
        QCoreApplication::processEvents();
        EXPECT_EQ(f.display->Panel1()->pos(), QPoint(0, 0));
        EXPECT_LE(f.display->stripHeight(), 100000);
        EXPECT_TRUE(f.errors.messages.isEmpty()) << f.errors.messages.join(u'\n').toStdString();
    }
}

// A value file runs only the records it holds, at most one per part slot: a damaged count
// does not hold the display for seconds. However many parts the records change, the
// operators get one notice.
TEST(LoadingCommands, ValueFileLoopsOnlyOverRecordsThatExist) {
    Fixture f;
    int updates = 0;
    f.interpreter.setHandler(Cmd::CmdPartUpdate, [&](PacketContext& c) {
        ++updates;
        f.display->UpdatePart(c.operand());
    });
    auto notices = [&f] {
        QCoreApplication::processEvents();
        return f.datagrams.count("ZUL,5,VL\n");
    };
    // 400 parts without names: each takes the default name " ".
    QByteArray parts = "[List]\r\nRecordCount=400\r\n";
    for (int i = 1; i <= 400; ++i) {
        parts += "[Parts-" + QByteArray::number(i) + "]\r\n";
    }
    f.write("blank.rp1", parts);
    f.run(
        "\x2e"
        "blank.rp1");
    ASSERT_EQ(f.display->parts().PartCount(), 400);

    // Three records behind a count of 10000.
    f.write("few.rv1",
            "[List]\r\nRecordCount=10000\r\n[Parts-1]\r\n[Parts-2]\r\nValue=x\r\n[Parts-3]\r\n");
    notices();
    f.datagrams.sent.clear();
    updates = 0;
    QElapsedTimer timer;
    timer.start();
    f.run(
        "\x38"
        "few.rv1");
    EXPECT_EQ(updates, 3);
    EXPECT_EQ(notices(), 1);
    EXPECT_LT(timer.elapsed(), 5000);

    // A thousand real records: no more are run than there can be parts.
    QByteArray many = "[List]\r\nRecordCount=1000\r\n";
    for (int i = 1; i <= 1000; ++i) {
        many += "[Parts-" + QByteArray::number(i) + "]\r\nPName=score\r\n";
    }
    f.write("many.rv1", many);
    f.run("\x2eparts.rp1");  // one part named score
    notices();
    f.datagrams.sent.clear();
    updates = 0;
    f.run(
        "\x38"
        "many.rv1");
    EXPECT_EQ(updates, 400);
    EXPECT_EQ(notices(), 1);
}

// A caption list line is cut to a bounded length, so scrolling it never holds the display.
TEST(LoadingCommands, CaptionListLinesAreBounded) {
    Fixture f;
    QByteArray longLine;
    while (longLine.size() < 100000) {
        longLine += sj("字幕 ");
    }
    f.write("long.txt", "a" + longLine + "\r\nshort\r\n");
    f.run("\x23long.txt");
    ASSERT_EQ(f.strList.lines().size(), 2);
    const QByteArray first = f.strList.lines().at(0);
    EXPECT_LE(first.size(), 2047);
    EXPECT_GE(first.size(), 2046);
    EXPECT_TRUE(longLine.startsWith(first.mid(1)));  // cut between characters
    EXPECT_EQ(f.strList.lines().at(1), QByteArray("short"));
}
