// SPDX-License-Identifier: GPL-3.0-or-later
// The window in a real X server (run under Xvfb): it maps, with its caption and fixed size.
#include <QGuiApplication>
#include <QWindow>

#include "support/window_support.h"

class WindowX11Test : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mapsWithCaptionAndSize() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        IsolateComPorts();
        CSensorDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QWindow* window = dialog.windowHandle();
        QVERIFY(window->isExposed());
        QCOMPARE(window->title(), U("KORVAN霍尔直流电流传感器(发行版)"));
        QCOMPARE(window->size(), dialog.size());
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(!(window->flags() & Qt::WindowMinMaxButtonsHint));
    }
};

QTEST_MAIN(WindowX11Test)
#include "window_x11_test.moc"
