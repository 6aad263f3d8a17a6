// Other programs drive a running zul with macros: zul-macro sends them over a session bus
// of the test's own, as a script or a launcher on the same PC would.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include "session_bus.h"
#include "test_support.h"
#include "waiting_and_ports.h"

using zul::test::freeTcpPort;
using zul::test::sj;
using zul::test::waitFor;
using zul::test::writeAll;

namespace {

constexpr int kWaitMs = 15000;

struct MacroResult {
    int exitCode = -1;
    QString errors;
};

class MacroProgram : public ::testing::Test {
protected:
    void SetUp() override {
        if (!bus_.ok()) {
            GTEST_SKIP() << "dbus-daemon is not installed";
        }
        port_ = freeTcpPort(QHostAddress::AnyIPv4);
        ASSERT_TRUE(operators_.listen(QHostAddress::LocalHost, 0));
    }
    void TearDown() override {
        op_.abort();
        if (zul_.state() != QProcess::NotRunning) {
            zul_.terminate();
            if (!zul_.waitForFinished(10000)) {
                zul_.kill();
                zul_.waitForFinished(5000);
            }
        }
    }

    QString path(const QString& name) const { return dir_.filePath(name); }

    // Starts zul with startup settings `extra` added to the port, and waits until it offers
    // its macros.
    void startZul(const QByteArray& extra = {}) {
        writeAll(path("startup.rd1"), "[Server]\r\nPort=" + QByteArray::number(port_) +
                                          "\r\n[IPtalk]\r\nNoTouch=1\r\n" + extra);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus_.address());
        zul_.setProcessEnvironment(env);
        zul_.setWorkingDirectory(dir_.path());
        zul_.setStandardErrorFile(path("stderr.txt"));
        zul_.start(QStringLiteral(ZUL_BINARY), {});
        ASSERT_TRUE(zul_.waitForStarted(kWaitMs));
        const QString watch = QStringLiteral("e2e-watch-") + bus_.address();
        bool offered = false;
        {
            QDBusConnection bus = QDBusConnection::connectToBus(bus_.address(), watch);
            offered = bus.isConnected() && waitFor(
                                               [&] {
                                                   return bus.interface()->isServiceRegistered(
                                                       QStringLiteral("org.zul.zul"));
                                               },
                                               kWaitMs);
        }
        QDBusConnection::disconnectFromBus(watch);
        ASSERT_TRUE(offered) << "zul does not offer its macros";
    }

    MacroResult macro(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus_.address());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(ZUL_MACRO_BINARY), args);
        p.waitForFinished(kWaitMs);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardError())};
    }
    void runMacro(const QStringList& args) {
        const MacroResult r = macro(args);
        EXPECT_EQ(r.exitCode, 0) << args.join(' ').toStdString() << ": " << r.errors.toStdString();
    }

    // Connects as an operator once the display role runs on `port`.
    bool connectOperator(quint16 port) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < kWaitMs) {
            op_.connectToHost(QStringLiteral("127.0.0.1"), port);
            if (op_.waitForConnected(500)) {
                return true;
            }
            op_.abort();
            QThread::msleep(100);
        }
        return false;
    }

    // Sends a request and collects the replies until none comes for a moment.
    QByteArrayList ask(const QByteArray& request) {
        op_.readAll();
        op_.write(request);
        QByteArray all;
        while (op_.waitForReadyRead(500)) {
            all += op_.readAll();
        }
        return all.split('\n');
    }
    QByteArrayList log() {
        QByteArrayList lines;
        for (const QByteArray& p : ask("\x32\n")) {  // CmdDebugLog
            if (p.startsWith('\x32')) {
                lines << p.mid(1);
            }
        }
        return lines;
    }
    template <typename Predicate>
    bool logHas(Predicate match) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < kWaitMs) {
            const QByteArrayList l = log();
            if (std::any_of(l.begin(), l.end(), match)) {
                return true;
            }
        }
        return false;
    }
    bool logHasLine(const QByteArray& line) {
        return logHas([&](const QByteArray& l) { return l == line; });
    }
    // The caption font the display uses (CmdFontRequest, answered with CmdFontSend).
    QByteArray captionFont() {
        for (const QByteArray& p : ask("\x39\n")) {
            if (p.startsWith('\x3a')) {
                return p.mid(p.lastIndexOf(' ') + 1);
            }
        }
        return {};
    }

    zul::test::PrivateSessionBus bus_;
    QTemporaryDir dir_;
    quint16 port_ = 0;
    QTcpServer operators_;  // where the operator role connects
    QProcess zul_;
    QTcpSocket op_;
};

}  // namespace

TEST_F(MacroProgram, DisplayMacrosDriveTheRunningProgram) {
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    picture.save(path("pic 1.jpg"), "JPG");
    writeAll(path("look.rd1"), "[Font]\r\nFontSet=MacroLook\r\n[IPtalk]\r\nNoTouch=1\r\n");
    writeAll(path("set look.rd1"), "[Font]\r\nFontSet=FileSetLook\r\n[IPtalk]\r\nNoTouch=1\r\n");
    writeAll(path("show.rf1"), "[FileSet]\r\nSettingFile=set look.rd1\r\n");
    startZul();

    runMacro({"run_server"});
    ASSERT_TRUE(connectOperator(port_)) << "RUN_SERVER did not start the display role";

    runMacro({"OPEN_SETFILE", path("look.rd1")});
    EXPECT_TRUE(waitFor([&] { return captionFont() == "MacroLook"; }, kWaitMs));

    // The folder of the path does not matter: the display takes the name from its base
    // directory. (The status line it hears back is cut at its first blank.)
    runMacro({"LOAD_WALL", "C:\\show\\pic", "1.jpg"});
    EXPECT_TRUE(logHas([](const QByteArray& l) {
        return l.startsWith(sj("PKT受信[U]:")) &&
               l.contains(sj("ファイルのロードを完了しました。(pic) [run]"));
    })) << "LOAD_WALL did not show the picture";

    runMacro({"LOAD_FILESET", "/elsewhere/show.rf1"});
    EXPECT_TRUE(waitFor([&] { return captionFont() == "FileSetLook"; }, kWaitMs));

    // Any packet: here a remote save of the settings (CmdSettingsSave).
    runMacro({"SEND_CMD", QStringLiteral("%1%2").arg(QChar(71)).arg("1,frommacro")});
    EXPECT_TRUE(waitFor([&] { return QFileInfo::exists(path("frommacro.rd1")); }, kWaitMs));
}

TEST_F(MacroProgram, BadMacrosAreLoggedAndNothingStops) {
    startZul("[RUN]\r\nServerNow=1\r\n");
    ASSERT_TRUE(connectOperator(port_));

    runMacro({"SEND_CMD", QString(QChar(36)) + QString(5000, QLatin1Char('x'))});
    runMacro({"NO_SUCH_MACRO", "with", "words"});
    runMacro({"OPEN_SETFILE", "/nonexistent/missing.rd1"});
    runMacro({"LOAD_WALL", "missing.jpg"});
    runMacro({"LOAD_WALL"});
    runMacro({"OPEN_SETFILE"});
    runMacro({"SEND_CMD"});

    EXPECT_TRUE(logHasLine(sj("[DDE] マクロが5010文字あるため、先頭1024文字だけを使います。")));
    EXPECT_TRUE(logHasLine(sj("[DDE] 不明なマクロのため何もしません: NO_SUCH_MACRO")));
    EXPECT_TRUE(logHasLine(sj("[DDE] 設定ファイルがありません: /nonexistent/missing.rd1")));
    EXPECT_TRUE(logHasLine(sj("[DDE] 受信: cmd=LOAD_WALL / op=missing.jpg")));
    EXPECT_TRUE(logHasLine(sj("[DDE] 受信: cmd=LOAD_WALL / op=")));
    EXPECT_TRUE(logHasLine(sj("[DDE] 設定ファイルがありません: ")));
    EXPECT_TRUE(logHasLine(sj("[DDE] 受信: cmd=SEND_CMD / op=")));
    // The missing picture went to the error handler like any failed file instruction.
    EXPECT_TRUE(logHas([](const QByteArray& l) { return l.startsWith(sj("エラー：")); }));

    // Still answering, both over the network and to macros.
    const QByteArrayList cpu = ask("\x4a,\n");
    EXPECT_TRUE(std::any_of(cpu.begin(), cpu.end(),
                            [](const QByteArray& p) { return p.startsWith('\x4b'); }));
    runMacro({"RUN_SERVER"});
    EXPECT_EQ(zul_.state(), QProcess::Running);
}

TEST_F(MacroProgram, SettingsFileMacrosStartTheirRoles) {
    const quint16 second = freeTcpPort(QHostAddress::AnyIPv4);
    // A file that starts the display role itself: the macro starts it a second time, which
    // only re-applies the start steps.
    writeAll(path("display.rd1"), "[Server]\r\nPort=" + QByteArray::number(second) +
                                      "\r\n[IPtalk]\r\nNoTouch=1\r\n[RUN]\r\nServerNow=1\r\n");
    writeAll(path("operator.rd1"),
             "[Client]\r\nHost=127.0.0.1\r\nPort=" + QByteArray::number(operators_.serverPort()) +
                 "\r\n[IPtalk]\r\nNoTouch=1\r\n");
    startZul();
    runMacro({"RUN_SERVER_WITH_FILE", path("display.rd1")});
    ASSERT_TRUE(connectOperator(second)) << "not listening on the file's port";
    runMacro({"RUN_CLIENT_WITH_FILE", path("operator.rd1")});
    EXPECT_TRUE(operators_.waitForNewConnection(kWaitMs)) << "the operator role did not connect";
}

TEST_F(MacroProgram, FileSetAndOperatorMacros) {
    writeAll(path("set look.rd1"), "[Font]\r\nFontSet=FileSetLook\r\n[IPtalk]\r\nNoTouch=1\r\n");
    writeAll(path("show.rf1"), "[FileSet]\r\nSettingFile=set look.rd1\r\n");
    startZul("[Client]\r\nHost=127.0.0.1\r\nPort=" + QByteArray::number(operators_.serverPort()) +
             "\r\n");
    runMacro({"RUN_SERVER_WITH_FILESET", "C:\\sets\\show.rf1"});
    ASSERT_TRUE(connectOperator(port_));
    EXPECT_TRUE(waitFor([&] { return captionFont() == "FileSetLook"; }, kWaitMs));
    runMacro({"RUN_CLIENT"});
    EXPECT_TRUE(operators_.waitForNewConnection(kWaitMs)) << "the operator role did not connect";
}

TEST_F(MacroProgram, ClientSaysWhenNoProgramAnswers) {
    const MacroResult none = macro({"RUN_SERVER"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(
        none.errors.contains(QStringLiteral("org.zul.zul を受け付けるZULが動いていません。")))
        << none.errors.toStdString();
    const MacroResult other = macro({"--name", "zul2.exe", "RUN_SERVER"});
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_TRUE(other.errors.contains(QStringLiteral("org.zul.zul2 ")));
    const MacroResult empty = macro({});
    EXPECT_EQ(empty.exitCode, 2);
    EXPECT_TRUE(empty.errors.contains(QStringLiteral("使い方")));
}
