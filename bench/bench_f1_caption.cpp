// From the F1 key on the operator console's script editor to the display machine's caption
// change, over a loopback TCP connection: one program that is display machine and operator
// machine at once, as "直接、操作する" makes it.
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "console/Zul2_cmain.h"
#include "display/Zul2_rdisp.h"
#include "shell/Zul2_main.h"
#include "shell/operator_connection.h"
#include "shell/program.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    QTemporaryDir dir;
    quint16 port = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
    }
    zul::Program::Options options;
    options.startFolder = dir.path();
    options.showWindows = false;
    zul::Program program(options);
    program.settings().Port.set(port);
    program.settings().ClientPort.set(port);
    program.hubForm().Button4Click();
    program.hubForm().X2Click();
    QElapsedTimer wait;
    wait.start();
    while (!program.connection().isEstablished() && wait.elapsed() < 5000) {
        QTest::qWait(10);
    }
    if (!program.connection().isEstablished()) {
        std::fprintf(stderr, "no connection\n");
        return 1;
    }
    QTest::qWait(300);  // the console's list requests
    QPlainTextEdit* memo = program.console().Memo1();
    memo->setFocus();
    std::vector<double> micros;
    for (int i = 0; i < 300; ++i) {
        const QString line = QStringLiteral("キャプション %1").arg(i);
        memo->setPlainText(line);
        QElapsedTimer t;
        t.start();
        QTest::keyClick(memo, Qt::Key_F1);
        const QByteArray expected = line.toUtf8();
        while (QString::fromUtf8(expected) != program.display().StrFlame()->ownText() &&
               t.elapsed() < 2000) {
            QCoreApplication::processEvents();
        }
        micros.push_back(static_cast<double>(t.nsecsElapsed()) / 1000.0);
    }
    std::sort(micros.begin(), micros.end());
    std::printf(
        "F1 key to the display's caption change over loopback (300 lines): p50 %.1f us, "
        "p99 %.1f us, max %.1f us\n",
        micros[micros.size() / 2], micros[micros.size() * 99 / 100], micros.back());
    return 0;
}
