#include "services/Zul2_dlog.h"

#include <QFont>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "platform/log_view.h"
#include "protocol/packets.h"

namespace zul {
namespace {

constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                         Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint;

// A fixed-pitch font, so columns of the log lines stay aligned; where the named font is
// missing the platform picks another fixed-pitch one.
QFont memoFont() {
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    return font;
}

constexpr int kMaxFetchedLines = 63000;

QPlainTextEdit* makeMemo() {
    auto* memo = new QPlainTextEdit;
    memo->setObjectName(QStringLiteral("Memo1"));
    memo->setFont(memoFont());
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // A display machine's log holds at most 63000 bytes; more lines than that cannot come
    // from one fetch.
    makeAppendOnly(memo, kMaxFetchedLines);
    return memo;
}

}  // namespace

TZUL_Err::TZUL_Err(OperatorChannel channel, QWidget* parent)
    : QWidget(parent, kWindowFlags), channel_(std::move(channel)) {
    setObjectName(QStringLiteral("ZUL_Err"));
    setWindowTitle(QStringLiteral("エラー情報（サーバ）"));
    memo_ = makeMemo();
    feed_ = new LogViewFeed(memo_, [this] { return lines_; });
    fetch_ = new QPushButton(QStringLiteral("取り寄せ"));
    fetch_->setObjectName(QStringLiteral("Button1"));
    connect(fetch_, &QPushButton::clicked, this, &TZUL_Err::Button1Click);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(memo_, 1);
    layout->addWidget(fetch_, 0, Qt::AlignRight);
    setFixedSize(kClientWidth, kClientHeight);
}

void TZUL_Err::addLine(const QByteArray& line) {
    lines_.append(line);
    if (lines_.size() > kMaxFetchedLines) {
        lines_.removeFirst();
    }
    feed_->lineAdded(line);
}

void TZUL_Err::Button1Click() {
    channel_.send(makePacket(Cmd::CmdDebugLog));
    lines_.clear();
    feed_->cleared();
}

}  // namespace zul
