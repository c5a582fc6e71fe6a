// SPDX-License-Identifier: GPL-3.0-or-later
// Device search through the window: the worker thread, its notifications and stopping. These
// also run under ThreadSanitizer.
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "exchange.h"
#include "link_state.h"
#include "support/sim_process.h"
#include "support/window_support.h"

namespace {

void SetRange(CSensorDlg& d, const char* from, const char* to) {
    SetText(d, IDC_SCAN_FROM, from);
    SetText(d, IDC_SCAN_TO, to);
}

void CheckRates(CSensorDlg& d, std::initializer_list<int> checked) {
    for (int id : {IDC_SCAN_1200, IDC_SCAN_2400, IDC_SCAN_4800, IDC_SCAN_9600})
        Item<QCheckBox>(d, id)->setChecked(std::find(checked.begin(), checked.end(), id) !=
                                           checked.end());
}

void ClickSearch(CSensorDlg& d) {
    Item<QPushButton>(d, IDC_SEARCH)->click();
}

// "address@baud" for every probe the simulator saw.
QStringList Probes(const SimProcess& sim) {
    QStringList probes;
    for (const std::string& line : sim.LogLines()) {
        const std::string request = LoggedRequest(line);
        probes << QStringLiteral("%1@%2")
                      .arg(std::stoi(request.substr(0, 2), nullptr, 16))
                      .arg(LoggedBaud(line));
    }
    return probes;
}

const int kPortControls[] = {IDC_ACQUIRE,   IDC_SET_ADDRESS, IDC_SET_BAUD,
                             IDC_SET_TURNS, IDC_READ_TURNS,  IDC_SEARCH};

}  // namespace

class SearchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { IsolateComPorts(); }

    void badRangeStartsNothing_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        const std::pair<const char*, const char*> ranges[] = {
            {"6", "5"}, {"-1", "3"}, {"0", "256"}, {"0", "99999999999"}, {"", "5"}, {"abc", "5"}};
        for (auto [from, to] : ranges)
            QTest::addRow("'%s'..'%s'", from, to) << U(from) << U(to);
    }
    void badRangeStartsNothing() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        RecordedMessages messages;
        CSensorDlg dialog;
        Item<QLineEdit>(dialog, IDC_SCAN_FROM)->setText(from);
        Item<QLineEdit>(dialog, IDC_SCAN_TO)->setText(to);
        ClickSearch(dialog);
        QVERIFY(!dialog.SearchWorkerRunning());
        QCOMPARE(TextOf(dialog, IDC_SEARCH), U("搜索"));
        QCOMPARE(messages.texts, QStringList{U("请输入正确的地址范围0~255!!!")});
    }

    void oneAddressOneRateIsOneProbe() {
        SimProcess sim({"--silent"});
        ScopedComPort com(1, sim.ptyPath());
        RecordedMessages messages;
        CSensorDlg dialog;
        SetRange(dialog, "255", "255");
        CheckRates(dialog, {IDC_SCAN_9600});
        ClickSearch(dialog);
        QCOMPARE(TextOf(dialog, IDC_SEARCH), U("停止"));
        QTRY_VERIFY(!messages.texts.isEmpty());
        QCOMPARE(messages.texts, QStringList{U("搜索通讯参数失败,请检查接线和串口是否正确!!!")});
        QCOMPARE(TextOf(dialog, IDC_SEARCH_RESULT), U("未搜索到通讯参数"));
        QCOMPARE(Probes(sim), QStringList{U("255@9600")});
        QTRY_VERIFY(!dialog.SearchWorkerRunning());
    }

    void findsTheSensorAfterProbesInOrder() {
        SimProcess sim({"--address", "3", "--baud", "4800"});
        ScopedComPort com(1, sim.ptyPath());
        RecordedMessages messages;
        CSensorDlg dialog;
        ClickSearch(dialog);
        QVERIFY(!dialog.GetDlgItem(IDC_ACQUIRE)->isEnabled());
        QVERIFY(!dialog.GetDlgItem(IDC_ZERO)->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!messages.texts.isEmpty(), 15000);
        QCOMPARE(messages.texts, QStringList{U("通讯参数为 波特率：4800 地址：3")});
        QCOMPARE(TextOf(dialog, IDC_SEARCH_RESULT), U("波特率：4800 地址：3"));
        QCOMPARE(Item<QComboBox>(dialog, IDC_BAUD)->currentText(), U("4800"));
        QCOMPARE(TextOf(dialog, IDC_ADDRESS), U("3"));
        QCOMPARE(TextOf(dialog, IDC_SEARCH), U("搜索"));
        QStringList expected;
        for (int address = 0; address < 3; ++address)
            for (int baud : {1200, 2400, 4800, 9600})
                expected << QStringLiteral("%1@%2").arg(address).arg(baud);
        expected << U("3@1200") << U("3@2400") << U("3@4800");
        QCOMPARE(Probes(sim), expected);
        QTRY_VERIFY(!dialog.SearchWorkerRunning());
        for (int id : kPortControls)
            QVERIFY(dialog.GetDlgItem(id)->isEnabled());
        QVERIFY(dialog.GetDlgItem(IDC_ZERO)->isEnabled());
        QVERIFY2(!dialog.GetDlgItem(IDC_CALIBRATE)->isEnabled(), "no acquisition has run yet");
        QCOMPARE(dialog.linkState().searchRunning.load(), 1);
    }

    // When the find is shown the worker is still letting go of its port: 采集 stays locked until
    // it has, so a click in that moment cannot open a port the worker then closes (and, under
    // ThreadSanitizer, the window and the worker share no link).
    void acquireRightAfterAFind() {
        SimProcess sim({"--address", "0", "--baud", "1200"});
        ScopedComPort com(1, sim.ptyPath());
        CSensorDlg dialog;
        SetRange(dialog, "0", "0");
        CheckRates(dialog, {IDC_SCAN_1200});
        SetText(dialog, IDC_PERIOD, "20");
        auto* acquire = Item<QPushButton>(dialog, IDC_ACQUIRE);
        int openToAClickWhileEnding = 0;
        const auto clickAcquire = [&] {
            openToAClickWhileEnding += acquire->isEnabled() && dialog.SearchWorkerRunning();
            acquire->click();
        };
        // Queued twice: behind the box's own OK, so the click comes once the notice is handled.
        RecordedMessages messages([&](const QString&) {
            QMetaObject::invokeMethod(
                &dialog,
                [&] { QMetaObject::invokeMethod(&dialog, clickAcquire, Qt::QueuedConnection); },
                Qt::QueuedConnection);
        });
        for (int round = 0; round < 3; ++round) {
            ClickSearch(dialog);
            QTRY_VERIFY(!dialog.SearchWorkerRunning());
            if (TextOf(dialog, IDC_ACQUIRE) == U("采集"))
                acquire->click();
            QTRY_VERIFY(TextOf(dialog, IDC_OK_COUNT).toInt() >= 2);
            acquire->click();
            QCOMPARE(TextOf(dialog, IDC_FAIL_COUNT), U("0"));
        }
        QCOMPARE(openToAClickWhileEnding, 0);
    }

    void progressShowsEachProbe() {
        SimProcess sim({"--silent"});
        ScopedComPort com(1, sim.ptyPath());
        RecordedMessages messages;
        CSensorDlg dialog;
        SetRange(dialog, "7", "8");
        CheckRates(dialog, {IDC_SCAN_2400});
        ClickSearch(dialog);
        QTRY_COMPARE(TextOf(dialog, IDC_SEARCH_RESULT), U("正在搜索：波特率2400--地址7"));
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(dialog, IDC_SEARCH_RESULT), U("未搜索到通讯参数"), 3000);
    }

    // Stopping shows at once; the port controls wait for the worker to let go of the port.
    void stopDuringAProbe() {
        SimProcess sim({"--silent"});
        ScopedComPort com(1, sim.ptyPath());
        RecordedMessages messages;
        CSensorDlg dialog;
        ClickSearch(dialog);
        QTRY_VERIFY(sim.LogLines().size() == 1);
        ClickSearch(dialog);
        QCOMPARE(TextOf(dialog, IDC_SEARCH), U("搜索"));
        QCOMPARE(TextOf(dialog, IDC_SEARCH_RESULT), U("已经停止搜索"));
        QVERIFY(dialog.SearchWorkerRunning());
        for (int id : kPortControls)
            QVERIFY(!dialog.GetDlgItem(id)->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.SearchWorkerRunning(), 2000);
        for (int id : kPortControls)
            QVERIFY(dialog.GetDlgItem(id)->isEnabled());
        QVERIFY(dialog.GetDlgItem(IDC_ZERO)->isEnabled());
        QCOMPARE(TextOf(dialog, IDC_SEARCH_RESULT), U("已经停止搜索"));
        QCOMPARE(sim.LogLines().size(), size_t(1));
        QVERIFY(messages.texts.isEmpty());
    }

    void noRateCheckedIsExhaustedAtOnce() {
        RecordedMessages messages;
        CSensorDlg dialog;
        CheckRates(dialog, {});
        QElapsedTimer clock;
        clock.start();
        ClickSearch(dialog);
        QTRY_VERIFY(!messages.texts.isEmpty());
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(messages.texts, QStringList{U("搜索通讯参数失败,请检查接线和串口是否正确!!!")});
    }

    void missingPortReportsOnceAndWaitsForStop() {
        RecordedMessages messages;
        CSensorDlg dialog;
        Item<QComboBox>(dialog, IDC_PORT)->setCurrentIndex(4);
        ClickSearch(dialog);
        QTRY_VERIFY(!dialog.SearchWorkerRunning());
        QTest::qWait(50);
        QCOMPARE(messages.texts, QStringList{U("没有发现此串口或此串口被占用")});
        QCOMPARE(TextOf(dialog, IDC_SEARCH), U("停止"));
        QVERIFY(!dialog.GetDlgItem(IDC_ACQUIRE)->isEnabled());
        ClickSearch(dialog);
        QCOMPARE(TextOf(dialog, IDC_SEARCH), U("搜索"));
        for (int id : kPortControls)
            QVERIFY(dialog.GetDlgItem(id)->isEnabled());
    }

    void closingDuringASearchEndsQuickly() {
        SimProcess sim({"--silent"});
        ScopedComPort com(1, sim.ptyPath());
        RecordedMessages messages;
        CSensorDlg dialog;
        dialog.show();
        ClickSearch(dialog);
        QTRY_VERIFY(sim.LogLines().size() == 2);
        QElapsedTimer clock;
        clock.start();
        dialog.reject();
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY(!dialog.SearchWorkerRunning());
        PortHandle again = OpenComPort(1, 9600);
        QVERIFY2(again, "the worker let go of the port");
        ClosePort(again);
        QTest::qWait(100);
        QVERIFY(messages.texts.isEmpty());
        QCOMPARE(sim.LogLines().size(), size_t(2));
    }
};

QTEST_MAIN(SearchTest)
#include "window_search_test.moc"
