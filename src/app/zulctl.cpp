// zulctl: drives a display machine from the command line (zulctl --help).
#include <QCoreApplication>
#include <cstdio>
#include <iostream>
#include <string>

#include "ctl/ctl_run.h"
#include "platform/qt_translations.h"

namespace {

void print(std::FILE* stream, const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Qt's own error texts (a connection that fails in a rarer way) in Japanese as well.
    const zul::QtJapaneseTexts japanese;
    const zul::ctl::Terminal terminal{
        []() -> std::optional<QString> {
            std::string line;
            if (!std::getline(std::cin, line)) {
                return std::nullopt;
            }
            return QString::fromStdString(line);
        },
        [](const QString& line) { print(stdout, line); },
        [](const QString& line) { print(stderr, line); },
    };
    const auto env = [](const char* name) -> std::optional<QString> {
        if (!qEnvironmentVariableIsSet(name)) {
            return std::nullopt;
        }
        return qEnvironmentVariable(name);
    };
    return zul::ctl::run(QCoreApplication::arguments().mid(1), env, terminal);
}
