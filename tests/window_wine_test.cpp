// SPDX-License-Identifier: GPL-3.0-or-later
// The window built for Windows, under Wine, on the simulated sensor that scripts/test-windows maps
// to COM1 (address 0, 9600 baud, 12.3 A): a search finds the sensor through Wine's COM port, and
// acquisition shows its current.
#include "support/window_support.h"
#include "wine_sims.h"

class WineWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        if (FindSim("WINDOW").portNumber != 1)
            QFAIL("TESSALY_SIM_WINDOW must name COM1: run scripts/test-windows --window");
    }

    // A search finds the sensor; an acquisition at what it found shows the current.
    void searchThenAcquire() {
        RecordedMessages messages;
        CSensorDlg dialog;
        SetText(dialog, IDC_SCAN_TO, "0");
        Click(dialog, IDC_SEARCH);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.SearchWorkerRunning(), 10000);
        QCOMPARE(messages.texts, QStringList{U("通讯参数为 波特率：9600 地址：0")});
        QCOMPARE(TextOf(dialog, IDC_BAUD), U("9600"));
        SetText(dialog, IDC_PERIOD, "20");
        Click(dialog, IDC_ACQUIRE);
        QTRY_VERIFY(Count(dialog, IDC_OK_COUNT) >= 3);
        Click(dialog, IDC_ACQUIRE);
        QCOMPARE(TextOf(dialog, IDC_CURRENT), U("12.3"));
        QCOMPARE(TextOf(dialog, IDC_FAIL_COUNT), U("0"));
        QCOMPARE(messages.texts.size(), 1);
    }
};

QTEST_MAIN(WineWindowTest)
#include "window_wine_test.moc"
