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
#include "process_safety.h"
#include "quit_signals.h"
#include "sensor_app.h"
#include "version.h"

namespace {

[[noreturn]] void Refuse(const QString& why) {
    std::fprintf(stderr, "tessaly: %s\nTry 'tessaly --help'.\n", qPrintable(why));
    std::exit(2);
}

// The options QApplication takes out of argv itself, with one dash as Qt writes them (-platform
// offscreen, -style Fusion). They are accepted here, not listed: they are Qt's, not the window's.
void AcceptQtOptions(QCommandLineParser& parser) {
    for (const char* valued :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qmljsdebugger",
          "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "style", "stylesheet",
          "display", "geometry", "title", "icon", "name", "visual"}) {
        QCommandLineOption option(QString::fromLatin1(valued), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* flag : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption option(QString::fromLatin1(flag));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

// Every option is answered, and anything else refused, before any window system is touched, so
// that they work without a display: --help, --version, a --lang the window does not speak, an
// unknown option or an argument (the window takes none) end the process. Otherwise the language
// is loaded into `translation`: --lang's, or the first of the user's that the window speaks.
void ParseCommandLine(int argc, char** argv, QTranslator& translation) {
    QCoreApplication probe(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tessaly"));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(TESSALY_VERSION));
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("The operator window for the KORVAN Hall-effect DC current sensor.\n"
                       "It speaks the first of the desktop's languages that it knows, Chinese\n"
                       "otherwise; see tessaly(1)."));
    // Qt's own help option would add --help-all, which lists Qt's options and needs a display.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on commandline options."));
    parser.addOption(help);
    parser.addVersionOption();
    const QCommandLineOption lang(QStringLiteral("lang"),
                                  QStringLiteral("The window's language: en or zh."),
                                  QStringLiteral("language"));
    parser.addOption(lang);
    AcceptQtOptions(parser);
    if (!parser.parse(QCoreApplication::arguments()))
        Refuse(parser.errorText());
    if (parser.isSet(help))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (const QStringList extra = parser.positionalArguments(); !extra.isEmpty())
        Refuse(QStringLiteral("the window takes no arguments: %1").arg(extra.join(u' ')));
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
    KeepStandardStreamsOffTheLine();
    HoldQuitSignals();
    QTranslator translation;
    ParseCommandLine(argc, argv, translation);
    ChooseFontEngine();
    QApplication application(argc, argv);
    if (!translation.isEmpty())
        QCoreApplication::installTranslator(&translation);
    QTranslator qtTexts;
    if (LoadQtTranslation(qtTexts, translation))
        QCoreApplication::installTranslator(&qtTexts);
    ConfigureApplication();
    CSensorApp app;
    return app.InitInstance() ? application.exec() : 0;
}
