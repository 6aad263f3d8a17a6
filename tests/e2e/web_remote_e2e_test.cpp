// The browser remote of a real display machine: its JSON API, its WebSocket and the
// picture of the screen, spoken to over real sockets as a phone's browser would, and the
// door that keeps hostile clients from holding up the display.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScreen>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QWebSocket>
#include <memory>
#include <vector>

#include "platform/cp932.h"
#include "test_support.h"
#include "waiting_and_ports.h"

using zul::test::freeTcpPort;
using zul::test::readAll;
using zul::test::sj;
using zul::test::waitFor;
using zul::test::writeAll;

namespace {

struct Answer {
    int status = 0;  // 0: the connection closed without an answer
    QByteArray head;
    QByteArray body;
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

// Writes `request` as it stands and reads the answer until the server closes.
Answer exchange(quint16 port, const QByteArray& request, int ms = 10000) {
    QTcpSocket s;
    s.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!s.waitForConnected(5000)) {
        return {};
    }
    s.write(request);
    QByteArray bytes;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms && s.state() == QAbstractSocket::ConnectedState) {
        s.waitForReadyRead(100);
        bytes += s.readAll();
    }
    bytes += s.readAll();
    Answer a;
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    if (end < 0) {
        return a;
    }
    a.head = bytes.left(end);
    a.body = bytes.mid(end + 4);
    a.status = a.head.mid(9, 3).toInt();
    return a;
}

QByteArray request(const QByteArray& method, const QByteArray& path, const QByteArray& body = {},
                   const QByteArray& extraHeaders = {}) {
    QByteArray r = method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extraHeaders;
    if (!body.isEmpty() || method == "POST") {
        r +=
            "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) +
            "\r\n";
    }
    return r + "\r\n" + body;
}

QByteArray packetBody(const char* command, const QString& operand) {
    QJsonObject o;
    o.insert(QStringLiteral("command"), QString::fromLatin1(command));
    o.insert(QStringLiteral("operand"), operand);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

class WebRemoteProcess : public ::testing::Test {
protected:
    void SetUp() override {
        tcpPort_ = freeTcpPort(QHostAddress::AnyIPv4);
        webPort_ = freeTcpPort(QHostAddress::AnyIPv4);
        writeAll(dir_.filePath("startup.rd1"),
                 QStringLiteral("[Server]\r\nPort=%1\r\nBaseDir=%2\r\n[IPtalk]\r\nNoTouch=1\r\n"
                                "[Web]\r\nRun=1\r\nPort=%3\r\n%4[RUN]\r\nServerNow=1\r\n")
                     .arg(tcpPort_)
                     .arg(dir_.path())
                     .arg(webPort_)
                     .arg(keyLine())
                     .toLatin1());
        QImage red(640, 480, QImage::Format_RGB32);
        red.fill(Qt::red);
        red.save(dir_.filePath("red.jpg"), "JPG", 100);
        writeAll(dir_.filePath(QString::fromUtf8("表紙.txt")), sj("一行目\r\n"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QGuiApplication::platformName());
        zul_.setProcessEnvironment(env);
        zul_.setWorkingDirectory(dir_.path());
        zul_.start(QStringLiteral(ZUL_BINARY), {});
        ASSERT_TRUE(zul_.waitForStarted(10000));
        ASSERT_TRUE(waitFor(
            [this] { return exchange(webPort_, request("GET", "/"), 2000).status == 200; }, 30000))
            << "the browser remote did not start serving";
    }

    void TearDown() override {
        zul_.terminate();
        zul_.waitForFinished(10000);
    }

    virtual QString keyLine() const { return {}; }

    Answer get(const QByteArray& path, const QByteArray& headers = {}) {
        return exchange(webPort_, request("GET", path, {}, headers));
    }
    Answer post(const QByteArray& path, const QByteArray& body, const QByteArray& headers = {}) {
        return exchange(webPort_, request("POST", path, body, headers));
    }
    QJsonObject state(const QByteArray& headers = {}) { return get("/api/state", headers).json(); }

    // Packets as an operator sends them over the display's TCP port.
    void sendOverTcp(const QByteArray& packets) {
        QTcpSocket s;
        s.connectToHost(QStringLiteral("127.0.0.1"), tcpPort_);
        ASSERT_TRUE(s.waitForConnected(5000));
        s.write(packets);
        s.waitForBytesWritten(5000);
        QThread::msleep(200);
    }

    QTemporaryDir dir_;
    QProcess zul_;
    quint16 tcpPort_ = 0;
    quint16 webPort_ = 0;
};

TEST_F(WebRemoteProcess, PacketsRunAndTheStateShowsThem) {
    const Answer sent =
        post("/api/packet", packetBody("CmdLineUpdate", QStringLiteral("ブラウザからの字幕")));
    ASSERT_EQ(sent.status, 200) << sent.body.constData();
    EXPECT_EQ(sent.json().value("replies").toArray().size(), 0);
    EXPECT_TRUE(sent.head.contains("Connection: close"));

    ASSERT_EQ(post("/api/packet", packetBody("CmdWallpaper", QStringLiteral("red.jpg"))).status,
              200);
    ASSERT_TRUE(waitFor([this] { return state().value("background").toString() == "red.jpg"; }));
    const QJsonObject s = state();
    EXPECT_EQ(s.value("caption").toObject().value("text").toString(),
              QStringLiteral("ブラウザからの字幕"));
    EXPECT_EQ(QDir(s.value("baseDir").toString()), QDir(dir_.path()));
    const QJsonArray files = s.value("files").toArray();
    EXPECT_TRUE(files.contains(QStringLiteral("red.jpg")));
    EXPECT_TRUE(files.contains(QStringLiteral("表紙.txt")));
    EXPECT_TRUE(s.value("parts").isArray());
    EXPECT_EQ(s.value("operators").toInt(), 0);
}

TEST_F(WebRemoteProcess, RequestCommandsAnswerWithTheirReplies) {
    const Answer list = post("/api/packet", packetBody("CmdDirListGet", QString()));
    ASSERT_EQ(list.status, 200) << list.body.constData();
    QStringList names;
    QString last;
    for (const QJsonValue& v : list.json().value("replies").toArray()) {
        last = v.toObject().value("command").toString();
        if (last == QLatin1String("CmdDirListReceive")) {
            names << v.toObject().value("operand").toString();
        }
    }
    EXPECT_TRUE(names.contains(QStringLiteral("red.jpg"))) << names.join(',').toStdString();
    EXPECT_TRUE(names.contains(QStringLiteral("表紙.txt"))) << names.join(',').toStdString();
    EXPECT_EQ(last, QStringLiteral("CmdFileListDone"));
}

TEST_F(WebRemoteProcess, BadRequestsGetClearAnswersAndNothingRuns) {
    ASSERT_EQ(post("/api/packet", packetBody("CmdLineUpdate", QStringLiteral("前の字幕"))).status,
              200);
    struct Case {
        QByteArray request;
        int status;
        const char* messagePart;
    };
    const Case cases[] = {
        {request("POST", "/api/packet", packetBody("CmdNoSuch", QStringLiteral("x"))), 400,
         "不明なコマンド"},
        {request("POST", "/api/packet", "{not json"), 400, "JSON"},
        {request("POST", "/api/packet", packetBody("CmdFade", QStringLiteral("999"))), 400,
         "0 から 255"},
        {request("POST", "/api/packet",
                 packetBody("CmdLineUpdate", QStringLiteral("二行\nにはならない"))),
         400, "改行"},
        // A page of another site, open in the same browser, may not drive the display.
        {request("POST", "/api/packet", packetBody("CmdLineUpdate", QStringLiteral("乗っ取り")),
                 "Origin: http://evil.example\r\n"),
         403, "別のサイト"},
        // Nor a page that a foreign name was made to point here.
        {"POST /api/packet HTTP/1.1\r\nHost: evil.example\r\nOrigin: http://evil.example\r\n"
         "Content-Type: application/json\r\nContent-Length: 46\r\n\r\n"
         R"({"command":"CmdLineUpdate","operand":"evil!"})",
         403, "Host"},
        // A WebSocket request that is not a whole handshake is answered, not left open.
        {"GET /ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n\r\n", 400, "WebSocket"},
        {request("GET", "/api/packet"), 405, "方法"},
        {request("GET", "/api/nothing"), 404, "API"},
        {request("GET", "/secret.txt"), 404, "ページ"},
        {request("POST", "/api/packet", QByteArray(70 * 1024, 'x')), 413, "長すぎます"},
        {"POST /api/packet HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
         411, "Content-Length"},
        {"GET / HTTP/1.1\r\nX-Long: " + QByteArray(40 * 1024, 'a') + "\r\n\r\n", 431, "ヘッダー"},
        {"BLAH\r\n\r\n", 400, "要求行"},
    };
    for (const Case& c : cases) {
        const Answer a = exchange(webPort_, c.request);
        EXPECT_EQ(a.status, c.status) << c.request.left(60).constData();
        EXPECT_TRUE(a.json().value("error").toString().contains(QString::fromUtf8(c.messagePart)))
            << c.request.left(60).constData() << " -> " << a.body.constData();
    }
    EXPECT_EQ(state().value("caption").toObject().value("text").toString(),
              QStringLiteral("前の字幕"));
}

TEST_F(WebRemoteProcess, HostileClientsDoNotHoldUpTheDisplay) {
    // Connections that never finish their request fill the door; one more is turned away
    // at once, and the display's own port and picture go on.
    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < 32; ++i) {
        auto s = std::make_unique<QTcpSocket>();
        s->connectToHost(QStringLiteral("127.0.0.1"), webPort_);
        ASSERT_TRUE(s->waitForConnected(5000));
        s->write("POST /api/packet HTTP/1.1\r\nContent-Length: 60000\r\n\r\n{");
        s->waitForBytesWritten(1000);
        idle.push_back(std::move(s));
    }
    QThread::msleep(500);
    const Answer turnedAway = get("/api/state");
    EXPECT_EQ(turnedAway.status, 503);
    sendOverTcp(sj("\x24TCPの字幕は通る\n"));
    idle.clear();
    ASSERT_TRUE(waitFor([this] { return get("/api/state").status == 200; }, 10000));
    EXPECT_EQ(state().value("caption").toObject().value("text").toString(),
              QStringLiteral("TCPの字幕は通る"));

    // A second request behind the first in one connection is not run.
    const QByteArray first =
        request("POST", "/api/packet", packetBody("CmdLineUpdate", QStringLiteral("一つ目")));
    const QByteArray second =
        request("POST", "/api/packet", packetBody("CmdLineUpdate", QStringLiteral("二つ目")));
    EXPECT_EQ(exchange(webPort_, first + second).status, 200);
    QThread::msleep(300);
    EXPECT_EQ(state().value("caption").toObject().value("text").toString(),
              QStringLiteral("一つ目"));
}

TEST_F(WebRemoteProcess, TheWebSocketPushesACaptionChange) {
    QWebSocket ws;
    std::vector<QJsonObject> messages;
    QObject::connect(&ws, &QWebSocket::textMessageReceived, [&messages](const QString& text) {
        messages.push_back(QJsonDocument::fromJson(text.toUtf8()).object());
    });
    ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(webPort_)));
    ASSERT_TRUE(waitFor([&messages] { return !messages.empty(); }, 10000));
    EXPECT_EQ(messages.front().value("type").toString(), "state");
    // A caption from an operator's PC reaches the page without asking.
    sendOverTcp(sj("\x24押し出された字幕\n"));
    ASSERT_TRUE(waitFor(
        [&messages] {
            return messages.back().value("caption").toObject().value("text").toString() ==
                   QStringLiteral("押し出された字幕");
        },
        5000));
    ws.close();
}

TEST_F(WebRemoteProcess, TheScreenPictureIsAJpegOfTheWindow) {
    ASSERT_EQ(post("/api/packet", packetBody("CmdWallpaper", QStringLiteral("red.jpg"))).status,
              200);
    QThread::msleep(1500);
    const Answer a = get("/api/screen.jpg");
    ASSERT_EQ(a.status, 200) << a.body.left(200).constData();
    EXPECT_TRUE(a.head.contains("Content-Type: image/jpeg"));
    QImage picture;
    ASSERT_TRUE(picture.loadFromData(a.body, "JPG"));
    EXPECT_LE(picture.width(), 640);
    // The display window fills the screen of this X server.
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const double expected = double(screen.width()) / screen.height();
    EXPECT_NEAR(double(picture.width()) / picture.height(), expected, 0.03);

    // Later pictures are made beside the event loop and answered from the one at hand: the
    // page still gets a picture every time, and a newer one shows the change on the screen.
    ASSERT_EQ(post("/api/packet", packetBody("CmdLineUpdate", QStringLiteral("画面の字幕"))).status,
              200);
    QByteArray last = a.body;
    bool changed = false;
    for (int i = 0; i < 8 && !changed; ++i) {
        QThread::msleep(300);
        const Answer next = get("/api/screen.jpg");
        ASSERT_EQ(next.status, 200);
        QImage again;
        ASSERT_TRUE(again.loadFromData(next.body, "JPG"));
        EXPECT_EQ(again.size(), picture.size());
        changed = next.body != last;
    }
    EXPECT_TRUE(changed) << "the picture never followed the screen";
}

TEST_F(WebRemoteProcess, ScriptsAreSortedIntoCaptionsNotesAndMarkers) {
    const Answer a = post("/api/script", sj("開会\r\n<--メモ\r\n<--Que 二部\r\n閉会\r\n"),
                          "Content-Type: application/octet-stream\r\n");
    ASSERT_EQ(a.status, 200);
    const QJsonArray lines = a.json().value("lines").toArray();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0].toObject().value("text").toString(), QStringLiteral("開会"));
    EXPECT_EQ(lines[1].toObject().value("kind").toString(), "note");
    EXPECT_EQ(lines[2].toObject().value("kind").toString(), "marker");
    EXPECT_EQ(lines[3].toObject().value("kind").toString(), "send");
    const Answer utf8 = post("/api/script?encoding=utf-8", QStringLiteral("一\n<--二").toUtf8());
    EXPECT_EQ(utf8.json().value("lines").toArray()[1].toObject().value("kind").toString(), "note");
}

class KeyedWebRemote : public WebRemoteProcess {
protected:
    QString keyLine() const override { return QStringLiteral("Key=abc\r\n"); }
};

TEST_F(KeyedWebRemote, OnlyTheRightKeyIsServed) {
    EXPECT_EQ(get("/").status, 200);  // the page itself asks for the key
    const Answer without = get("/api/state");
    EXPECT_EQ(without.status, 401);
    EXPECT_EQ(without.json().value("error").toString(), QStringLiteral("アクセスキーが違います"));
    EXPECT_EQ(get("/api/state", "X-Zul-Key: abd\r\n").status, 401);
    EXPECT_EQ(post("/api/packet", packetBody("CmdLineUpdate", QStringLiteral("鍵なし"))).status,
              401);
    EXPECT_EQ(get("/api/state", "X-Zul-Key: abc\r\n").status, 200);
    EXPECT_EQ(get("/api/state?key=abc").status, 200);
    EXPECT_NE(state("X-Zul-Key: abc\r\n").value("caption").toObject().value("text").toString(),
              QStringLiteral("鍵なし"));

    QWebSocket wrong;
    int closeCode = 0;
    QObject::connect(&wrong, &QWebSocket::disconnected,
                     [&wrong, &closeCode] { closeCode = wrong.closeCode(); });
    wrong.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws?key=nope").arg(webPort_)));
    ASSERT_TRUE(waitFor([&closeCode] { return closeCode != 0; }, 10000));
    EXPECT_EQ(closeCode, 4001);

    zul_.terminate();
    ASSERT_TRUE(zul_.waitForFinished(10000));
    const QString log = zul::cp932::decode(readAll(dir_.filePath("zul_dbg.log")));
    EXPECT_TRUE(log.contains(QStringLiteral("アクセスキーが違うため断りました")))
        << log.toStdString();
}

}  // namespace
