// Macros from other programs: the buffer and split rules, the command table, the actions,
// and the channel on a real (private) D-Bus session bus.
#include <gtest/gtest.h>

#include <QStringList>

#include "fakes.h"
#include "model/debug_log.h"
#include "platform/cp932.h"
#include "platform/macro_channel.h"
#include "services/dde_macro.h"
#include "services/macro_server.h"
#include "session_bus.h"
#include "test_support.h"
#include "waiting_and_ports.h"

using namespace zul;
using zul::test::sj;
using zul::test::waitFor;

namespace {

// A macro server whose actions record what they are asked to do.
struct ServerFixture {
    DebugLog log;
    test::RecordingErrors errors;
    MacroServer server{log, errors};
    QStringList actions;
    bool failLoad = false;

    ServerFixture() {
        server.setActions({
            [this] { actions << QStringLiteral("display"); },
            [this] { actions << QStringLiteral("operator"); },
            [this](const QString& path) {
                actions << QStringLiteral("load ") + path;
                if (failLoad) {
                    throw ZulError(QStringLiteral("読めません"));
                }
            },
            [this](const QByteArray& packet) {
                actions << QStringLiteral("packet %1 %2")
                               .arg(packet.isEmpty() ? 0
                                                     : static_cast<unsigned char>(packet.front()))
                               .arg(cp932::decode(packet.mid(1)));
            },
        });
    }
    void run(const QString& text) { server.SystemExecuteMacro(macroLines(text), text.size()); }
    QByteArray lastLog() const { return log.lines().last(); }
};

}  // namespace

TEST(MacroText, LinesAreJoinedWithCrLfWithoutTheFinalOne) {
    struct Case {
        QString text;
        QStringList lines;
        QString buffer;
    };
    const Case cases[] = {
        {"RUN_SERVER", {"RUN_SERVER"}, "RUN_SERVER"},
        {"RUN_SERVER\n", {"RUN_SERVER"}, "RUN_SERVER"},
        {"RUN_SERVER\r\n", {"RUN_SERVER"}, "RUN_SERVER"},
        {"SEND_CMD a\nb", {"SEND_CMD a", "b"}, "SEND_CMD a\r\nb"},
        {"SEND_CMD a\r\nb\r\n", {"SEND_CMD a", "b"}, "SEND_CMD a\r\nb"},
        {"", {""}, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(macroLines(c.text), c.lines) << c.text.toStdString();
        EXPECT_EQ(macroBufferText(macroLines(c.text)), c.buffer) << c.text.toStdString();
    }
}

TEST(MacroText, TheBufferKeepsAtMost1024CharactersAndNoStrayLineEnd) {
    // Lengths around the buffer's size: a line end that only the joining added never stays
    // at the end of the operand, so a file name keeps its own last character.
    for (const qsizetype length : {1021, 1022, 1023, 1024, 1025, 5000}) {
        const QString line = QStringLiteral("LOAD_WALL ") + QString(length - 10, QLatin1Char('a'));
        const QString buffer = macroBufferText({line});
        EXPECT_EQ(buffer, line.left(kMacroBufferChars)) << length;
        EXPECT_FALSE(buffer.endsWith(QLatin1Char('\r'))) << length;
    }
    // A character outside the basic plane across the cut is dropped whole.
    const QString wide = QString(1023, QLatin1Char('a')) + QString::fromUtf8("😀");
    EXPECT_EQ(macroBufferText({wide}), QString(1023, QLatin1Char('a')));
}

TEST(MacroText, CommandWordAndOperandSplitAtTheFirstBlank) {
    struct Case {
        QString text;
        QString word;
        QString operand;
        MacroCommand command;
    };
    const Case cases[] = {
        {"RUN_SERVER", "RUN_SERVER", "", MacroCommand::RunServer},
        {"run_server", "run_server", "", MacroCommand::RunServer},
        {"Run_Client_With_File a b", "Run_Client_With_File", "a b",
         MacroCommand::RunClientWithFile},
        {"LOAD_WALL C:\\show\\pic 1.jpg", "LOAD_WALL", "C:\\show\\pic 1.jpg",
         MacroCommand::LoadWall},
        {"RUN_SERVER_WITH_FILESET x", "RUN_SERVER_WITH_FILESET", "x",
         MacroCommand::RunServerWithFileset},
        {"RUN_SERVER_WITH_FILE x", "RUN_SERVER_WITH_FILE", "x", MacroCommand::RunServerWithFile},
        {"OPEN_SETFILE ", "OPEN_SETFILE", "", MacroCommand::OpenSetfile},
        {"SEND_CMD  *.jpg", "SEND_CMD", " *.jpg", MacroCommand::SendCmd},
        {"LOAD_FILESET s.rf1", "LOAD_FILESET", "s.rf1", MacroCommand::LoadFileset},
        {"RUN_SERVERS", "RUN_SERVERS", "", MacroCommand::Unknown},
        {" RUN_SERVER", "", "RUN_SERVER", MacroCommand::Unknown},
        // Only ASCII letters fold: U+017F (long s) folds to "s" in Unicode, not here.
        {QString::fromUtf8("RUN_ſERVER"), QString::fromUtf8("RUN_ſERVER"), "",
         MacroCommand::Unknown},
    };
    for (const Case& c : cases) {
        const Macro m = parseMacro(c.text);
        EXPECT_EQ(m.commandWord, c.word) << c.text.toStdString();
        EXPECT_EQ(m.operand, c.operand) << c.text.toStdString();
        EXPECT_EQ(m.command, c.command) << c.text.toStdString();
    }
}

TEST(MacroText, FileNameIsTheTextAfterTheLastSeparator) {
    const std::pair<QString, QString> cases[] = {
        {"C:\\show\\pic 1.jpg", "pic 1.jpg"},
        {"/home/show/pic 1.jpg", "pic 1.jpg"},
        {"pic.jpg", "pic.jpg"},
        {"C:\\show\\", ""},
        {"", ""},
        {"a/b\\c.rf1", "c.rf1"},
    };
    for (const auto& [path, name] : cases) {
        EXPECT_EQ(macroFileName(path), name) << path.toStdString();
    }
}

TEST(MacroServer, EachMacroRunsItsActionsInOrder) {
    struct Case {
        QString macro;
        QStringList actions;
    };
    const Case cases[] = {
        {"RUN_SERVER", {"display"}},
        {"run_client", {"operator"}},
        {"OPEN_SETFILE /tmp/a b.rd1", {"load /tmp/a b.rd1"}},
        {"RUN_SERVER_WITH_FILE /tmp/s.rd1", {"load /tmp/s.rd1", "display"}},
        {"RUN_CLIENT_WITH_FILE /tmp/c.rd1", {"load /tmp/c.rd1", "operator"}},
        {"RUN_SERVER_WITH_FILESET C:\\sets\\show.rf1", {"display", "packet 42 show.rf1"}},
        {"LOAD_WALL C:\\show\\pic 1.jpg", {"packet 31 pic 1.jpg"}},
        {"LOAD_FILESET /sets/x.rf1", {"packet 42 x.rf1"}},
        {"LOAD_FILESET x.rf1", {"packet 42 x.rf1"}},
        {QStringLiteral("SEND_CMD ") + QChar(61), {"packet 61 "}},
        {QStringLiteral("SEND_CMD ") + QChar(36) + QStringLiteral("字幕 です"),
         {QStringLiteral("packet 36 字幕 です")}},
        {"NO_SUCH_WORD x", {}},
    };
    for (const Case& c : cases) {
        ServerFixture f;
        f.run(c.macro);
        EXPECT_EQ(f.actions, c.actions) << c.macro.toStdString();
    }
}

TEST(MacroServer, LogsWhatArrivedAndWhatWasWrongWithIt) {
    ServerFixture f;
    f.run(QStringLiteral("LOAD_WALL C:\\show\\pic 1.jpg"));
    EXPECT_EQ(f.lastLog(), sj("[DDE] 受信: cmd=LOAD_WALL / op=C:\\show\\pic 1.jpg"));

    f.run(QStringLiteral("BOGUS a b"));
    const QByteArrayList& l = f.log.lines();
    EXPECT_EQ(l[l.size() - 2], sj("[DDE] 受信: cmd=BOGUS / op=a b"));
    EXPECT_EQ(l.last(), sj("[DDE] 不明なマクロのため何もしません: BOGUS"));

    f.run(QStringLiteral("OPEN_SETFILE /nonexistent/x.rd1"));
    EXPECT_TRUE(f.log.lines().contains(sj("[DDE] 設定ファイルがありません: /nonexistent/x.rd1")));
    EXPECT_EQ(f.actions.last(), QStringLiteral("load /nonexistent/x.rd1"));

    const QString huge = QStringLiteral("SEND_CMD ") + QChar(36) + QString(4990, QLatin1Char('z'));
    f.run(huge);
    EXPECT_TRUE(
        f.log.lines().contains(sj("[DDE] マクロが5000文字あるため、先頭1024文字だけを使います。")));
    EXPECT_EQ(f.actions.last(), QStringLiteral("packet 36 ") + QString(1014, QLatin1Char('z')));

    f.run(QStringLiteral("SEND_CMD ") + QChar(36) + QString::fromUtf8("é"));
    EXPECT_TRUE(f.log.lines().contains(sj("[DDE] シフトJISにない文字 1 個を「?」にしました。")));
    EXPECT_EQ(f.actions.last(), QStringLiteral("packet 36 ?"));
}

TEST(MacroServer, AFailingStepLeavesTheRestOfTheMacroUndone) {
    ServerFixture f;
    f.failLoad = true;
    EXPECT_THROW(f.run(QStringLiteral("RUN_SERVER_WITH_FILE /tmp/broken.rd1")), ZulError);
    EXPECT_EQ(f.actions, QStringList{"load /tmp/broken.rd1"});
}

TEST(MacroChannel, ServiceNameFollowsTheProgramFile) {
    const std::pair<QString, QString> cases[] = {
        {"zul", "org.zul.zul"},       {"/usr/local/bin/zul", "org.zul.zul"},
        {"ZUL2.exe", "org.zul.ZUL2"}, {"my-zul.2.bin", "org.zul.my_zul"},
        {"表示機", "org.zul.___"},    {"7zul", "org.zul._7zul"},
        {".hidden", "org.zul._"},     {"", "org.zul._"},
    };
    for (const auto& [program, service] : cases) {
        EXPECT_EQ(MacroChannel::serviceName(program), service) << program.toStdString();
    }
    EXPECT_EQ(MacroChannel::serviceName(QString(400, QLatin1Char('a'))).size(), 255);
}

TEST(MacroChannel, MacrosArriveOverTheSessionBusInOrder) {
    test::PrivateSessionBus bus;
    if (!bus.ok()) {
        GTEST_SKIP() << "dbus-daemon is not installed";
    }
    ServerFixture f;
    ASSERT_TRUE(f.server.open(QStringLiteral("org.zul.test_macro"), bus.address()));
    EXPECT_EQ(f.lastLog(), sj("[DDE] マクロを受け付けます（D-Bus org.zul.test_macro /System "
                              "org.zul.Macro.Execute）"));
    for (const char* macro : {"RUN_SERVER", "LOAD_WALL C:\\a\\b.jpg", "run_client"}) {
        const auto sent = MacroChannel::send(QStringLiteral("org.zul.test_macro"),
                                             QString::fromLatin1(macro), bus.address());
        EXPECT_EQ(sent.status, MacroChannel::SendResult::Status::Sent) << sent.detail.toStdString();
    }
    ASSERT_TRUE(waitFor([&] { return f.actions.size() == 3; }));
    EXPECT_EQ(f.actions, (QStringList{"display", "packet 31 b.jpg", "operator"}));

    // A second program of the same name cannot take the name; it logs that and goes on.
    ServerFixture second;
    EXPECT_FALSE(second.server.open(QStringLiteral("org.zul.test_macro"), bus.address()));
    EXPECT_TRUE(second.lastLog().startsWith(sj("[DDE] ")));
    EXPECT_TRUE(second.lastLog().endsWith(sj("。ほかのプログラムからのマクロは受け付けません。")));

    // Nobody offers another name.
    const auto absent = MacroChannel::send(QStringLiteral("org.zul.nobody"),
                                           QStringLiteral("RUN_SERVER"), bus.address());
    EXPECT_EQ(absent.status, MacroChannel::SendResult::Status::NoProgram);
}

TEST(MacroChannel, WithoutABusOneLineIsLoggedAndNothingElseHappens) {
    ServerFixture f;
    const qsizetype before = f.log.lines().size();
    EXPECT_FALSE(f.server.open(QStringLiteral("org.zul.test_macro"),
                               QStringLiteral("unix:path=/nonexistent/bus")));
    EXPECT_EQ(f.log.lines().size(), before + 1);
    EXPECT_TRUE(f.lastLog().startsWith(sj("[DDE] セッションバスに接続できません（")));
    EXPECT_FALSE(f.server.isOpen());
    const auto sent =
        MacroChannel::send(QStringLiteral("org.zul.test_macro"), QStringLiteral("RUN_SERVER"),
                           QStringLiteral("unix:path=/nonexistent/bus"));
    EXPECT_EQ(sent.status, MacroChannel::SendResult::Status::NoBus);
}
