// The Impress show engine against a stand-in helper (tests/tools/impress-standin): what it
// asks, what it makes of each answer or of no answer, and that no helper outlives it.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "external/impress_show.h"
#include "platform/x11_windows.h"
#include "test_support.h"

using namespace zul;
using namespace std::chrono_literals;
using zul::test::readAll;
using zul::test::writeAll;

Q_DECLARE_METATYPE(zul::ShowOp)

namespace {

const QString kStandin = QStringLiteral(ZUL_IMPRESS_STANDIN);

struct Engine {
    QTemporaryDir dir;
    X11Windows windows{[](const QString&) {}};
    ImpressShow show{windows};
    QSignalSpy failed{&show, &ImpressShow::failed};
    QSignalSpy running{&show, &ImpressShow::showRunning};
    QSignalSpy stepped{&show, &ImpressShow::stepDone};

    explicit Engine(const char* mode, std::chrono::milliseconds stepTimeout = 5s) {
        show.setHelper(kStandin, {QString::fromLatin1(mode), record(), childPidFile()});
        ImpressShow::Timeouts t;
        t.open = stepTimeout;
        t.step = stepTimeout;
        t.close = 300ms;
        show.setTimeouts(t);
        writeAll(talk(), "a presentation");
    }
    QString record() const { return dir.filePath(QStringLiteral("requests")); }
    QString childPidFile() const { return dir.filePath(QStringLiteral("child.pid")); }
    QString talk() const { return dir.filePath(QStringLiteral("話 talk.ppt")); }

    QList<QJsonObject> requests() const {
        QList<QJsonObject> out;
        for (const QByteArray& line : readAll(record()).split('\n')) {
            if (!line.isEmpty()) {
                out << QJsonDocument::fromJson(line).object();
            }
        }
        return out;
    }
    QStringList ops() const {
        QStringList out;
        for (const QJsonObject& r : requests()) {
            out << r.value(QStringLiteral("op")).toString();
        }
        return out;
    }
    ShowOp failedOp(int i) const { return failed.at(i).at(0).value<ShowOp>(); }
    QString failedDetail(int i) const { return failed.at(i).at(1).toString(); }
};

// Whether the process is gone (or only a zombie waiting for its parent).
bool processGone(qint64 pid) {
    if (::kill(static_cast<pid_t>(pid), 0) != 0) {
        return true;
    }
    const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    return close >= 0 && stat.mid(close + 2, 1) == "Z";
}

bool waitFor(const std::function<bool()>& condition, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!condition() && t.elapsed() < ms) {
        QTest::qWait(20);
    }
    return condition();
}

}  // namespace

TEST(ImpressShow, RequestsCarryTheFileAndTheRectangleAndAnswersComeBack) {
    Engine e("ok");
    e.show.open(e.talk(), QRect(10, 20, 300, 200));
    EXPECT_EQ(e.show.state(), ImpressShow::State::Opening);
    ASSERT_TRUE(e.running.wait(5000));
    EXPECT_EQ(e.show.state(), ImpressShow::State::Open);
    EXPECT_EQ(e.running.at(0).at(1).toRect(), QRect(10, 20, 300, 200));

    e.show.next();
    e.show.next();
    e.show.previous();
    e.show.start(QRect(0, 0, 640, 360));
    e.show.end();
    ASSERT_TRUE(waitFor([&] { return e.stepped.size() == 4; }));
    EXPECT_EQ(e.stepped.at(0).at(1).toInt(), 1);
    EXPECT_EQ(e.stepped.at(1).at(1).toInt(), 2);
    EXPECT_EQ(e.stepped.at(2).at(1).toInt(), 1);
    EXPECT_EQ(e.stepped.at(3).at(0).value<ShowOp>(), ShowOp::End);
    ASSERT_EQ(e.running.size(), 2);
    EXPECT_EQ(e.running.at(1).at(1).toRect(), QRect(0, 0, 640, 360));
    EXPECT_TRUE(e.failed.isEmpty());

    e.show.close();
    ASSERT_TRUE(waitFor([&] { return e.show.closingHelpers() == 0; }));
    EXPECT_EQ(e.ops(), QStringList({"open", "next", "next", "previous", "start", "end", "close"}));
    const QJsonObject open = e.requests().at(0);
    EXPECT_EQ(open.value("path").toString(), e.talk());
    EXPECT_EQ(open.value("rect").toArray(), QJsonArray({10, 20, 300, 200}));
    EXPECT_EQ(e.requests().at(4).value("rect").toArray(), QJsonArray({0, 0, 640, 360}));
}

TEST(ImpressShow, AHelperThatCannotShowThePresentationFailsTheOpenOnce) {
    struct Case {
        const char* mode;
        const char* detail;
    };
    const Case cases[] = {
        {"fail-open", "no Impress here"},
        {"exit", "no LibreOffice on this machine"},
        {"garbage", "応答を読めません"},
        {"silent", "応答しません"},
    };
    for (const Case& c : cases) {
        Engine e(c.mode, 500ms);
        e.show.open(e.talk(), QRect(0, 0, 100, 100));
        // Steps asked for meanwhile are dropped with the helper, not reported one by one.
        e.show.next();
        ASSERT_TRUE(e.failed.wait(5000)) << c.mode;
        QTest::qWait(100);
        ASSERT_EQ(e.failed.size(), 1) << c.mode;
        EXPECT_EQ(e.failedOp(0), ShowOp::Open) << c.mode;
        EXPECT_TRUE(e.failedDetail(0).contains(QString::fromUtf8(c.detail)))
            << c.mode << ": " << e.failedDetail(0).toStdString();
        EXPECT_EQ(e.show.state(), ImpressShow::State::Closed) << c.mode;
        EXPECT_TRUE(e.running.isEmpty()) << c.mode;
    }
}

TEST(ImpressShow, OperationsWithoutAPresentationFailAfterTheCall) {
    Engine e("ok");
    e.show.setHelper(QStringLiteral("/nonexistent/zul-impress"));
    e.show.open(e.talk(), QRect(0, 0, 10, 10));
    e.show.next();
    e.show.end();
    EXPECT_TRUE(e.failed.isEmpty()) << "reported inside the call";
    ASSERT_TRUE(waitFor([&] { return e.failed.size() == 3; }));
    EXPECT_EQ(e.failedOp(0), ShowOp::Open);
    EXPECT_TRUE(e.failedDetail(0).contains(QStringLiteral("/nonexistent/zul-impress")));
    EXPECT_EQ(e.failedOp(1), ShowOp::Next);
    EXPECT_EQ(e.failedOp(2), ShowOp::End);
}

TEST(ImpressShow, FailedStepsAreReportedAndThePresentationStaysOpen) {
    Engine e("fail-steps");
    e.show.open(e.talk(), QRect(0, 0, 10, 10));
    ASSERT_TRUE(e.running.wait(5000));
    e.show.next();
    e.show.previous();
    e.show.end();
    ASSERT_TRUE(waitFor([&] { return e.failed.size() == 3; }));
    EXPECT_EQ(e.failedOp(0), ShowOp::Next);
    EXPECT_EQ(e.failedOp(1), ShowOp::Previous);
    EXPECT_EQ(e.failedOp(2), ShowOp::End);
    EXPECT_EQ(e.failedDetail(0), QStringLiteral("the slide show is not running"));
    EXPECT_EQ(e.show.state(), ImpressShow::State::Open);
}

TEST(ImpressShow, AShowThatEndsByItselfIsReported) {
    Engine e("ended");
    QSignalSpy ended(&e.show, &ImpressShow::showEnded);
    e.show.open(e.talk(), QRect(0, 0, 10, 10));
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_EQ(e.show.state(), ImpressShow::State::Open);
}

TEST(ImpressShow, AHelperThatWillNotCloseIsKilledWithItsLibreOffice) {
    Engine e("stubborn");
    e.show.open(e.talk(), QRect(0, 0, 10, 10));
    ASSERT_TRUE(e.running.wait(5000));
    ASSERT_TRUE(waitFor([&] { return QFileInfo(e.childPidFile()).size() > 0; }));
    const qint64 child = readAll(e.childPidFile()).trimmed().toLongLong();
    ASSERT_GT(child, 0);

    e.show.close();
    EXPECT_EQ(e.show.state(), ImpressShow::State::Closed);
    EXPECT_EQ(e.show.closingHelpers(), 1);
    ASSERT_TRUE(waitFor([&] { return e.show.closingHelpers() == 0; }, 5000));
    EXPECT_TRUE(waitFor([&] { return processGone(child); }, 3000));
    EXPECT_TRUE(e.failed.isEmpty()) << "closing never reports";
}

TEST(ImpressShow, TheNextPresentationRetiresTheHelperBefore) {
    Engine e("stubborn");
    e.show.open(e.talk(), QRect(0, 0, 10, 10));
    ASSERT_TRUE(e.running.wait(5000));
    ASSERT_TRUE(waitFor([&] { return QFileInfo(e.childPidFile()).size() > 0; }));
    const qint64 first = readAll(e.childPidFile()).trimmed().toLongLong();
    QFile::remove(e.childPidFile());

    e.show.open(e.talk(), QRect(0, 0, 20, 20));
    ASSERT_TRUE(e.running.wait(5000));
    EXPECT_EQ(e.running.last().at(1).toRect(), QRect(0, 0, 20, 20));
    EXPECT_TRUE(waitFor([&] { return processGone(first); }, 5000));
    EXPECT_TRUE(e.failed.isEmpty());
}

TEST(ImpressShow, NoHelperOutlivesTheEngine) {
    QTemporaryDir dir;
    const QString pidFile = dir.filePath(QStringLiteral("child.pid"));
    X11Windows windows{[](const QString&) {}};
    auto show = std::make_unique<ImpressShow>(windows);
    show->setHelper(kStandin, {QStringLiteral("stubborn"), QString(), pidFile});
    QSignalSpy running(show.get(), &ImpressShow::showRunning);
    writeAll(dir.filePath("a.ppt"), "x");
    show->open(dir.filePath("a.ppt"), QRect(0, 0, 10, 10));
    ASSERT_TRUE(running.wait(5000));
    ASSERT_TRUE(waitFor([&] { return QFileInfo(pidFile).size() > 0; }));
    const qint64 child = readAll(pidFile).trimmed().toLongLong();
    show.reset();
    EXPECT_TRUE(waitFor([&] { return processGone(child); }, 3000));
}
