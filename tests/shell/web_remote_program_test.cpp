// The browser remote inside the whole program: it serves while the display role runs and
// the hub's switch is on, the hub shows where to open it, its packets are mirrored like any
// other, and a packet that switches it off while it answers still gets its answer.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QTcpSocket>
#include <QTemporaryDir>

#include "display/Zul2_rdisp.h"
#include "mirror_target.h"
#include "model/debug_log.h"
#include "platform/cp932.h"
#include "recording_dialogs.h"
#include "remote/web_remote.h"
#include "shell/Zul2_main.h"
#include "shell/display_listener.h"
#include "shell/program.h"
#include "test_support.h"
#include "waiting_and_ports.h"

using namespace zul;
using zul::test::freeTcpPort;
using zul::test::sj;
using zul::test::waitFor;
using zul::test::writeAll;

namespace {

// One request on its own connection; the event loop runs while the program answers.
QByteArray exchange(quint16 port, const QByteArray& request) {
    QTcpSocket s;
    s.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!s.waitForConnected(3000)) {
        return {};
    }
    s.write(request);
    QByteArray answer;
    QObject::connect(&s, &QTcpSocket::readyRead, [&] { answer += s.readAll(); });
    waitFor([&] { return s.state() != QAbstractSocket::ConnectedState; }, 10000);
    return answer + s.readAll();
}

QByteArray postPacket(const char* command, const QByteArray& operandUtf8) {
    const QByteArray body =
        R"({"command":")" + QByteArray(command) + R"(","operand":")" + operandUtf8 + R"("})";
    return "POST /api/packet HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
           "Content-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

struct RemoteProgram {
    QTemporaryDir dir;
    test::RecordingDialogs dialogs;
    std::unique_ptr<Program> program;
    quint16 webPort = freeTcpPort(QHostAddress::AnyIPv4);

    RemoteProgram() {
        Program::Options o;
        o.startFolder = dir.path();
        o.showWindows = false;
        program = std::make_unique<Program>(o);
        program->setDialogs(&dialogs);
        program->settings().Port.set(freeTcpPort(QHostAddress::AnyIPv4));
        program->settings().BaseDir.set(dir.path());
        program->settings().WebPort.set(webPort);
    }
    Settings& settings() { return program->settings(); }
    bool answers() {
        return exchange(webPort, "GET /api/state HTTP/1.1\r\n\r\n").startsWith("HTTP/1.1 200");
    }
    QString hubAddressText() {
        return program->hubForm().findChild<QLabel*>(QStringLiteral("WebAddress"))->text();
    }
    bool hubShowsQrCode() {
        const QLabel* qr = program->hubForm().findChild<QLabel*>(QStringLiteral("WebQr"));
        return !qr->pixmap().isNull();
    }
};

}  // namespace

TEST(WebRemoteInProgram, ServesWhileTheDisplayRunsAndTheSwitchIsOn) {
    RemoteProgram f;
    f.settings().WebRemote.set(true);
    EXPECT_FALSE(f.program->webRemote().serving()) << "no display role yet";
    EXPECT_FALSE(f.answers());

    f.program->hubForm().Button4Click();
    ASSERT_TRUE(f.program->listener().isOpen());
    EXPECT_TRUE(f.program->webRemote().serving());
    EXPECT_TRUE(f.answers());
    EXPECT_TRUE(f.hubAddressText().contains(QStringLiteral("http://127.0.0.1:%1/").arg(f.webPort)))
        << f.hubAddressText().toStdString();
    EXPECT_TRUE(f.hubShowsQrCode());

    f.program->hubForm().N1Click();
    EXPECT_FALSE(f.program->webRemote().serving());
    EXPECT_FALSE(f.answers());
    EXPECT_FALSE(f.hubShowsQrCode());
    EXPECT_TRUE(f.hubAddressText().contains(QStringLiteral("受け付けていません")));

    f.program->hubForm().Button4Click();
    EXPECT_TRUE(f.answers());
    f.settings().WebRemote.set(false);
    EXPECT_FALSE(f.answers());
    f.settings().WebRemote.set(true);
    EXPECT_TRUE(f.answers());
    // A new port is taken at once.
    const quint16 old = f.webPort;
    f.webPort = freeTcpPort(QHostAddress::AnyIPv4);
    f.settings().WebPort.set(f.webPort);
    EXPECT_TRUE(f.answers());
    EXPECT_TRUE(exchange(old, "GET /api/state HTTP/1.1\r\n\r\n").isEmpty());
}

TEST(WebRemoteInProgram, PacketsFromTheBrowserAreLoggedAndMirrored) {
    RemoteProgram f;
    test::MirrorTarget target;
    f.settings().MirrorName.set(QStringLiteral("127.0.0.1"));
    f.settings().MirrorPort.set(target.port());
    f.settings().MirrorSel.set(true);
    f.settings().WebRemote.set(true);
    f.program->hubForm().Button4Click();
    ASSERT_TRUE(waitFor([&] { return target.open(0); }));

    const QByteArray answer = exchange(f.webPort, postPacket("CmdLineUpdate", "スマホから"));
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 200")) << answer.constData();
    EXPECT_TRUE(waitFor([&] { return target.received[0].endsWith(sj("\x24スマホから\n")); }))
        << target.received[0].toHex().constData();
    const QString log = cp932::decode(f.program->log().lines().join('\n'));
    EXPECT_TRUE(log.contains(QStringLiteral("スマホから"))) << log.toStdString();
}

TEST(WebRemoteInProgram, AHugeFolderIsListedInPartAndARequestOnItsWayIsDroppedAtTheStop) {
    RemoteProgram f;
    for (int i = 0; i < WebRemote::kMaxFiles + 5; ++i) {
        writeAll(f.dir.filePath(QStringLiteral("f%1.txt").arg(i, 5, 10, QLatin1Char('0'))), "x");
    }
    f.settings().WebRemote.set(true);
    f.program->hubForm().Button4Click();
    const QByteArray answer = exchange(f.webPort, "GET /api/state HTTP/1.1\r\n\r\n");
    const QJsonObject state =
        QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4)).object();
    EXPECT_EQ(state.value("files").toArray().size(), WebRemote::kMaxFiles);
    EXPECT_TRUE(state.value("filesTruncated").toBool());

    // A request whose body is still on its way when the remote stops never runs.
    QTcpSocket slow;
    slow.connectToHost(QStringLiteral("127.0.0.1"), f.webPort);
    ASSERT_TRUE(slow.waitForConnected(3000));
    const QByteArray whole = postPacket("CmdLineUpdate", "遅れて届く字幕");
    slow.write(whole.left(whole.size() - 5));
    slow.flush();
    QTest::qWait(100);
    f.settings().WebRemote.set(false);
    slow.write(whole.right(5));
    slow.flush();
    EXPECT_TRUE(waitFor([&] { return slow.state() == QAbstractSocket::UnconnectedState; }, 5000));
    QTest::qWait(100);
    EXPECT_NE(f.program->display().captionText(), sj("遅れて届く字幕"));
}

TEST(WebRemoteInProgram, ASettingsFileThatSwitchesTheRemoteOffStillGetsItsAnswer) {
    RemoteProgram f;
    f.settings().WebRemote.set(true);
    f.program->hubForm().Button4Click();
    ASSERT_TRUE(f.answers());
    writeAll(f.dir.filePath("off.rd1"), "[Web]\r\nRun=0\r\n");
    const QByteArray answer = exchange(f.webPort, postPacket("CmdSettingsLoad", "off.rd1"));
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 200")) << answer.constData();
    EXPECT_FALSE(f.settings().WebRemote());
    EXPECT_FALSE(f.program->webRemote().serving());
    QTest::qWait(50);
    EXPECT_FALSE(f.answers());
    // And it comes back with the switch.
    f.settings().WebRemote.set(true);
    EXPECT_TRUE(f.answers());
}
