#include "sensor_app.h"

#include <QApplication>
#include <QStyleFactory>

#include "main_icon.h"
#include "sensor_dlg.h"

void ConfigureApplication() {
    // One look on every desktop, and the same one the layout was checked in.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setWindowIcon(MainIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("tessaly"));
}

bool CSensorApp::InitInstance() {
    CSensorDlg dialog;
    dialog.exec();
    return false;
}
