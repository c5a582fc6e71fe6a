// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly: the operator window for the KORVAN Hall-effect DC current sensor.
#include <QApplication>
#include <QCommandLineParser>

#include "font_engine.h"
#include "quit_signals.h"
#include "sensor_app.h"
#include "version.h"

namespace {

// --help and --version are answered before any window system is touched, so that they work
// without a display; they end the process. Qt's own options (-platform ...) are left to
// QApplication, which takes them out of argv itself.
void AnswerHelpOrVersion(int argc, char** argv) {
    QCoreApplication probe(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tessaly"));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(TESSALY_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The operator window for the KORVAN Hall-effect DC current sensor.\n"
                       "It takes no arguments; see tessaly(1)."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
}

}  // namespace

int main(int argc, char** argv) {
    HoldQuitSignals();
    AnswerHelpOrVersion(argc, argv);
    ChooseFontEngine();
    QApplication application(argc, argv);
    ConfigureApplication();
    CSensorApp app;
    return app.InitInstance() ? application.exec() : 0;
}
