// The browser remote in a real browser: headless Chromium, driven over the W3C WebDriver
// protocol through chromedriver, operates a real display machine (on a virtual X server)
// through the page the display serves, as an operator's phone would.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

#include "two_machines.h"
#include "web_driver.h"

using zul::test::Browser;
using zul::test::countNear;
using zul::test::eventually;
using zul::test::freeTcpPort;
using zul::test::http;
using zul::test::HttpAnswer;
using zul::test::kChromedriver;
using zul::test::kChromium;
using zul::test::screenShot;
using zul::test::writeAll;

namespace {

// A display machine with its web server on, and a browser on its page.
class BrowserRemote : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            GTEST_SKIP() << "needs an X server (run under xvfb-run)";
        }
        if (!QFile::exists(kChromium) || !QFile::exists(kChromedriver)) {
            GTEST_SKIP() << "chromium and chromedriver are not installed "
                            "(apt-get install chromium chromium-driver)";
        }
        webPort_ = freeTcpPort(QHostAddress::AnyIPv4);
        tcpPort_ = freeTcpPort(QHostAddress::AnyIPv4);
        writeAll(dir_.filePath("startup.rd1"),
                 QStringLiteral("[Server]\r\nPort=%1\r\nAspect=0\r\nStretch=1\r\n"
                                "[Web]\r\nRun=1\r\nPort=%2\r\n%3"
                                "[IPtalk]\r\nNoTouch=1\r\n[RUN]\r\nServerNow=1\r\n")
                     .arg(tcpPort_)
                     .arg(webPort_)
                     .arg(key_.isEmpty() ? QString() : QStringLiteral("Key=%1\r\n").arg(key_))
                     .toUtf8());
        QImage red(640, 480, QImage::Format_RGB32);
        red.fill(Qt::red);
        red.save(dir_.filePath("red.jpg"), "JPG", 100);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        zul_.setProcessEnvironment(env);
        zul_.setWorkingDirectory(dir_.path());
        zul_.start(QStringLiteral(ZUL_BINARY), {});
        ASSERT_TRUE(zul_.waitForStarted(10000));
        ASSERT_TRUE(eventually([&] { return api("GET", "/api/state").status != 0; }, 20000))
            << "the display machine's web server did not answer";

        QString why;
        ASSERT_TRUE(browser_.start(&why)) << why.toStdString();
        ASSERT_TRUE(browser_.open(page()));
    }

    void TearDown() override {
        if (HasFailure() && qEnvironmentVariableIsSet("ZUL_SAVE_SHOTS")) {
            browser_.savePage(QStringLiteral("/tmp/shot_browser_page.png"));
            screenShot().save(QStringLiteral("/tmp/shot_browser_screen.png"));
        }
        if (zul_.state() != QProcess::NotRunning) {
            zul_.terminate();
            zul_.waitForFinished(10000);
        }
    }

    QString page() const { return QStringLiteral("http://127.0.0.1:%1/").arg(webPort_); }

    HttpAnswer api(const QByteArray& method, const QString& path, const QByteArray& body = {}) {
        return http(method, QUrl(page() + path.mid(1)), body, key_.toUtf8(), 5000);
    }

    QJsonObject state() { return api("GET", "/api/state").json(); }

    QString captionOnDisplay() {
        return state().value("caption").toObject().value("text").toString();
    }

    QString partValue(const QString& name) {
        for (const QJsonValue& p : state().value("parts").toArray()) {
            if (p.toObject().value("name").toString() == name) {
                return p.toObject().value("value").toString();
            }
        }
        return {};
    }

    QStringList toasts() {
        QStringList texts;
        for (const QJsonValue& t : browser_
                                       .script("return [...document.querySelectorAll('.toast')]"
                                               ".map((t) => t.textContent)")
                                       .toArray()) {
            texts << t.toString();
        }
        return texts;
    }

    bool waitConnected() {
        return eventually([&] { return browser_.text("#conn") == QStringLiteral("接続中"); });
    }

    // Sends a caption through the page and waits for the display's state to hold it.
    void sendCaption(const QString& text, bool withEnter) {
        ASSERT_TRUE(browser_.type("#caption", withEnter ? text + QChar(0xE007) : text));
        if (!withEnter) {
            ASSERT_TRUE(browser_.click("#send"));
        }
        EXPECT_TRUE(eventually([&] { return captionOnDisplay() == text; }))
            << "the caption did not reach the display: "
            << QJsonDocument(state()).toJson().toStdString();
    }

    QString key_;  // the display's access key (none unless a case sets one)
    QTemporaryDir dir_;
    quint16 webPort_ = 0;
    quint16 tcpPort_ = 0;
    QProcess zul_;
    Browser browser_;
};

class BrowserRemoteWithKey : public BrowserRemote {
protected:
    BrowserRemoteWithKey() { key_ = QStringLiteral("abc"); }
};

}  // namespace

TEST_F(BrowserRemote, CaptionTypedInThePageStandsOnTheDisplay) {
    ASSERT_TRUE(waitConnected()) << browser_.text("#conn").toStdString();
    const QRect strip(0, 760, 1280, 36);
    const QImage before = screenShot().copy(strip);
    const QString caption = QStringLiteral("ブラウザから字幕 42");
    sendCaption(caption, false);

    // Letters in the strip: enough pixels differ from the empty strip before.
    QImage after;
    int changed = 0;
    eventually([&] {
        after = screenShot().copy(strip);
        changed = 0;
        for (int y = 0; y < strip.height(); y += 2) {
            for (int x = 0; x < strip.width(); x += 2) {
                changed += after.pixel(x, y) != before.pixel(x, y) ? 1 : 0;
            }
        }
        return changed > 100;
    });
    EXPECT_GT(changed, 100) << "the caption strip did not change";

    // The page follows the display: the caption it shows, the input emptied for the next.
    EXPECT_TRUE(eventually([&] { return browser_.text("#captionNow") == caption; }));
    EXPECT_EQ(browser_.script("return document.getElementById('caption').value").toString(), "");

    // Enter sends as well, and a text with markup arrives as plain text.
    const QString markup = QStringLiteral("<b>太字</b> & 記号");
    sendCaption(markup, true);
    EXPECT_TRUE(eventually([&] { return browser_.text("#captionNow") == markup; }));
}

TEST_F(BrowserRemote, PageReconnectsWhenTheRemoteComesBack) {
    ASSERT_TRUE(waitConnected()) << browser_.text("#conn").toStdString();
    // An operator's settings files switch the remote off and on again over the display's port.
    writeAll(dir_.filePath("off.rd1"), "[Web]\r\nRun=0\r\n");
    writeAll(dir_.filePath("on.rd1"),
             QStringLiteral("[Web]\r\nRun=1\r\nPort=%1\r\n").arg(webPort_).toLatin1());
    const auto loadSettings = [this](const QByteArray& name) {
        QTcpSocket s;
        s.connectToHost(QStringLiteral("127.0.0.1"), tcpPort_);
        ASSERT_TRUE(s.waitForConnected(5000));
        s.write("'" + name + "\n");
        s.waitForBytesWritten(5000);
        QThread::msleep(300);
    };
    loadSettings("off.rd1");
    EXPECT_TRUE(eventually([&] {
        return browser_.text("#conn").startsWith(QStringLiteral("切断"));
    })) << browser_.text("#conn").toStdString();
    loadSettings("on.rd1");
    ASSERT_TRUE(
        eventually([&] { return browser_.text("#conn") == QStringLiteral("接続中"); }, 15000))
        << "the page did not reconnect: " << browser_.text("#conn").toStdString();
    sendCaption(QStringLiteral("戻ってきた字幕"), false);
}

TEST_F(BrowserRemote, TappedFileIsShownAndMarked) {
    const QString button = QStringLiteral("button.file[data-name=\"red.jpg\"]");
    ASSERT_TRUE(browser_.waitShown(button)) << "the file list has no red.jpg";
    const QRect middle(200, 150, 880, 500);
    ASSERT_LT(countNear(screenShot(), middle, Qt::red), 100) << "red before the tap";

    ASSERT_TRUE(browser_.click(button));
    EXPECT_TRUE(eventually([&] { return state().value("background").toString() == "red.jpg"; }))
        << QJsonDocument(state()).toJson().toStdString();
    EXPECT_TRUE(eventually([&] { return countNear(screenShot(), middle, Qt::red) > 5000; }))
        << "the picture is not shown";
    EXPECT_TRUE(eventually([&] {
        return browser_
            .script("return document.querySelector('" + button + "').classList.contains('shown')")
            .toBool();
    })) << "the page does not mark the shown file";
}

TEST_F(BrowserRemoteWithKey, PageAsksForTheKeyAndKeepsIt) {
    ASSERT_TRUE(browser_.waitShown("#keyForm")) << "the page did not ask for the key";
    ASSERT_EQ(http("GET", QUrl(page() + "api/state")).status, 401);

    // A wrong key: asked again, with the display's answer.
    ASSERT_TRUE(browser_.type("#keyInput", "xyz"));
    ASSERT_TRUE(browser_.click("#keySubmit"));
    EXPECT_TRUE(eventually([&] {
        return browser_.shown("#keyForm") &&
               browser_.text("#keyMessage") == QStringLiteral("アクセスキーが違います");
    })) << browser_.text("#keyMessage").toStdString();

    // The right key: connected, and the page works.
    ASSERT_TRUE(browser_.type("#keyInput", "abc"));
    ASSERT_TRUE(browser_.click("#keySubmit"));
    ASSERT_TRUE(waitConnected()) << browser_.text("#conn").toStdString();
    EXPECT_FALSE(browser_.shown("#keyForm"));
    sendCaption(QStringLiteral("鍵つき字幕"), false);

    // Kept in the browser: a reload connects at once, without asking.
    ASSERT_TRUE(browser_.open(page()));
    ASSERT_TRUE(waitConnected()) << browser_.text("#conn").toStdString();
    EXPECT_FALSE(browser_.shown("#keyForm"));
    sendCaption(QStringLiteral("再読み込みの後"), false);
}

TEST_F(BrowserRemote, ScriptFileStepsOverNotesAndMarkers) {
    // A console script as it is saved: code page 932, CR LF, notes and a queue marker.
    const QString path = dir_.filePath("script.txt");
    writeAll(path, zul::test::sj("<-- 開演前\r\n一行目の字幕\r\n<--Que 第一部\r\n"
                                 "<-- 読み方に注意\r\n二行目の字幕\r\n"));
    ASSERT_TRUE(waitConnected());
    ASSERT_TRUE(browser_.type("#scriptFile", path));
    ASSERT_TRUE(eventually([&] {
        return browser_.script("return document.querySelectorAll('#scriptLines li').length")
                   .toInt() == 5;
    })) << "the script was not listed";
    EXPECT_EQ(browser_
                  .script("return [...document.querySelectorAll('#scriptLines li')]"
                          ".map((l) => l.className + ':' + l.textContent).join('|')")
                  .toString(),
              QStringLiteral("note:<-- 開演前|send:一行目の字幕|marker:<--Que 第一部|"
                             "note:<-- 読み方に注意|send:二行目の字幕"));

    const struct {
        const char* button;
        QString caption;  // on the display and marked in the list afterwards
    } steps[] = {
        {"#next", QStringLiteral("一行目の字幕")},
        {"#next", QStringLiteral("二行目の字幕")},  // over the marker and the note
        {"#next", QStringLiteral("二行目の字幕")},  // the last line: nothing more is sent
        {"#prev", QStringLiteral("一行目の字幕")},
    };
    for (const auto& step : steps) {
        ASSERT_TRUE(browser_.click(QString::fromLatin1(step.button)));
        EXPECT_TRUE(eventually([&] {
            return captionOnDisplay() == step.caption &&
                   browser_.text("#scriptLines li.current") == step.caption;
        })) << step.button
            << " → " << captionOnDisplay().toStdString();
    }
    EXPECT_TRUE(toasts().contains(QStringLiteral("最後の行です")))
        << toasts().join('|').toStdString();
}

TEST_F(BrowserRemote, PartValueEditedInPlaceRefusesCommas) {
    writeAll(dir_.filePath("score.rp1"),
             zul::test::sj("[List]\r\nRecordCount=1\r\n[Parts-1]\r\nPName=得点\r\nValue=0\r\n"
                           "X1=20\r\nY1=20\r\nX2=100\r\nY2=180\r\nwidth=768\r\nheight=1024\r\n"
                           "FColor=65535\r\nFSize=60\r\nBColor=16711680\r\n"));
    ASSERT_EQ(api("POST", "/api/packet", R"({"command":"CmdPartsLoadShow","operand":"score.rp1"})")
                  .status,
              200);
    const QString row = QStringLiteral("#parts li[data-name=\"得点\"]");
    ASSERT_TRUE(browser_.waitShown(row + " button.value")) << "the part is not listed";
    ASSERT_TRUE(browser_.click(row + " button.value"));
    const QString input = row + " input.value-edit";
    ASSERT_TRUE(browser_.waitShown(input));

    // A comma would split the packet's fields: refused in the page, nothing sent. (Keys
    // only: leaving the field would send what it holds.)
    const QString selectAll = QString(QChar(0xE009)) + 'a' + QChar(0xE000);
    ASSERT_TRUE(browser_.type(input, selectAll + QStringLiteral("3,4") + QChar(0xE007)));
    EXPECT_TRUE(eventually([&] {
        return toasts().contains(QStringLiteral("部品の名前と値にカンマ（,）は使えません"));
    })) << toasts().join('|').toStdString();
    QThread::msleep(500);
    EXPECT_EQ(partValue(QStringLiteral("得点")), "0");
    EXPECT_TRUE(browser_.shown(input)) << "the edit was dropped";

    ASSERT_TRUE(browser_.type(input, selectAll + QStringLiteral("15") + QChar(0xE007)));
    EXPECT_TRUE(eventually([&] { return partValue(QStringLiteral("得点")) == "15"; }))
        << partValue(QStringLiteral("得点")).toStdString();
    EXPECT_TRUE(eventually([&] { return browser_.text(row + " button.value") == "15"; }));
}
