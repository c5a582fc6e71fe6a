// SPDX-License-Identifier: GPL-3.0-or-later
#include "sensor_app.h"

#include <QApplication>
#include <QStyleFactory>

#include "main_icon.h"
#include "quit_signals.h"
#include "sensor_dlg.h"
#include "version.h"

void ConfigureApplication() {
    // One look on every desktop, and the same one the layout was checked in.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setWindowIcon(MainIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("tessaly"));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(TESSALY_VERSION));
    CloseWindowsOnQuitSignals();
}

bool CSensorApp::InitInstance() {
    CSensorDlg dialog;
    dialog.exec();
    return false;
}
