// A window of another program for the window function tests: a plain Qt window whose
// WM_CLASS class and title are given on the command line, standing in for the captioning
// program's main window ("Ttalk2e") or any other foreign window.
//
//   window_standin --class Ttalk2e [--title T] [--geometry X,Y,W,H] [--hidden]
//
// Once its window exists (mapped, or created unmapped with --hidden) it prints the X
// window id in decimal and a line feed on standard output. It ends when standard input
// reaches its end or on SIGTERM.

#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>

#include <unistd.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    // WM_CLASS's class is the application name at the first window's creation.
    QString windowClass = QStringLiteral("Standin");
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], "--class") == 0) {
            windowClass = QString::fromLocal8Bit(argv[i + 1]);
        }
    }
    QApplication::setApplicationName(windowClass);
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.addOption(
        {QStringLiteral("class"), QStringLiteral("WM_CLASS class"), QStringLiteral("name")});
    parser.addOption({QStringLiteral("title"), QStringLiteral("title"), QStringLiteral("text")});
    parser.addOption({QStringLiteral("geometry"), QStringLiteral("outer rectangle X,Y,W,H"),
                      QStringLiteral("rect")});
    parser.addOption({QStringLiteral("hidden"), QStringLiteral("create the window unmapped")});
    parser.process(app);

    QLabel window(QStringLiteral("stand-in"));
    window.setWindowTitle(parser.isSet(QStringLiteral("title"))
                              ? parser.value(QStringLiteral("title"))
                              : windowClass);
    window.setAutoFillBackground(true);
    window.setStyleSheet(QStringLiteral("background: #208020; color: white;"));
    const QStringList g = parser.value(QStringLiteral("geometry")).split(QLatin1Char(','));
    if (g.size() == 4) {
        window.setGeometry(g[0].toInt(), g[1].toInt(), g[2].toInt(), g[3].toInt());
    } else {
        window.resize(320, 120);
    }

    const auto announce = [&window] {
        std::printf("%llu\n", static_cast<unsigned long long>(window.winId()));
        std::fflush(stdout);
    };
    if (parser.isSet(QStringLiteral("hidden"))) {
        window.winId();  // the native window, never mapped
        announce();
    } else {
        window.show();
        QTimer::singleShot(0, &window, announce);
    }

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&input] {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });
    return QApplication::exec();
}
