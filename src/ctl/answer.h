#pragma once

// Reading the answer to a request. The display machine answers every connection in the
// order of its packets, so a caption settings request (CmdFontRequest) sent after the
// request marks the end of its answer: once the settings come back, every reply of the
// request has arrived, also for requests that are answered by any number of packets or by
// none. The replies of that end mark are not the request's and are not printed.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <optional>

#include "ctl/ctl_request.h"
#include "protocol/reply_formats.h"

namespace zul::ctl {

// The packet that closes every request.
QByteArray endMarkPacket();

class AnswerTracker {
public:
    // `request` is the command whose answer is awaited.
    explicit AnswerTracker(Cmd request);

    // Takes the next reply packet (no line feed); true when it belongs to the request's own
    // answer, false when it is part of the end mark (or arrives after it).
    bool take(QByteArrayView packet);
    bool complete() const { return complete_; }

private:
    int ownSettings_ = 0;  // CmdFontSend replies that belong to the request itself
    int ownPosition_ = 0;  // CmdCaptionPosition replies that belong to it
    int settingsSeen_ = 0;
    int positionsSeen_ = 0;
    bool complete_ = false;
};

// Turns the replies of a request into the lines zulctl prints.
class AnswerPrinter {
public:
    AnswerPrinter(ReplyShape shape, bool json) : shape_(shape), json_(json) {}

    // Lines to print for one reply of the request's own answer.
    QStringList take(QByteArrayView packet);
    // Lines to print when the answer is complete.
    QStringList finish();
    // Why the answer is not what the request asks for (a load or settings that never came),
    // or nothing.
    std::optional<QString> missing() const;

private:
    QString line(const QString& text, const QString& key) const;

    ReplyShape shape_;
    bool json_;
    std::optional<CaptionSettingsReply> caption_;
    std::optional<bool> captionTop_;
    bool cpuSeen_ = false;
    QString folder_;
};

// Text from the display machine made safe for a terminal: control characters (which could
// move the cursor, retitle the window or clear the screen) become U+FFFD.
QString terminalText(const QString& text);

}  // namespace zul::ctl
