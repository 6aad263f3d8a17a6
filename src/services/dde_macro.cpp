#include "services/dde_macro.h"

#include <algorithm>
#include <array>
#include <utility>

namespace zul {
namespace {

constexpr std::array<std::pair<const char*, MacroCommand>, 9> kCommands{{
    {"RUN_SERVER_WITH_FILESET", MacroCommand::RunServerWithFileset},
    {"SEND_CMD", MacroCommand::SendCmd},
    {"RUN_SERVER_WITH_FILE", MacroCommand::RunServerWithFile},
    {"RUN_CLIENT_WITH_FILE", MacroCommand::RunClientWithFile},
    {"OPEN_SETFILE", MacroCommand::OpenSetfile},
    {"RUN_SERVER", MacroCommand::RunServer},
    {"RUN_CLIENT", MacroCommand::RunClient},
    {"LOAD_WALL", MacroCommand::LoadWall},
    {"LOAD_FILESET", MacroCommand::LoadFileset},
}};

// ASCII letters compare without regard to case; every other character only to itself.
bool sameWord(const QString& text, const char* word) {
    const QLatin1String w(word);
    if (text.size() != w.size()) {
        return false;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const char16_t upper = (c >= 'a' && c <= 'z') ? static_cast<char16_t>(c - 'a' + 'A') : c;
        if (upper != static_cast<unsigned char>(w.at(i).toLatin1())) {
            return false;
        }
    }
    return true;
}

}  // namespace

QStringList macroLines(const QString& text) {
    QString body = text;
    if (body.endsWith(QLatin1Char('\n'))) {
        body.chop(body.endsWith(QLatin1String("\r\n")) ? 2 : 1);
    }
    QStringList lines = body.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
    }
    return lines;
}

QString macroBufferText(const QStringList& lines) {
    QString text = lines.join(QLatin1String("\r\n"));
    if (text.size() > kMacroBufferChars) {
        qsizetype end = kMacroBufferChars;
        if (text.at(end - 1).isHighSurrogate()) {
            --end;
        }
        text.truncate(end);
    }
    return text;
}

Macro parseMacro(const QString& bufferText) {
    Macro m;
    const qsizetype blank = bufferText.indexOf(QLatin1Char(' '));
    if (blank < 0) {
        m.commandWord = bufferText;
    } else {
        m.commandWord = bufferText.left(blank);
        m.operand = bufferText.mid(blank + 1);
    }
    m.command = macroCommand(m.commandWord);
    return m;
}

MacroCommand macroCommand(const QString& commandWord) {
    for (const auto& [word, command] : kCommands) {
        if (sameWord(commandWord, word)) {
            return command;
        }
    }
    return MacroCommand::Unknown;
}

QString macroFileName(const QString& path) {
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(cut + 1);
}

}  // namespace zul
