#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "display/viewers.h"
#include "platform/errors.h"

using namespace zul;

namespace {

constexpr int kLoadTimeoutMs = 30000;

class WebViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
            qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        }
    }

    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString page(const char* name, const QByteArray& html) const {
        const QString path = dir_.filePath(QString::fromUtf8(name));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(html);
        }
        return path;
    }

    QTemporaryDir dir_;
};

}  // namespace

TEST(WebViewAddress, MakesAnAddressOfTheTextLikeAnAddressBox) {
    const struct {
        const char* text;
        const char* url;
    } cases[] = {
        {"about:blank", "about:blank"},
        {"", "about:blank"},
        {"  ", "about:blank"},
        {"http://example.com/a?b=1#c", "http://example.com/a?b=1#c"},
        {"https://example.com/", "https://example.com/"},
        {"file:///srv/show/x.html", "file:///srv/show/x.html"},
        {"/srv/show/web page.html", "file:///srv/show/web%20page.html"},
        {"/srv/show/a#1.html", "file:///srv/show/a%231.html"},
        {"/srv/ショー/x.html", "file:///srv/%E3%82%B7%E3%83%A7%E3%83%BC/x.html"},
        {"www.example.com", "http://www.example.com"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(WebView::urlFromText(QString::fromUtf8(c.text)).toEncoded().toStdString(), c.url);
    }
}

TEST_F(WebViewTest, BlankPageBeforeFirstUseStartsNoEngine) {
    WebView view;
    view.navigate(QStringLiteral("about:blank"));
    view.navigate(QString());
    EXPECT_FALSE(view.hasEngine());
    EXPECT_EQ(view.currentUrl(), QUrl(QStringLiteral("about:blank")));
}

// A web list entry naming a FIFO had the browser's own thread wait on it for good, and
// the program then never ended after SIGTERM; a folder was listed on the audience screen.
TEST_F(WebViewTest, OnlyRegularLocalFilesAreOpened) {
    const QString fifo = dir_.filePath(QStringLiteral("pipe.htm"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = dir_.filePath(QStringLiteral("folder.htm"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString link = dir_.filePath(QStringLiteral("zero.htm"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), link));
    WebView view;
    for (const QString& text :
         {fifo, QUrl::fromLocalFile(fifo).toString(), folder, link, QStringLiteral("/dev/ptmx")}) {
        EXPECT_THROW(view.navigate(text), ZulError) << text.toStdString();
    }
    EXPECT_FALSE(view.hasEngine());
    EXPECT_EQ(view.currentUrl(), QUrl(QStringLiteral("about:blank")));
}

TEST_F(WebViewTest, LoadsALocalPageAndBlanksIt) {
    WebView view;
    view.resize(640, 480);
    QSignalSpy finished(&view, &WebView::loadFinished);
    const QString path = page("hello.html", "<html><body><h1>hello</h1></body></html>");

    view.navigate(path);
    ASSERT_TRUE(view.hasEngine());
    EXPECT_EQ(view.currentUrl(), QUrl::fromLocalFile(path));
    ASSERT_TRUE(finished.wait(kLoadTimeoutMs) || !finished.isEmpty());
    EXPECT_TRUE(finished.takeFirst().at(0).toBool());

    // With an engine, about:blank is a real navigation that unloads the page.
    view.navigate(QStringLiteral("about:blank"));
    ASSERT_TRUE(finished.wait(kLoadTimeoutMs) || !finished.isEmpty());
    EXPECT_TRUE(finished.takeFirst().at(0).toBool());
    EXPECT_TRUE(view.hasEngine());
}

TEST_F(WebViewTest, RefusesNewWindowsAndDownloads) {
    WebView view;
    view.resize(640, 480);
    QSignalSpy finished(&view, &WebView::loadFinished);
    QSignalSpy windows(&view, &WebView::newWindowRefused);
    QSignalSpy downloads(&view, &WebView::downloadRefused);
    const QWidgetList before = QApplication::topLevelWidgets();
    const auto noNewWindow = [&before] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!before.contains(w)) {
                return false;
            }
        }
        return true;
    };

    page("target.html", "<html><body>second</body></html>");
    view.navigate(page("opener.html",
                       "<html><body><script>"
                       "window.open('target.html');"
                       "window.open('target.html', '_blank');"
                       "</script></body></html>"));
    ASSERT_TRUE(finished.wait(kLoadTimeoutMs) || !finished.isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return windows.size() >= 2; }, 5000));
    EXPECT_TRUE(noNewWindow());

    const QString archive = page("data.zip", QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
    view.navigate(archive);
    ASSERT_TRUE(downloads.wait(kLoadTimeoutMs) || !downloads.isEmpty());
    EXPECT_EQ(downloads.first().at(0).toUrl(), QUrl::fromLocalFile(archive));
    EXPECT_TRUE(noNewWindow());
}

// The engine keeps a frame buffer of its view's size for what it shows, and a burst of
// layouts (font updates, settings loads with far-off window values) used to hand it a new
// size for each of them. Its view now follows the viewer once per frame, keeps its size
// while the viewer is hidden and is never larger than the screens (with room for the
// scroll bars that the content area clips).
TEST_F(WebViewTest, EngineFollowsTheViewerOncePerFrameOnlyWhileShownAndWithinTheScreen) {
    QWidget window;
    window.resize(640, 480);
    auto* view = new WebView(&window);
    view->setGeometry(0, 0, 640, 480);
    window.show();
    QSignalSpy finished(view, &WebView::loadFinished);
    view->navigate(page("sized.html", "<html><body>sized</body></html>"));
    ASSERT_TRUE(finished.wait(kLoadTimeoutMs) || !finished.isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->engineSize() == QSize(640, 480); }));

    const int before = view->engineResizes();
    for (int i = 0; i < 300; ++i) {
        view->resize(300 + i, 200 + (i * 7) % 250);
    }
    EXPECT_EQ(view->engineResizes(), before) << "resized inside the burst";
    const QSize last(599, 200 + (299 * 7) % 250);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->engineSize() == last; }));
    EXPECT_EQ(view->engineResizes(), before + 1);

    const QSize screens = view->screen()->virtualSize();
    view->resize(16404, 16384);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->engineSize() != last; }));
    QTest::qWait(100);
    EXPECT_LT(view->engineSize().width(), screens.width() + 64);
    EXPECT_LT(view->engineSize().height(), screens.height() + 64);
    EXPECT_GE(view->engineSize().width(), std::min(screens.width() + 20, 16404));

    view->hide();
    const int hidden = view->engineResizes();
    for (const QSize size : {QSize(500, 300), QSize(420, 260)}) {
        view->resize(size);
        QTest::qWait(50);
    }
    EXPECT_EQ(view->engineResizes(), hidden);
    view->show();
    EXPECT_EQ(view->engineSize(), QSize(420, 260));
}
