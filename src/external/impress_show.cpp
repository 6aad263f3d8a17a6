#include "external/impress_show.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <memory>
#include <optional>

#include "platform/x11_windows.h"

namespace zul {
namespace {

// An answer is a short line; anything longer is no answer of the helper.
constexpr qsizetype kMaxAnswerBytes = 64 * 1024;
// What the helper printed last on its error output, for the failure detail.
constexpr qsizetype kMaxErrorTail = 2000;

const char* opName(ShowOp op) {
    switch (op) {
        case ShowOp::Open:
            return "open";
        case ShowOp::Start:
            return "start";
        case ShowOp::Next:
            return "next";
        case ShowOp::Previous:
            return "previous";
        case ShowOp::End:
            return "end";
    }
    return "";
}

QJsonArray rectJson(const QRect& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

QString lastLine(const QByteArray& text) {
    const QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last().trimmed().left(300);
}

}  // namespace

// One helper process with its LibreOffice, and the requests it has not answered yet. A child
// of the ImpressShow; it deletes itself (later) once its process has ended after a close.
class ImpressHelper : public QObject {
public:
    struct Request {
        int id = 0;
        ShowOp op = ShowOp::Open;
        QRect rect;
    };

    explicit ImpressHelper(ImpressShow& owner)
        : QObject(&owner), owner_(owner), profile_(QDir::tempPath() + "/zul-impress-XXXXXX") {
        process_.setChildProcessModifier([] {
            // A group of its own, so that the helper goes with its LibreOffice; and it ends
            // when the program ends.
            ::setsid();
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        });
        connect(&process_, &QProcess::readyReadStandardOutput, this, [this] { readAnswers(); });
        connect(&process_, &QProcess::readyReadStandardError, this, [this] {
            errorTail_ += process_.readAllStandardError();
            if (errorTail_.size() > kMaxErrorTail) {
                errorTail_ = errorTail_.right(kMaxErrorTail);
            }
        });
        connect(&process_, &QProcess::started, this, [this] { pid_ = process_.processId(); });
        connect(&process_, &QProcess::finished, this, [this] { ended(); });
        connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart) {
                lost(QStringLiteral("zul-impress を起動できません：%1（%2）")
                         .arg(process_.program(), process_.errorString()));
            }
        });
        deadline_.setSingleShot(true);
        connect(&deadline_, &QTimer::timeout, this, [this] { timedOut(); });
    }

    ~ImpressHelper() override {
        // Quietly: the owner may be going too.
        closing_ = true;
        process_.disconnect(this);
        kill();
    }

    // Starts the helper with a fresh LibreOffice profile of its own.
    void launch(const QString& program, const QStringList& arguments) {
        QStringList args = arguments;
        if (profile_.isValid()) {
            args << QStringLiteral("--profile") << profile_.path();
        }
        process_.start(program, args);
    }

    ImpressHelper(const ImpressHelper&) = delete;
    ImpressHelper& operator=(const ImpressHelper&) = delete;

    void request(const Request& r, const QJsonObject& fields, std::chrono::milliseconds timeout) {
        QJsonObject line = fields;
        line[QStringLiteral("id")] = r.id;
        line[QStringLiteral("op")] = QString::fromLatin1(opName(r.op));
        pending_.push_back({r, timeout});
        write(line);
        if (pending_.size() == 1) {
            deadline_.start(timeout);
        }
    }

    // Asks the helper to close and quit; it is killed when it has not ended by `timeout`.
    void closeNow(std::chrono::milliseconds timeout) {
        pending_.clear();
        closing_ = true;
        if (process_.state() == QProcess::NotRunning) {
            deleteLater();
            return;
        }
        write(QJsonObject{{QStringLiteral("op"), QStringLiteral("close")}});
        process_.closeWriteChannel();
        deadline_.start(timeout);
    }

    // Kills the helper's process group: the helper and whatever of its LibreOffice is left.
    void kill() {
        if (pid_ > 0) {
            ::kill(static_cast<pid_t>(-pid_), SIGKILL);
        } else if (process_.state() != QProcess::NotRunning) {
            // Still starting: its group is not known yet, the process itself is.
            process_.kill();
        }
        if (process_.state() != QProcess::NotRunning) {
            process_.waitForFinished(3000);
        }
        pid_ = 0;
    }

    bool closing() const { return closing_; }

private:
    struct Pending {
        Request request;
        std::chrono::milliseconds timeout;
    };

    void write(const QJsonObject& line) {
        process_.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
    }

    void readAnswers() {
        buffer_ += process_.readAllStandardOutput();
        const QPointer<ImpressHelper> self(this);
        qsizetype newline = 0;
        while (self && (newline = buffer_.indexOf('\n')) >= 0) {
            const QByteArray line = buffer_.left(newline).trimmed();
            buffer_.remove(0, newline + 1);
            if (!line.isEmpty()) {
                handle(line);
            }
        }
        if (self && buffer_.size() > kMaxAnswerBytes) {
            lost(QStringLiteral("zul-impress の応答が長すぎます"));
        }
    }

    void handle(const QByteArray& line) {
        const QJsonObject answer = QJsonDocument::fromJson(line).object();
        if (closing_) {
            return;
        }
        if (answer.value(QStringLiteral("event")).toString() == QLatin1String("ended")) {
            emit owner_.showEnded();
            return;
        }
        if (pending_.empty() ||
            answer.value(QStringLiteral("id")).toInt(-1) != pending_.front().request.id) {
            lost(QStringLiteral("zul-impress の応答を読めません：%1")
                     .arg(QString::fromUtf8(line.left(200))));
            return;
        }
        const Request r = pending_.front().request;
        pending_.pop_front();
        deadline_.stop();
        if (!pending_.empty()) {
            deadline_.start(pending_.front().timeout);
        }
        const bool ok = answer.value(QStringLiteral("ok")).toBool();
        const auto window = static_cast<quint64>(answer.value(QStringLiteral("window")).toDouble());
        const int slide = answer.value(QStringLiteral("slide")).toInt();
        owner_.answered(*this, r.op, r.rect, ok, window, slide,
                        answer.value(QStringLiteral("error")).toString().left(300));
    }

    void timedOut() {
        if (closing_) {
            kill();
            return;
        }
        if (!pending_.empty()) {
            lost(QStringLiteral("zul-impress が %1 秒たっても応答しません")
                     .arg(static_cast<double>(pending_.front().timeout.count()) / 1000.0));
        }
    }

    void ended() {
        deadline_.stop();
        // A LibreOffice that outlived its helper goes now, while its group still has the
        // helper's number.
        kill();
        if (closing_) {
            deleteLater();
            return;
        }
        const QString said = lastLine(errorTail_);
        lost(QStringLiteral("zul-impress が終了しました（終了コード %1）%2")
                 .arg(process_.exitCode())
                 .arg(said.isEmpty() ? QString() : QStringLiteral("：") + said));
    }

    // The helper cannot go on: the first unanswered request fails, the rest are dropped.
    void lost(const QString& why) {
        if (closing_) {
            return;
        }
        std::optional<ShowOp> op;
        if (!pending_.empty()) {
            op = pending_.front().request.op;
        }
        pending_.clear();
        closing_ = true;
        kill();
        deleteLater();
        owner_.helperLost(*this, op, why);
    }

    ImpressShow& owner_;
    QTemporaryDir profile_;
    QProcess process_;
    QTimer deadline_;
    QByteArray buffer_;
    QByteArray errorTail_;
    std::deque<Pending> pending_;
    qint64 pid_ = 0;  // of the helper, which leads its process group
    bool closing_ = false;
};

ImpressShow::ImpressShow(X11Windows& windows, QObject* parent)
    : QObject(parent), windows_(windows) {
    program_ = QCoreApplication::applicationDirPath() + QStringLiteral("/zul-impress");
}

ImpressShow::~ImpressShow() {
    // Each helper kills its process group (the helper and its LibreOffice) as it goes.
    const QList<ImpressHelper*> helpers = findChildren<ImpressHelper*>(Qt::FindDirectChildrenOnly);
    qDeleteAll(helpers);
}

void ImpressShow::setHelper(const QString& program, const QStringList& arguments) {
    program_ = program;
    arguments_ = arguments;
}

int ImpressShow::closingHelpers() const {
    int n = 0;
    for (const ImpressHelper* h : findChildren<ImpressHelper*>(Qt::FindDirectChildrenOnly)) {
        n += h->closing() ? 1 : 0;
    }
    return n;
}

void ImpressShow::open(const QString& path, const QRect& screenRect) {
    close();
    const QFileInfo helper(program_);
    if (!helper.isFile() || !helper.isExecutable()) {
        failLater(ShowOp::Open, QStringLiteral("zul-impress が見つかりません：%1").arg(program_));
        return;
    }
    state_ = State::Opening;
    window_ = 0;
    slide_ = 0;
    current_ = new ImpressHelper(*this);
    current_->launch(program_, arguments_);
    if (!current_) {
        // It could not even start.
        failLater(ShowOp::Open, lastLoss_);
        return;
    }
    send(ShowOp::Open, screenRect, QFileInfo(path).absoluteFilePath());
}

void ImpressShow::start(const QRect& screenRect) {
    send(ShowOp::Start, screenRect);
}

void ImpressShow::next() {
    send(ShowOp::Next);
}

void ImpressShow::previous() {
    send(ShowOp::Previous);
}

void ImpressShow::end() {
    send(ShowOp::End);
}

void ImpressShow::close() {
    state_ = State::Closed;
    if (current_) {
        retire(*current_, false);
    }
}

void ImpressShow::send(ShowOp op, const QRect& rect, const QString& path) {
    if (!current_) {
        failLater(op, QStringLiteral("Impress でプレゼンテーションを開いていません"));
        return;
    }
    QJsonObject fields;
    if (op == ShowOp::Open || op == ShowOp::Start) {
        fields[QStringLiteral("rect")] = rectJson(rect);
    }
    if (op == ShowOp::Open) {
        fields[QStringLiteral("path")] = path;
    }
    const auto timeout = op == ShowOp::Open    ? timeouts_.open
                         : op == ShowOp::Start ? timeouts_.open
                                               : timeouts_.step;
    current_->request({nextId_++, op, rect}, fields, timeout);
}

void ImpressShow::failLater(ShowOp op, const QString& detail) {
    // Always after the call returns, as an answer of the helper would come.
    QTimer::singleShot(0, this, [this, op, detail] { emit failed(op, detail); });
}

void ImpressShow::answered(ImpressHelper& helper, ShowOp op, const QRect& rect, bool ok,
                           quint64 window, int slide, const QString& error) {
    if (&helper != current_) {
        return;
    }
    if (!ok) {
        if (op == ShowOp::Open) {
            // Nothing to keep: the next presentation starts a new helper anyway.
            state_ = State::Closed;
            retire(helper, true);
        }
        emit failed(op, error.isEmpty() ? QStringLiteral("Impress が失敗しました") : error);
        return;
    }
    slide_ = slide;
    if (op == ShowOp::Open || op == ShowOp::Start) {
        state_ = State::Open;
        if (window != 0) {
            window_ = window;
        }
        place(window_, rect);
        emit showRunning(window_, rect);
    } else {
        emit stepDone(op, slide);
    }
}

void ImpressShow::helperLost(ImpressHelper& helper, std::optional<ShowOp> op, const QString& why) {
    if (&helper != current_) {
        return;
    }
    current_ = nullptr;
    state_ = State::Closed;
    lastLoss_ = why;
    if (op) {
        failLater(*op, why);
    } else {
        // Between two operations: the next one reports that nothing is open.
        QTimer::singleShot(0, this, [this, why] { emit helperEnded(why); });
    }
}

// The helper has put the window there already; the window manager may have its own ideas
// about a new window, and it drops "always on top" whenever the window was hidden.
void ImpressShow::place(quint64 window, const QRect& rect) {
    if (window == 0 || !windows_.exists(window)) {
        return;
    }
    if (!rect.isEmpty()) {
        windows_.setRect(window, rect);
    }
    windows_.setTopmost(window, true);
    windows_.raise(window);
}

void ImpressShow::retire(ImpressHelper& helper, bool kill) {
    if (&helper == current_) {
        current_ = nullptr;
    }
    if (kill) {
        helper.closeNow(std::chrono::milliseconds(0));
        helper.kill();
    } else {
        helper.closeNow(timeouts_.close);
    }
}

}  // namespace zul
