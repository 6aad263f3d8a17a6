// Caption line from the browser remote's page to pixels: the real zul executable on an X
// server (run it under tests/xvfb.sh) and headless Chromium on the page it serves, driven
// through chromedriver. Each line is put into the page's caption input and its send button
// pressed by the page's own script, which notes the moment of the press
// (performance.timeOrigin + performance.now()); the line counts as shown at the first X
// DAMAGE report on the display window after which the caption strip shows its pixels. Both
// times are on this machine's wall clock. Prints p50, p99 and the maximum in milliseconds,
// and how many lines were not on the screen within 3 s.
//   live_page_caption [zul executable] [samples]
#include <QCoreApplication>
#include <QFileInfo>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <thread>

#include "caption_probe.h"
#include "live_zul.h"
#include "web_driver.h"
#include "x_watch.h"

using namespace zulbench;

namespace {

const std::vector<std::string> kLines = {"Caption line one", "The second caption, a longer one",
                                         "3", "Line four: quick brown fox jumps"};

// Milliseconds since the epoch of a moment of the steady clock.
double wallMs(Clock::time_point t) {
    using namespace std::chrono;
    const double steadyNow = duration<double, std::milli>(Clock::now().time_since_epoch()).count();
    const double wallNow =
        duration<double, std::milli>(system_clock::now().time_since_epoch()).count();
    return wallNow - (steadyNow - duration<double, std::milli>(t.time_since_epoch()).count());
}

// The page presses its own send button a moment after this returns, so that the browser's
// answer to the driver is not part of what is timed.
QString pressLater(const std::string& line) {
    return QStringLiteral(
               "setTimeout(() => {"
               "  document.getElementById('caption').value = %1;"
               "  window.zulSentAt = performance.timeOrigin + performance.now();"
               "  document.getElementById('send').click();"
               "}, 30); return 0;")
        .arg(QString::fromUtf8(QJsonDocument(QJsonArray{QString::fromStdString(line)})
                                   .toJson(QJsonDocument::Compact)
                                   .mid(1)
                                   .chopped(1)));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString zulPath = argc > 1 ? QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath()
                                     : QStringLiteral(ZUL_BINARY);
    const int samples = argc > 2 ? std::atoi(argv[2]) : 100;
    try {
        LiveOptions options;
        options.webPort = freePort();
        LiveZul zul(zulPath, options);
        Link link(zul.port());
        WindowWatch watch(kDisplayTitle, 20000);
        const CaptionProbe probe = probeCaption(link, watch, kLines);

        zul::test::Browser browser;
        QString why;
        if (!browser.start(&why)) {
            throw std::runtime_error("no browser: " + why.toStdString());
        }
        if (!browser.open(QStringLiteral("http://127.0.0.1:%1/").arg(options.webPort)) ||
            !zul::test::eventually(
                [&] {
                    return browser.text(QStringLiteral("#conn")).contains(QStringLiteral("接続中"));
                },
                20000)) {
            throw std::runtime_error("the page did not connect");
        }
        std::vector<double> ms;
        int missed = 0;
        const double load = loadAverage();
        for (int i = 0; i < samples; ++i) {
            const std::size_t k = static_cast<std::size_t>(i) % kLines.size();
            browser.script(QStringLiteral("window.zulSentAt = 0; return 0;"));
            watch.drain();
            browser.script(pressLater(kLines[k]));
            std::optional<Clock::time_point> shownAt;
            const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(3);
            while (!shownAt && Clock::now() < giveUp) {
                const std::optional<Drawn> d = watch.next(1000);
                if (d && d->box.intersects(probe.strip) &&
                    watch.pixels(probe.strip) == probe.looks[k]) {
                    shownAt = d->seen;
                }
            }
            const double sentAt =
                browser.script(QStringLiteral("return window.zulSentAt;")).toDouble();
            if (!shownAt || sentAt <= 0) {
                ++missed;
                continue;
            }
            ms.push_back(wallMs(*shownAt) - sentAt);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const Percentiles p = percentiles(ms);
        std::printf("%-28s %8s %8s %8s %7s %6s\n", "page caption to pixels (ms)", "p50", "p99",
                    "max", "missed", "load");
        std::printf("%-28s %8.2f %8.2f %8.2f %7d %6.2f\n", "headless Chromium, idle", p.p50, p.p99,
                    p.max, missed, load);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "live_page_caption: %s\n", e.what());
        return 1;
    }
    return 0;
}
