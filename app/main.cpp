// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly: the operator window for the KORVAN Hall-effect DC current sensor.
#include <QApplication>
#include <QCommandLineParser>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>

#include "font_engine.h"
#include "language.h"
#include "quit_signals.h"
#include "sensor_app.h"
#include "version.h"

namespace {

// --help, --version and a --lang the window does not speak are answered before any window system
// is touched, so that they work without a display; they end the process. Otherwise the language
// is loaded into `translation`: --lang's, or the first of the user's that the window speaks. Qt's
// own options (-platform ...) are left to QApplication, which takes them out of argv itself.
void ParseCommandLine(int argc, char** argv, QTranslator& translation) {
    QCoreApplication probe(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tessaly"));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(TESSALY_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The operator window for the KORVAN Hall-effect DC current sensor.\n"
                       "It speaks the first of the desktop's languages that it knows, Chinese\n"
                       "otherwise; see tessaly(1)."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption lang(QStringLiteral("lang"),
                                  QStringLiteral("The window's language: en or zh."),
                                  QStringLiteral("language"));
    parser.addOption(lang);
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    const QString chosen = parser.value(lang);
    if (!parser.isSet(lang)) {
        LoadTranslation(translation, QLocale::system().uiLanguages());
    } else if (!IsSourceLanguage(chosen) && !LoadTranslation(translation, {chosen})) {
        std::fprintf(stderr, "tessaly: --lang %s: the window speaks en or zh\n",
                     qPrintable(chosen));
        std::exit(2);
    }
}

}  // namespace

int main(int argc, char** argv) {
    HoldQuitSignals();
    QTranslator translation;
    ParseCommandLine(argc, argv, translation);
    ChooseFontEngine();
    QApplication application(argc, argv);
    if (!translation.isEmpty())
        QCoreApplication::installTranslator(&translation);
    ConfigureApplication();
    CSensorApp app;
    return app.InitInstance() ? application.exec() : 0;
}
