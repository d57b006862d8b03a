// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmquorvix.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

namespace {

// --help and --version are answered before the window system is reached, so that they work in a
// terminal with no display. Everything else waits for QApplication, which first takes its own
// options (-platform, -style, ...) off the command line.
void AddOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral("Зендрал: морской бой в космосе для двоих."));
    parser.addHelpOption();
    parser.addVersionOption();
}

QStringList Arguments(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

} // namespace

int main(int argc, char** argv) {
    // Messages about the command line name the program as it is typed.
    QCoreApplication::setApplicationName(QStringLiteral("zendral"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QX_VERSION));
    {
        QCommandLineParser early;
        AddOptions(early);
        early.parse(Arguments(argc, argv)); // unknown options are reported below
        if (early.isSet(QStringLiteral("version")) || early.isSet(QStringLiteral("help"))) {
            QCoreApplication core(argc, argv);
            if (early.isSet(QStringLiteral("version")))
                early.showVersion(); // both exit
            early.showHelp();
        }
    }
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.zendral.Zendral"));
    QCommandLineParser parser;
    AddOptions(parser);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "zendral: unexpected argument '%s'\n",
                     qPrintable(parser.positionalArguments().first()));
        return 1;
    }
    QCoreApplication::setApplicationName(QStringLiteral("Quorvix")); // where the settings are kept
    qx::frmQuorvix window;
    window.show();
    return QApplication::exec();
}
