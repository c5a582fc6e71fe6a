// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly: the operator window for the KORVAN Hall-effect DC current sensor.
#include <QApplication>

#include "quit_signals.h"
#include "sensor_app.h"

int main(int argc, char** argv) {
    HoldQuitSignals();
    QApplication application(argc, argv);
    ConfigureApplication();
    CSensorApp app;
    return app.InitInstance() ? application.exec() : 0;
}
