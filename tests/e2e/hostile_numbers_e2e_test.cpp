// Real zul processes fed hostile numbers over the loopback: every command that takes
// numbers gets INT_MAX, INT_MIN, -1, values beyond 32 bits and runs of digits as long as a
// line may hold, in each of its number fields, on the display machine and on the operator
// machine. Each program must keep answering. Built with the undefined behaviour sanitizer
// (aborting on the first report), any overflow in what these numbers reach ends the program
// and fails the test.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QUdpSocket>
#include <cstdio>
#include <functional>
#include <memory>

#include "test_support.h"
#include "waiting_and_ports.h"

using zul::test::freeTcpPort;
using zul::test::freeUdpPort;
using zul::test::writeAll;

namespace {

// Generous: a burst of relayouts on a loaded machine may take a while to be answered, and
// only a display that stops answering altogether is a failure.
constexpr int kWaitMs = 60000;

const QByteArrayList& hostileNumbers() {
    static const QByteArrayList values = {
        "2147483647",
        "-2147483648",
        "-1",
        "0",
        "4294967296",
        "-4294967297",
        "4294967295",
        "99999999999999999999",
        QByteArray(1000, '9'),
        "-" + QByteArray(1000, '9'),
        "+",
        "-",
        "",
    };
    return values;
}

// A command and its operand layout; '#' marks a number field.
struct NumericCommand {
    char byte;
    QByteArray layout;
};

// The operands for one layout: every field hostile at once, then each field hostile alone
// with 1 in the others.
QByteArrayList hostileOperands(const QByteArray& layout) {
    const qsizetype fields = layout.count('#');
    auto fill = [&](const std::function<QByteArray(int)>& field) {
        QByteArray out;
        int n = 0;
        for (const char c : layout) {
            out += c == '#' ? field(n++) : QByteArray(1, c);
        }
        return out;
    };
    QByteArrayList out;
    for (const QByteArray& v : hostileNumbers()) {
        out << fill([&](int) { return v; });
        for (int i = 0; fields > 1 && i < fields; ++i) {
            out << fill([&](int n) { return n == i ? v : QByteArray("1"); });
        }
    }
    return out;
}

// Reads packets from a socket until `last` matches one.
bool readUntil(QTcpSocket& socket, QByteArray& pending,
               const std::function<bool(const QByteArray&)>& last, QByteArrayList* seen = nullptr) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < kWaitMs) {
        qsizetype lf = 0;
        while ((lf = pending.indexOf('\n')) >= 0) {
            const QByteArray packet = pending.left(lf);
            pending.remove(0, lf + 1);
            if (seen != nullptr) {
                *seen << packet;
            }
            if (last(packet)) {
                return true;
            }
        }
        if (socket.state() != QAbstractSocket::ConnectedState && socket.bytesAvailable() == 0) {
            return false;
        }
        if (socket.waitForReadyRead(200)) {
            pending += socket.readAll();
        }
    }
    return false;
}

class ZulProcess {
public:
    ZulProcess(const QString& folder, bool startOperator)
        : errorFile_(folder + QStringLiteral("/zul-stderr.txt")) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // On the test's own X server when it has one: a display window of the X screen's
        // size, as on a real display machine.
        if (!env.contains(QStringLiteral("QT_QPA_PLATFORM"))) {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        }
        env.insert(QStringLiteral("UBSAN_OPTIONS"), QStringLiteral("print_stacktrace=1"));
        if (startOperator) {
            env.insert(QStringLiteral("ZUL_START_OPERATOR"), QStringLiteral("1"));
        }
        process_.setProcessEnvironment(env);
        process_.setWorkingDirectory(folder);
        process_.setStandardErrorFile(errorFile_);
        process_.start(QStringLiteral(ZUL_BINARY), {});
        started_ = process_.waitForStarted(kWaitMs);
    }
    ~ZulProcess() {
        process_.terminate();
        if (!process_.waitForFinished(10000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    // Still running: it has not ended within a short wait.
    bool running() { return started_ && !process_.waitForFinished(200); }
    // What the program wrote on its error output (sanitizer reports among it).
    QByteArray errors() const { return zul::test::readAll(errorFile_); }

private:
    QString errorFile_;
    QProcess process_;
    bool started_ = false;
};

QByteArray settingsText(quint16 udpPort, const QByteArray& extra) {
    return "[Server]\r\nPort=" + QByteArray::number(udpPort) + "\r\n[IPtalk]\r\nNoTouch=1\r\n" +
           extra;
}

// A parts file whose first part takes the value updates and whose other parts hold the
// extremes in their positions, sizes and font size.
QByteArray hostileParts() {
    QByteArray out = "[List]\r\nRecordCount=4\r\n";
    out += "[Parts-1]\r\nPName=part\r\nValue=0\r\nX1=100\r\nY1=100\r\nX2=50\r\nY2=200\r\n";
    const char* extremes[] = {"2147483647", "-2147483648", "-1"};
    for (int i = 0; i < 3; ++i) {
        const QByteArray v = extremes[i];
        out += "[Parts-" + QByteArray::number(i + 2) + "]\r\nPName=p" + QByteArray::number(i) +
               "\r\nValue=x\r\n";
        for (const char* key : {"X1", "Y1", "X2", "Y2", "width", "height", "FSize"}) {
            out += QByteArray(key) + "=" + v + "\r\n";
        }
    }
    return out;
}

}  // namespace

TEST(HostileNumbers, DisplayMachineKeepsAnsweringWhateverTheNumbers) {
    QTemporaryDir dir;
    const quint16 port = freeTcpPort(QHostAddress::AnyIPv4);
    writeAll(dir.filePath("startup.rd1"), settingsText(port, "[RUN]\r\nServerNow=1\r\n"));
    writeAll(dir.filePath("hostile.rp1"), hostileParts());
    writeAll(dir.filePath("page.htm"), "<html><body>ZUL</body></html>");
    ZulProcess zul(dir.path(), false);

    QTcpSocket socket;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < kWaitMs) {
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        if (socket.waitForConnected(500)) {
            break;
        }
        socket.abort();
        QThread::msleep(100);
    }
    ASSERT_EQ(socket.state(), QAbstractSocket::ConnectedState) << "the display did not start";

    QByteArray pending;
    int packets = 0;
    auto send = [&](char byte, const QByteArray& operand) {
        socket.write(QByteArray(1, byte) + operand + "\n");
        ++packets;
    };
    auto alive = [&](const char* after) {
        send('\x4a', ",");  // CmdCpuLoadRequest
        socket.flush();
        EXPECT_TRUE(
            readUntil(socket, pending, [](const QByteArray& p) { return p.startsWith('\x4b'); }))
            << "no answer after " << after << "\n"
            << zul.errors().constData();
    };

    // The web viewer in use, so that every layout sizes it too.
    send('\x1f', "page.htm");  // CmdWallpaper
    alive("the web page");
    send('\x2e', "hostile.rp1");  // CmdPartsLoadShow
    alive("the hostile parts file");

    const NumericCommand commands[] = {
        {'\x25', "#,#,#,#"},           // CmdTimingUpdate
        {'\x26', "# # # # # # Mono"},  // CmdFontUpdate
        {'\x28', "# # # # # #"},       // CmdIptalkPosition
        {'\x29', "# #"},               // CmdScreenAdjust
        {'\x2c', "part,v,#,#"},        // CmdPartUpdate: the colours
        {'\x34', "#"},                 // CmdStretch
        {'\x37', "#"},                 // CmdAspect
        {'\x3b', "#,#"},               // CmdFadeSetting
        {'\x3c', "#"},                 // CmdFade
        {'\x42', "#"},                 // CmdPptWidth
        {'\x47', "#,hostile"},         // CmdSettingsSave
        {'\x48', "#"},                 // CmdSpeedUp
        {'\x49', "#"},                 // CmdHideDisplay
        {'\x50', "# a,b,c"},           // CmdWorksheetSend
        {'\x52', "#,#"},               // CmdChromaKey
        {'\x54', "# #"},               // CmdFramePosition
        {'\x55', "#"},                 // CmdCaptionPosition
    };
    for (const NumericCommand& c : commands) {
        for (const QByteArray& operand : hostileOperands(c.layout)) {
            send(c.byte, operand);
        }
        alive(c.layout.constData());
    }
    // Frame steps far beyond any screen, each way, on the content area and on the window.
    for (const char byte : {'\x29', '\x54'}) {
        for (const char* step : {"3 1", "4 0", "1 1", "2 0", "3 0", "4 1"}) {
            for (int i = 0; i < 1000; ++i) {
                send(byte, step);
            }
            alive(step);
        }
    }

    // The caption look that comes back is on screen.
    send('\x39', "");  // CmdFontRequest
    QByteArrayList replies;
    ASSERT_TRUE(readUntil(
        socket, pending, [](const QByteArray& p) { return p.startsWith('\x55'); }, &replies));
    for (const QByteArray& r : replies) {
        if (r.startsWith('\x3a')) {
            const int size = r.mid(1, r.indexOf(' ') - 1).toInt();
            EXPECT_LE(std::abs(size), 1000) << r.constData();
        }
    }

    // UDP lines with hostile kinds and operands.
    QUdpSocket udp;
    int datagrams = 0;
    for (const QByteArray& v : hostileNumbers()) {
        for (const QByteArray& d : {"ZUL," + v + ",x\n", "ZUL,3,\x1e" + v + "\n",
                                    "ZUL,2,SE," + v + "\n", "ZUL,5," + v + "\n"}) {
            udp.writeDatagram(d, QHostAddress::LocalHost, port);
            ++datagrams;
        }
    }
    alive("the datagrams");
    EXPECT_TRUE(zul.running());
    EXPECT_FALSE(zul.errors().contains("runtime error")) << zul.errors().constData();
    std::printf("hostile numbers: %d packets and %d datagrams to the display machine\n", packets,
                datagrams);
}

TEST(HostileNumbers, OperatorMachineKeepsAnsweringWhateverTheNumbers) {
    QTemporaryDir dir;
    QTcpServer display;
    ASSERT_TRUE(display.listen(QHostAddress::LocalHost));
    const quint16 udpPort = freeUdpPort(QHostAddress::AnyIPv4);
    writeAll(dir.filePath("startup.rd1"),
             settingsText(udpPort, "[Client]\r\nHost=127.0.0.1\r\nPort=" +
                                       QByteArray::number(display.serverPort()) + "\r\n"));
    ZulProcess zul(dir.path(), true);
    ASSERT_TRUE(display.waitForNewConnection(kWaitMs)) << "the operator did not connect";
    std::unique_ptr<QTcpSocket> socket(display.nextPendingConnection());

    QByteArray pending;
    int packets = 0;
    auto send = [&](char byte, const QByteArray& operand) {
        socket->write(QByteArray(1, byte) + operand + "\n");
        ++packets;
    };
    // The display asks for the worksheet: the operator answers with every data row.
    auto alive = [&](const char* after) {
        send('\x50', "");  // CmdWorksheetSend
        socket->flush();
        EXPECT_TRUE(readUntil(*socket, pending,
                              [](const QByteArray& p) {
                                  return p.startsWith(
                                      "\x50"
                                      "199 ");
                              }))
            << "no answer after " << after << "\n"
            << zul.errors().constData();
    };
    alive("the start");

    const NumericCommand replies[] = {
        {'\x2f', "name,caption,#,#"},  // CmdPartsInfo
        {'\x3a', "# # # # # # Mono"},  // CmdFontSend
        {'\x4b', "#"},                 // CmdCpuLoadReply
        {'\x51', "# a,b,c"},           // CmdWorksheetReceive
        {'\x55', "#"},                 // CmdCaptionPosition
    };
    for (const NumericCommand& c : replies) {
        for (const QByteArray& operand : hostileOperands(c.layout)) {
            send(c.byte, operand);
        }
        alive(c.layout.constData());
    }
    EXPECT_TRUE(zul.running());
    EXPECT_FALSE(zul.errors().contains("runtime error")) << zul.errors().constData();
    std::printf("hostile numbers: %d packets to the operator machine\n", packets);
}
