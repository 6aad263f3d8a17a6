#pragma once

// What a zulctl command line asks for: the connection options, the packets to send and the
// kind of answer to print. Pure: the arguments and the environment go in, a request or the
// reason why the line is not understood comes out.

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <variant>

#include "protocol/command_table.h"

namespace zul::ctl {

// Exit codes of zulctl.
inline constexpr int kExitDone = 0;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoConnection = 3;
inline constexpr int kExitNoAnswer = 4;

inline constexpr std::chrono::milliseconds kDefaultTimeout{10000};
inline constexpr std::chrono::milliseconds kMinTimeout{100};
inline constexpr std::chrono::milliseconds kMaxTimeout{3600 * 1000};
inline constexpr int kDefaultPort = 30000;

// How the replies to a request are printed.
enum class ReplyShape {
    None,     // the command has no answer: nothing is printed
    Any,      // every reply, with its command identifier
    Parts,    // CmdPartsInfo rows
    Files,    // CmdDirListReceive names, then the folder
    Log,      // CmdDebugLog lines
    Cpu,      // the CmdCpuLoadReply percentage
    Caption,  // CmdFontSend and CmdCaptionPosition as one record
};

struct Options {
    QString host = QStringLiteral("localhost");
    int port = kDefaultPort;
    std::chrono::milliseconds timeout = kDefaultTimeout;
    bool json = false;
};

struct Request {
    Options options;
    // The packets to send, each with its line feed, in order.
    QByteArrayList packets;
    ReplyShape shape = ReplyShape::None;
    // The command a request sends (the last when it sends several); its own replies are
    // told from those of the end mark by it.
    Cmd command = Cmd::CmdMessage;
    // `script FILE`: the file to step through; no packets are given then.
    std::optional<QString> scriptFile;
    // Characters of the text that code page 932 cannot represent (sent as '?').
    int unmappable = 0;
};

struct ShowHelp {};

struct UsageError {
    QString message;
};

using ParseResult = std::variant<Request, ShowHelp, UsageError>;

// Value of an environment variable, or nothing when it is not set.
using Environment = std::function<std::optional<QString>(const char* name)>;

// `args` without the program name. ZUL_HOST and ZUL_PORT give the defaults of --host and
// --port.
ParseResult parseArguments(const QStringList& args, const Environment& env);

// One command of zulctl as the help text shows it.
struct CommandHelp {
    std::string_view synopsis;  // "part 名前 値 [文字色 背景色]"
    std::string_view summary;   // what it does, in one line
    std::string_view example;   // a complete command line that works as written
};

std::span<const CommandHelp> commandHelp();

// The whole --help text.
QString helpText();

// Longest operand that fits a packet line that the display machine accepts.
inline constexpr qsizetype kMaxOperandBytes = 1022;

}  // namespace zul::ctl
