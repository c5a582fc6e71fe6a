// Acquisition through the window against the simulated sensor on a pseudo-terminal.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "link_state.h"
#include "support/sim_process.h"
#include "support/window_support.h"
#include "text_number.h"
#include "window_timer.h"

class AcquireTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { IsolateComPorts(); }

    void startStopKeepsThenResetsCounters() {
        SimProcess sim({"--address", "1", "--current", "-0.5"});
        ScopedComPort com(1, sim.ptyPath());
        RecordedMessages messages;
        CSensorDlg dialog;
        SetText(dialog, IDC_ADDRESS, "1");
        SetText(dialog, IDC_PERIOD, "20");
        Click(dialog, IDC_ACQUIRE);
        QCOMPARE(TextOf(dialog, IDC_ACQUIRE), U("停止"));
        QVERIFY(!dialog.GetDlgItem(IDC_SEARCH)->isEnabled());
        QTRY_VERIFY(TextOf(dialog, IDC_OK_COUNT).toInt() >= 3);
        QCOMPARE(TextOf(dialog, IDC_CURRENT), U("-0.5"));  // sign bit with magnitude 5
        Click(dialog, IDC_ACQUIRE);
        const QString ok = TextOf(dialog, IDC_OK_COUNT);
        QTest::qWait(100);
        QCOMPARE(TextOf(dialog, IDC_OK_COUNT), ok);
        QCOMPARE(ok.toInt(), sim.Answered());
        QCOMPARE(TextOf(dialog, IDC_FAIL_COUNT), U("0"));
        QCOMPARE(TextOf(dialog, IDC_ACQUIRE), U("采集"));
        QVERIFY(dialog.GetDlgItem(IDC_CALIBRATE)->isEnabled());
        QVERIFY(!g_link.port);

        Click(dialog, IDC_ACQUIRE);
        QCOMPARE(TextOf(dialog, IDC_OK_COUNT), U("0"));
        QCOMPARE(TextOf(dialog, IDC_FAIL_COUNT), U("0"));
        Click(dialog, IDC_ACQUIRE);
        QVERIFY(messages.texts.isEmpty());
    }

    void absentPortShowsTheOpenMessageOnly() {
        RecordedMessages messages;
        CSensorDlg dialog;
        Item<QLabel>(dialog, IDC_OK_COUNT)->setText(QStringLiteral("12"));
        Item<QComboBox>(dialog, IDC_PORT)->setCurrentIndex(4);
        Click(dialog, IDC_ACQUIRE);
        QCOMPARE(messages.texts, QStringList{U("打开串口失败，此串口不存在或被占用")});
        QCOMPARE(TextOf(dialog, IDC_ACQUIRE), U("采集"));
        QCOMPARE(TextOf(dialog, IDC_OK_COUNT), U("12"));
        QVERIFY(dialog.GetDlgItem(IDC_SEARCH)->isEnabled());
    }

    // Each tick after the sensor goes away is one failure and "***"; nothing else changes.
    void sensorGoneCountsFailures() {
        auto sim = std::make_unique<SimProcess>(
            std::vector<std::string>{"--address", "0", "--current", "3"});
        ScopedComPort com(1, sim->ptyPath());
        RecordedMessages messages;
        CSensorDlg dialog;
        SetText(dialog, IDC_PERIOD, "30");
        Click(dialog, IDC_ACQUIRE);
        QTRY_VERIFY(TextOf(dialog, IDC_OK_COUNT).toInt() >= 2);
        sim->Stop();
        const int okAtStop = sim->Answered();
        QTRY_VERIFY(TextOf(dialog, IDC_FAIL_COUNT).toInt() >= 3);
        QCOMPARE(TextOf(dialog, IDC_CURRENT), U("***"));
        QCOMPARE(TextOf(dialog, IDC_OK_COUNT).toInt(), okAtStop);
        QCOMPARE(TextOf(dialog, IDC_ACQUIRE), U("停止"));
        Click(dialog, IDC_ACQUIRE);
        QVERIFY(messages.texts.isEmpty());
    }

    void changedAddressRedirectsTheNextTick() {
        SimProcess sim({"--address", "1"});
        ScopedComPort com(1, sim.ptyPath());
        CSensorDlg dialog;
        SetText(dialog, IDC_ADDRESS, "1");
        SetText(dialog, IDC_PERIOD, "20");
        Click(dialog, IDC_ACQUIRE);
        QTRY_VERIFY(TextOf(dialog, IDC_OK_COUNT).toInt() >= 1);
        Item<QLineEdit>(dialog, IDC_ADDRESS)
            ->setText(QStringLiteral("300"));  // sent as 300 % 256 = 44
        QTRY_VERIFY_WITH_TIMEOUT(
            !sim.LogLines().empty() && LoggedRequest(sim.LogLines().back()).starts_with("2c04"),
            2000);
        Click(dialog, IDC_ACQUIRE);
    }

    void closingDuringAcquisitionReleasesThePort() {
        SimProcess sim({"--address", "0"});
        ScopedComPort com(1, sim.ptyPath());
        CSensorDlg dialog;
        dialog.show();
        Click(dialog, IDC_ACQUIRE);
        QTRY_VERIFY(TextOf(dialog, IDC_OK_COUNT).toInt() >= 1);
        dialog.reject();
        QVERIFY(!g_link.port);
        const size_t requests = sim.LogLines().size();
        QTest::qWait(700);
        QCOMPARE(sim.LogLines().size(), requests);  // no tick after the window closed
        PortHandle again = OpenComPort(1, 9600);
        QVERIFY(again);
        ClosePort(again);
    }

    void typedNumbersReadLikeAtoi() {
        const std::pair<const char*, int> cases[] = {
            {"", 0},
            {"abc", 0},
            {"  42", 42},
            {"012", 12},
            {"-7x", -7},
            {"+5", 5},
            {"1 2", 1},
            {"99999999999", 2147483647},
            {"-99999999999", -2147483647 - 1},
            {"\t\n9", 9},
            {"２", 0},
        };
        for (auto [text, value] : cases)
            QCOMPARE(Atoi(U(text)), value);
        QCOMPARE(Win32TimerPeriod(Atoi(U("abc"))), 10);
        QCOMPARE(Win32TimerPeriod(9), 10);
        QCOMPARE(Win32TimerPeriod(500), 500);
        QCOMPARE(Win32TimerPeriod(-1), 0x7FFFFFFF);
    }
};

QTEST_MAIN(AcquireTest)
#include "operations_acquire_test.moc"
