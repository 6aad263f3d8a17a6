// A long burst of part updates over TCP into the whole program: every part ends with the
// last value sent to its name, the log holds the receive line of every packet in order, and
// the hub's log view, shown, holds exactly the log.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <map>

#include "display/Zul2_rdisp.h"
#include "display/part_table.h"
#include "model/debug_log.h"
#include "platform/cp932.h"
#include "recording_dialogs.h"
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

constexpr int kParts = 400;
constexpr int kNames = 200;  // two parts per name, "pN" and "PN"
constexpr int kUpdates = 10000;

QByteArray partsFile() {
    QByteArray out = "[List]\r\nRecordCount=" + QByteArray::number(kParts) + "\r\n";
    for (int i = 0; i < kParts; ++i) {
        const QByteArray name = (i < kNames ? "p" : "P") + QByteArray::number(i % kNames);
        out += "[Parts-" + QByteArray::number(i + 1) + "]\r\nPName=" + name +
               "\r\nValue=0\r\nX1=" + QByteArray::number(i) + "\r\nY1=10\r\nX2=20\r\nY2=60\r\n";
    }
    return out;
}

// The receive line of a part update as the log shows it.
QByteArray updateLine(const QByteArray& operand) {
    return sj("PKT受信[S]: Cmd(044[部品更新受付") + QByteArray(28, ' ') + "]) Op(" + operand + ")";
}

// Brings every page that holds `widget` to the front of its stack.
void bringToFront(QWidget* widget) {
    for (QWidget* w = widget; w->parentWidget() != nullptr; w = w->parentWidget()) {
        if (auto* stack = qobject_cast<QStackedWidget*>(w->parentWidget())) {
            stack->setCurrentWidget(w);
        }
    }
}

QString logText(const QByteArrayList& lines) {
    QStringList texts;
    for (const QByteArray& line : lines) {
        texts << cp932::decode(line);
    }
    return texts.join(u'\n');
}

}  // namespace

TEST(PartsBurst, EveryPartEndsWithItsLastValueAndTheLogHasEveryPacketsLine) {
    QTemporaryDir dir;
    test::RecordingDialogs dialogs;
    Program::Options options;
    options.startFolder = dir.path();
    options.showWindows = false;
    Program program(options);
    program.setDialogs(&dialogs);
    program.settings().BaseDir.set(dir.path());
    program.settings().Port.set(freeTcpPort(QHostAddress::AnyIPv4));
    writeAll(dir.filePath(QStringLiteral("burst.rp1")), partsFile());
    program.hubForm().Button4Click();
    ASSERT_TRUE(program.listener().isOpen());

    QTcpSocket op;
    op.connectToHost(QStringLiteral("127.0.0.1"), program.settings().Port());
    ASSERT_TRUE(op.waitForConnected(2000));
    op.write(
        "\x2e"
        "burst.rp1\n");
    const PartTable& parts = program.display().parts();
    ASSERT_TRUE(waitFor([&] { return parts.PartCount() == kParts; }));

    // The hub's log page is on the screen while the burst runs.
    auto* view = program.hubForm().findChild<QPlainTextEdit*>(QStringLiteral("DebugLog"));
    ASSERT_NE(view, nullptr);
    program.hubForm().show();
    bringToFront(view);
    ASSERT_TRUE(view->isVisible());

    QByteArrayList added;
    QObject::connect(&program.log(), &DebugLog::lineAdded,
                     [&added](const QByteArray& line) { added << line; });
    QByteArrayList expected;
    std::map<QByteArray, QByteArray> last;  // by lower-case name
    QByteArray burst;
    for (int n = 0; n < kUpdates; ++n) {
        const int index = (n * 7) % kNames;
        const QByteArray name = (n % 3 == 0 ? "P" : "p") + QByteArray::number(index);
        const QByteArray value = sj("値") + QByteArray::number(n);
        const QByteArray operand = name + ',' + value + ",255,0";
        burst += "\x2c" + operand + '\n';
        expected << updateLine(operand);
        last["p" + QByteArray::number(index)] = value;
    }
    op.readAll();
    op.write(burst + "\x4a\n");  // a load request answers when the burst has run
    ASSERT_TRUE(waitFor([&] { return op.bytesAvailable() > 0; }, 60000));

    QByteArrayList received;
    for (const QByteArray& line : added) {
        if (line.startsWith(sj("PKT受信[S]: Cmd(044"))) {
            received << line;
        }
    }
    EXPECT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected) << "the receive lines differ from the packets sent";

    for (int i = 0; i < kParts; ++i) {
        const QByteArray key = "p" + QByteArray::number(i % kNames);
        ASSERT_EQ(parts.label(i)->caption(), last[key]) << "slot " << i;
        EXPECT_EQ(parts.label(i)->fontColour(), 255);
    }

    // The log is what it always was: the lines since it last emptied itself at its limit.
    const QByteArrayList& lines = program.log().lines();
    ASSERT_FALSE(lines.isEmpty());
    ASSERT_GE(added.size(), lines.size());
    EXPECT_TRUE(lines == added.mid(added.size() - lines.size()));
    EXPECT_LE(program.log().textBytes(), DebugLog::kLimitBytes);

    // The view catches up within a frame and then shows the log as it stands.
    ASSERT_TRUE(waitFor([&] { return view->toPlainText() == logText(program.log().lines()); }));
}
