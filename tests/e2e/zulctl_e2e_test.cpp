// zulctl driving a real display machine process over TCP on the loopback.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include "ctl/ctl_request.h"
#include "test_support.h"
#include "waiting_and_ports.h"

using zul::test::freeTcpPort;
using zul::test::sj;
using zul::test::writeAll;

namespace {

struct Outcome {
    int code = -1;
    QString out;
    QStringList err;  // lines
};

// zul started in a temporary folder whose startup settings start the display role; zulctl
// runs in that folder with ZUL_HOST and ZUL_PORT pointing at it.
class Zulctl : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = freeTcpPort(QHostAddress::AnyIPv4);
        writeAll(dir_.filePath("startup.rd1"),
                 QStringLiteral(
                     "[Server]\r\nPort=%1\r\n[IPtalk]\r\nNoTouch=1\r\n[RUN]\r\nServerNow=1\r\n")
                     .arg(port_)
                     .toLatin1());
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(Qt::red);
        ASSERT_TRUE(picture.save(dir_.filePath("photo.jpg")));
        writeAll(dir_.filePath("locked.jpg"), "x");
        QFile::setPermissions(dir_.filePath("locked.jpg"), QFile::ReadOwner);
        writeAll(dir_.filePath("show.rf1"), "[FileSet]\r\n");
        writeAll(dir_.filePath("opening.txt"),
                 sj("<--Que 1 開会\r\nようこそ\r\n<--ここで拍手\r\n開会式を始めます\r\n"));
        writeAll(dir_.filePath("score.rp1"),
                 sj("[List]\r\nRecordCount=2\r\n[Parts-1]\r\nPName=Score\r\nValue=0\r\n"
                    "X1=20\r\nY1=20\r\nX2=100\r\nY2=100\r\nwidth=768\r\nheight=1024\r\n"
                    "FColor=65535\r\nFSize=40\r\nBColor=16711680\r\nchange_lock=いいえ\r\n"
                    "[Parts-2]\r\nPName=Hidden\r\nValue=9\r\nchange_lock=はい\r\n"));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        zul_.setProcessEnvironment(env);
        zul_.setWorkingDirectory(dir_.path());
        zul_.start(QStringLiteral(ZUL_BINARY), {});
        ASSERT_TRUE(zul_.waitForStarted(10000));
        QTcpSocket probe;
        const bool listening = zul::test::waitFor(
            [&] {
                probe.connectToHost(QStringLiteral("127.0.0.1"), port_);
                const bool up = probe.waitForConnected(300);
                probe.abort();
                return up;
            },
            15000);
        ASSERT_TRUE(listening) << "the display machine did not start listening";
    }

    void TearDown() override {
        zul_.terminate();
        zul_.waitForFinished(10000);
    }

    QProcessEnvironment ctlEnvironment(int port) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZUL_HOST"), QStringLiteral("127.0.0.1"));
        env.insert(QStringLiteral("ZUL_PORT"), QString::number(port));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        const QString bin = QFileInfo(QStringLiteral(ZUL_CTL_BINARY)).absolutePath();
        env.insert(QStringLiteral("PATH"), bin + QLatin1Char(':') + env.value("PATH"));
        return env;
    }

    Outcome finish(QProcess& p, const QByteArray& input) {
        p.write(input);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(30000));
        Outcome r;
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
        return r;
    }

    Outcome ctl(const QStringList& args, const QByteArray& input = {}, int port = -1) {
        QProcess p;
        p.setProcessEnvironment(ctlEnvironment(port < 0 ? port_ : port));
        p.setWorkingDirectory(dir_.path());
        p.start(QStringLiteral(ZUL_CTL_BINARY), args);
        return finish(p, input);
    }

    // A command line as a user types it into a shell.
    Outcome shell(const QString& line, const QByteArray& input = {}) {
        QProcess p;
        p.setProcessEnvironment(ctlEnvironment(port_));
        p.setWorkingDirectory(dir_.path());
        p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), line});
        return finish(p, input);
    }

    // The display machine's log as zulctl prints it.
    QString log() {
        const Outcome r = ctl({QStringLiteral("log")});
        EXPECT_EQ(r.code, 0) << r.err.join('\n').toStdString();
        return r.out;
    }

    QTemporaryDir dir_;
    quint16 port_ = 0;
    QProcess zul_;
};

}  // namespace

TEST_F(Zulctl, EveryExampleOfTheHelpWorksAsWritten) {
    for (const zul::ctl::CommandHelp& h : zul::ctl::commandHelp()) {
        const QString example = QString::fromUtf8(h.example.data(), h.example.size());
        SCOPED_TRACE(example.toStdString());
        const Outcome r = shell(example);
        EXPECT_EQ(r.code, 0);
        EXPECT_TRUE(r.err.isEmpty()) << r.err.join('\n').toStdString();
    }
    const QString text = log();
    // The caption arrived in code page 932 and reads back as the UTF-8 that was typed.
    EXPECT_TRUE(text.contains(QStringLiteral("1行更新")));
    EXPECT_TRUE(text.contains(QStringLiteral("Op(ようこそ　開会式へ)")));
    EXPECT_TRUE(text.contains(QStringLiteral("Op(photo.jpg)")));
    EXPECT_TRUE(text.contains(QStringLiteral("Op(Score,3,255,)")));
}

TEST_F(Zulctl, RepliesArePrintedAsTheConsoleReadsThem) {
    const Outcome files = ctl({QStringLiteral("files")});
    ASSERT_EQ(files.code, 0) << files.err.join('\n').toStdString();
    const QStringList lines = files.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains(QStringLiteral("photo.jpg")));
    EXPECT_FALSE(lines.contains(QStringLiteral("locked.jpg")));
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("folder: ")));
    EXPECT_TRUE(lines.last().contains(QDir(dir_.path()).dirName())) << lines.last().toStdString();

    const Outcome jpg =
        ctl({QStringLiteral("--json"), QStringLiteral("files"), QStringLiteral("*.rp1")});
    ASSERT_EQ(jpg.code, 0);
    EXPECT_EQ(jpg.out.split('\n', Qt::SkipEmptyParts).first(),
              QStringLiteral(R"({"file":"score.rp1"})"));

    const Outcome font = ctl({QStringLiteral("--json"), QStringLiteral("font")});
    ASSERT_EQ(font.code, 0) << font.err.join('\n').toStdString();
    const QStringList fontLines = font.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(fontLines.size(), 1) << font.out.toStdString();
    const QJsonObject look = QJsonDocument::fromJson(fontLines[0].toUtf8()).object();
    EXPECT_EQ(look.value("font").toString(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(look.value("size").toInt(), 36);
    EXPECT_FALSE(look.value("top").toBool(true));

    const Outcome cpu = ctl({QStringLiteral("cpu")});
    ASSERT_EQ(cpu.code, 0) << cpu.err.join('\n').toStdString();
    bool number = false;
    const int percent = cpu.out.trimmed().toInt(&number);
    EXPECT_TRUE(number && percent >= 0 && percent <= 100) << cpu.out.toStdString();

    // Parts: loaded, changed from the command line, listed without the locked one.
    ASSERT_EQ(ctl({"send", "CmdPartsLoadShow", "score.rp1"}).code, 0);
    ASSERT_EQ(ctl({"part", "Score", "12", "#00ff00", ""}).code, 0);
    const Outcome parts = ctl({QStringLiteral("parts")});
    ASSERT_EQ(parts.code, 0) << parts.err.join('\n').toStdString();
    EXPECT_EQ(parts.out, QStringLiteral("Score\t12\t65280\t16711680\n"));

    // Any command with its replies: a refused base directory change answers in the chat.
    const Outcome refused = ctl({"send", "CmdDirChange", "wrong-key,/tmp"});
    ASSERT_EQ(refused.code, 0);
    EXPECT_EQ(refused.out,
              QStringLiteral("CmdMessage フォルダ変更されません。パスワードがあいません\n"));
}

TEST_F(Zulctl, ScriptSendsTheLinesOnEnterAndSkipsTheNotes) {
    // Two Enters: the two caption lines; the end of the input ends the stepping.
    const Outcome r = ctl({QStringLiteral("script"), QStringLiteral("opening.txt")}, "\n\n");
    ASSERT_EQ(r.code, 0) << r.err.join('\n').toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("== Que 1 開会")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("> ようこそ")));
    EXPECT_FALSE(r.out.contains(QStringLiteral("ここで拍手")));
    const QString text = log();
    EXPECT_TRUE(text.contains(QStringLiteral("Op(ようこそ)")));
    EXPECT_TRUE(text.contains(QStringLiteral("Op(開会式を始めます)")));
    EXPECT_FALSE(text.contains(QStringLiteral("ここで拍手")));
    EXPECT_FALSE(text.contains(QStringLiteral("Que 1")));
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("（原稿の終わり）\n"))) << r.out.toStdString();

    // "q" stops before the first line goes out.
    const Outcome quit = ctl({QStringLiteral("script"), QStringLiteral("opening.txt")}, "q\n");
    ASSERT_EQ(quit.code, 0);
    const QString after = log();
    EXPECT_EQ(after.count(QStringLiteral("Op(ようこそ)")), 1);
}

TEST_F(Zulctl, EveryFailureHasItsExitCodeAndOneLine) {
    // Nobody listens.
    const quint16 closed = freeTcpPort();
    const Outcome refused = ctl({QStringLiteral("log")}, {}, closed);
    EXPECT_EQ(refused.code, 3);
    ASSERT_EQ(refused.err.size(), 1);
    EXPECT_EQ(refused.err[0],
              QStringLiteral("zulctl: 127.0.0.1:%1 に接続できません：接続を拒否されま"
                             "した（表示機が起動していないか、ポートが違います）")
                  .arg(closed));

    // A listener that accepts and never answers.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    QElapsedTimer t;
    t.start();
    const Outcome mute =
        ctl({QStringLiteral("--timeout"), QStringLiteral("0.5"), QStringLiteral("parts")}, {},
            silent.serverPort());
    EXPECT_EQ(mute.code, 4);
    EXPECT_LT(t.elapsed(), 10000);
    ASSERT_EQ(mute.err.size(), 1);
    EXPECT_EQ(mute.err[0], QStringLiteral("zulctl: 127.0.0.1:%1 から 0.5 秒以内に応答がありません")
                               .arg(silent.serverPort()));

    const Outcome usage = ctl({QStringLiteral("fade"), QStringLiteral("300")});
    EXPECT_EQ(usage.code, 2);
    EXPECT_EQ(
        usage.err,
        QStringList{QStringLiteral("zulctl: fade: 不透明度「300」は0～255の整数で指定します")});

    const Outcome missing = ctl({QStringLiteral("script"), QStringLiteral("/nonexistent.txt")});
    EXPECT_EQ(missing.code, 2);
    EXPECT_EQ(missing.err,
              QStringList{QStringLiteral(
                  "zulctl: 原稿を読めません：/nonexistent.txt（ファイルが見つかりません）")});

    // The display machine is still answering afterwards.
    EXPECT_EQ(ctl({QStringLiteral("cpu")}).code, 0);
}

TEST_F(Zulctl, TextsForPeopleAreUtf8WhateverTheLocaleSays) {
    for (const char* locale : {"C", "POSIX", "ja_JP.eucJP"}) {
        SCOPED_TRACE(locale);
        QProcessEnvironment env = ctlEnvironment(port_);
        env.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(locale));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(ZUL_CTL_BINARY), {QStringLiteral("--help")});
        ASSERT_TRUE(p.waitForFinished(30000));
        const QByteArray help = p.readAllStandardOutput();
        EXPECT_TRUE(help.startsWith("使い方: zulctl ")) << help.left(80).constData();
        EXPECT_TRUE(help.contains("例: zulctl caption 'ようこそ　開会式へ'"));

        p.start(QStringLiteral(ZUL_CTL_BINARY), {QStringLiteral("dance")});
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 2);
        EXPECT_EQ(
            p.readAllStandardError(),
            QByteArray("zulctl: 「dance」というコマンドはありません（一覧は zulctl --help）\n"));
    }
}

TEST_F(Zulctl, FileNamesCannotWriteEscapeSequencesToTheTerminal) {
    writeAll(dir_.filePath(QString::fromLatin1("evil\x1b]0;owned\x07\x1b[2J.jpg")), "x");
    const Outcome r = ctl({QStringLiteral("files")});
    ASSERT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("evil")));
    EXPECT_FALSE(r.out.contains(QChar(0x1b)));
    EXPECT_FALSE(r.out.contains(QChar(0x07)));
}

TEST_F(Zulctl, BashCompletionOffersCommandsIdentifiersAndTheDisplaysFiles) {
    const auto complete = [&](const QString& words) {
        const QString script =
            QStringLiteral(
                "source '%1'; COMP_WORDS=(%2); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); "
                "_zulctl; printf '%s\\n' \"${COMPREPLY[@]}\"")
                .arg(QStringLiteral(ZUL_CTL_COMPLETION), words);
        QProcess p;
        p.setProcessEnvironment(ctlEnvironment(port_));
        p.start(QStringLiteral("bash"), {QStringLiteral("-c"), script});
        QStringList offered = finish(p, {}).out.split('\n', Qt::SkipEmptyParts);
        offered.sort();
        return offered;
    };
    EXPECT_EQ(complete(QStringLiteral("zulctl lo")), (QStringList{"load-fileset", "log"}));
    EXPECT_EQ(complete(QStringLiteral("zulctl --js")), QStringList{"--json"});
    EXPECT_EQ(complete(QStringLiteral("zulctl send CmdPartsSh")), QStringList{"CmdPartsShow"});
    EXPECT_EQ(complete(QStringLiteral("zulctl show ph")), QStringList{"photo.jpg"});
    EXPECT_EQ(complete(QStringLiteral("zulctl --port 1 show ph")), QStringList{});
}
