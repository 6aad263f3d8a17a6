// zul-macro: sends one macro to a running zul, as another program would over the local
// macro channel. The arguments, joined by blanks, are the macro text:
//     zul-macro RUN_SERVER
//     zul-macro LOAD_WALL /home/show/pic 1.jpg
// "--name FILE" addresses the copy whose program file is FILE instead of "zul".
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "platform/macro_channel.h"

namespace {

constexpr int kExitNoProgram = 1;
constexpr int kExitUsage = 2;

void printError(const QString& text) {
    std::fprintf(stderr, "zul-macro: %s\n", qPrintable(text));
}

int usage() {
    std::fprintf(stderr,
                 "使い方: zul-macro [--name プログラムファイル名] マクロ [オペランド...]\n"
                 "  例: zul-macro RUN_SERVER\n"
                 "      zul-macro LOAD_WALL /home/show/pic.jpg\n");
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    QString program = QStringLiteral("zul");
    if (!args.isEmpty() &&
        (args.front() == QLatin1String("--help") || args.front() == QLatin1String("-h"))) {
        usage();
        return 0;
    }
    if (!args.isEmpty() && args.front() == QLatin1String("--name")) {
        if (args.size() < 2) {
            return usage();
        }
        program = args.at(1);
        args = args.mid(2);
    } else if (!args.isEmpty() && args.front().startsWith(QLatin1String("--name="))) {
        program = args.front().mid(7);
        args = args.mid(1);
    }
    if (args.isEmpty()) {
        return usage();
    }
    const QString service = zul::MacroChannel::serviceName(program);
    const auto result = zul::MacroChannel::send(service, args.join(QLatin1Char(' ')));
    using Status = zul::MacroChannel::SendResult::Status;
    switch (result.status) {
        case Status::Sent:
            return 0;
        case Status::NoBus:
            printError(QStringLiteral("セッションバスに接続できません（%1）").arg(result.detail));
            return kExitNoProgram;
        case Status::NoProgram:
            printError(QStringLiteral("%1 を受け付けるZULが動いていません。").arg(service));
            return kExitNoProgram;
        case Status::Failed:
            printError(QStringLiteral("%1 へ送れませんでした（%2）").arg(service, result.detail));
            return kExitNoProgram;
    }
    return kExitNoProgram;
}
