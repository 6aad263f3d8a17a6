#pragma once

// A headless Chromium driven through chromedriver over the W3C WebDriver protocol, with
// Qt's network classes only: for the tests and benchmarks that use the browser remote's page
// as a phone's browser would.

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
#include <QThread>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

#include "waiting_and_ports.h"

namespace zul::test {

inline const QString kChromium = QStringLiteral("/usr/bin/chromium");
inline const QString kChromedriver = QStringLiteral("/usr/bin/chromedriver");

struct HttpAnswer {
    int status = 0;  // 0: no answer
    QByteArray body;

    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

// One HTTP request, waited for on a local event loop.
inline HttpAnswer http(const QByteArray& method, const QUrl& url, const QByteArray& body = {},
                       const QByteArray& key = {}, int ms = 30000) {
    QNetworkAccessManager nam;
    nam.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(url);
    request.setTransferTimeout(ms);
    if (!body.isEmpty()) {
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/json"));
    }
    if (!key.isEmpty()) {
        request.setRawHeader("X-Zul-Key", key);
    }
    const std::unique_ptr<QNetworkReply> reply(nam.sendCustomRequest(request, method, body));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll()};
}

// Checks `done` every 100 ms until it holds (true) or `ms` pass (false).
inline bool eventually(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) {
            return false;
        }
        QThread::msleep(100);
    }
    return true;
}

// A headless Chromium session through chromedriver, phone-sized.
class Browser {
public:
    Browser() = default;
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    ~Browser() {
        if (!session_.isEmpty()) {
            call("DELETE", {});
        }
        if (driver_.state() != QProcess::NotRunning) {
            driver_.terminate();
            if (!driver_.waitForFinished(5000)) {
                driver_.kill();
                driver_.waitForFinished(5000);
            }
        }
    }

    // Starts chromedriver and a browser session; the reason in `why` when that fails.
    bool start(QString* why) {
        const quint16 port = freeTcpPort();
        base_ = QStringLiteral("http://127.0.0.1:%1").arg(port);
        // Chromium's complaints about the missing session bus would fill the test's output.
        driver_.setStandardOutputFile(QProcess::nullDevice());
        driver_.setStandardErrorFile(QProcess::nullDevice());
        driver_.start(kChromedriver, {QStringLiteral("--port=%1").arg(port)});
        if (!driver_.waitForStarted(10000)) {
            *why = QStringLiteral("chromedriver did not start");
            return false;
        }
        const bool ready = eventually(
            [&] {
                const HttpAnswer a = http("GET", QUrl(base_ + "/status"), {}, {}, 1000);
                return a.json().value("value").toObject().value("ready").toBool();
            },
            15000);
        if (!ready) {
            *why = QStringLiteral("chromedriver never became ready");
            return false;
        }
        const QJsonObject options{
            {"binary", kChromium},
            {"args", QJsonArray{"--headless=new", "--no-sandbox", "--disable-gpu",
                                "--disable-dev-shm-usage", "--window-size=412,915"}}};
        const QJsonObject capabilities{
            {"alwaysMatch",
             QJsonObject{{"browserName", "chrome"}, {"goog:chromeOptions", options}}}};
        const HttpAnswer a =
            http("POST", QUrl(base_ + "/session"),
                 QJsonDocument(QJsonObject{{"capabilities", capabilities}}).toJson());
        session_ = a.json().value("value").toObject().value("sessionId").toString();
        if (session_.isEmpty()) {
            *why = QStringLiteral("no browser session: ") + QString::fromUtf8(a.body.left(500));
            return false;
        }
        return true;
    }

    bool open(const QString& url) { return ok(call("POST", "/url", QJsonObject{{"url", url}})); }

    // The element that `css` selects now; empty when there is none.
    QString element(const QString& css) {
        const HttpAnswer a =
            call("POST", "/element", QJsonObject{{"using", "css selector"}, {"value", css}});
        const QJsonObject v = a.json().value("value").toObject();
        return a.status == 200
                   ? v.value(QStringLiteral("element-6066-11e4-a52e-4f735466cecf")).toString()
                   : QString();
    }

    // Waits for the element that `css` selects to be displayed.
    bool waitShown(const QString& css, int ms = 10000) {
        return eventually([&] { return shown(css); }, ms);
    }

    bool shown(const QString& css) {
        const QString id = element(css);
        return !id.isEmpty() &&
               call("GET", "/element/" + id + "/displayed").json().value("value").toBool();
    }

    bool click(const QString& css) {
        const QString id = element(css);
        return !id.isEmpty() && ok(call("POST", "/element/" + id + "/click", QJsonObject{}));
    }

    // Types `text` into the element as keystrokes ("\uE007" is the Enter key).
    bool type(const QString& css, const QString& text) {
        const QString id = element(css);
        return !id.isEmpty() &&
               ok(call("POST", "/element/" + id + "/value", QJsonObject{{"text", text}}));
    }

    QString text(const QString& css) {
        const QString id = element(css);
        return id.isEmpty()
                   ? QString()
                   : call("GET", "/element/" + id + "/text").json().value("value").toString();
    }

    QJsonValue script(const QString& js) {
        return call("POST", "/execute/sync", QJsonObject{{"script", js}, {"args", QJsonArray{}}})
            .json()
            .value("value");
    }

    // The browser's own screenshot, for a look at the page when a case fails.
    void savePage(const QString& path) {
        const QByteArray png = QByteArray::fromBase64(
            call("GET", "/screenshot").json().value("value").toString().toLatin1());
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) {
            f.write(png);
        }
    }

private:
    HttpAnswer call(const QByteArray& method, const QString& path,
                    const std::optional<QJsonObject>& body = std::nullopt) {
        return http(method, QUrl(base_ + "/session/" + session_ + path),
                    body ? QJsonDocument(*body).toJson(QJsonDocument::Compact) : QByteArray());
    }
    static bool ok(const HttpAnswer& a) { return a.status == 200; }

    QProcess driver_;
    QString base_;
    QString session_;
};

}  // namespace zul::test
