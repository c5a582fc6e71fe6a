// SPDX-License-Identifier: GPL-3.0-or-later
// Device search through the window: the worker thread, notifications, stopping (also under TSan).
#include "link_state.h"
#include "support/window_support.h"

namespace {

const QString kNotFound = U("搜索通讯参数失败,请检查接线和串口是否正确!!!");

// Which port controls are enabled, 1 or 0 each: acquire, the four settings, zero, search.
QString PortControls(const CSensorDlg& d) {
    QString enabled;
    for (int id : {IDC_ACQUIRE, IDC_SET_ADDRESS, IDC_SET_BAUD, IDC_SET_TURNS, IDC_READ_TURNS,
                   IDC_ZERO, IDC_SEARCH})
        enabled += d.GetDlgItem(id)->isEnabled() ? u'1' : u'0';
    return enabled;
}

}  // namespace

class SearchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { IsolateComPorts(); }

    // One address at one rate is one probe; the progress shows each probe. As after a find, the
    // port controls stay locked while "not found" is shown.
    void oneAddressOneRateIsOneProbe() {
        WindowOnSim w({"--silent"});
        QString atTheBox;
        RecordedMessages messages([&](const QString&) { atTheBox = PortControls(w.dialog); });
        Search(w.dialog, "255", "255", {IDC_SCAN_1200});
        QCOMPARE(TextOf(w.dialog, IDC_SEARCH), U("停止"));
        QTRY_COMPARE(messages.texts, QStringList{kNotFound});
        QCOMPARE(atTheBox, U("0000001"));
        QCOMPARE(TextOf(w.dialog, IDC_SEARCH_RESULT), U("未搜索到通讯参数"));
        QVERIFY(Probes(*w.sim) == std::vector<std::string>{"255@1200"});
        QTRY_VERIFY(!w.dialog.SearchWorkerRunning());

        Search(w.dialog, "7", "8", {IDC_SCAN_2400});
        QTRY_COMPARE(TextOf(w.dialog, IDC_SEARCH_RESULT), U("正在搜索：波特率2400--地址7"));
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(w.dialog, IDC_SEARCH_RESULT), U("未搜索到通讯参数"), 3000);
    }

    // The checked rates in order at each address; the find fills in rate and address. The port
    // controls, zero too, stay locked until the worker has let go of the port: while the find is
    // shown it is still letting go, and 采集 then would open a port the worker is about to close.
    void findsTheSensorAfterProbesInOrder() {
        WindowOnSim w({"--baud", "4800"}, "3");
        SetText(w.dialog, IDC_ADDRESS, "0");
        QString atTheFind;
        RecordedMessages messages([&](const QString&) { atTheFind = PortControls(w.dialog); });
        Search(w.dialog, "2", "3", {IDC_SCAN_1200, IDC_SCAN_4800, IDC_SCAN_9600});
        QCOMPARE(PortControls(w.dialog), U("0000001"));
        QTRY_COMPARE(messages.texts, QStringList{U("通讯参数为 波特率：4800 地址：3")});
        QCOMPARE(atTheFind, U("0000001"));
        QCOMPARE(TextOf(w.dialog, IDC_SEARCH_RESULT), U("波特率：4800 地址：3"));
        QCOMPARE(TextOf(w.dialog, IDC_BAUD), U("4800"));
        QCOMPARE(TextOf(w.dialog, IDC_ADDRESS), U("3"));
        QCOMPARE(TextOf(w.dialog, IDC_SEARCH), U("搜索"));
        QVERIFY(Probes(*w.sim) == std::vector<std::string>({"2@1200", "2@4800", "2@9600", "3@1200",
                                                            "3@4800", "3@4800"}));  // confirmed
        QTRY_VERIFY(!w.dialog.SearchWorkerRunning());
        QCOMPARE(PortControls(w.dialog), U("1111111"));
        QVERIFY2(!w.dialog.GetDlgItem(IDC_CALIBRATE)->isEnabled(), "no acquisition has run yet");
    }

    // Stopping shows at once; the port controls wait for the worker to let go of the port. Closing
    // the window during a probe ends the search at once, the port free.
    void stopOrCloseDuringAProbe() {
        WindowOnSim w({"--silent"});
        RecordedMessages messages;
        w.dialog.show();
        Click(w.dialog, IDC_SEARCH);
        QTRY_VERIFY(w.sim->LogLines().size() == 1);
        Click(w.dialog, IDC_SEARCH);
        QCOMPARE(TextOf(w.dialog, IDC_SEARCH), U("搜索"));
        QCOMPARE(TextOf(w.dialog, IDC_SEARCH_RESULT), U("已经停止搜索"));
        QVERIFY(w.dialog.SearchWorkerRunning());
        QCOMPARE(PortControls(w.dialog), U("0000001"));  // 搜索 keeps the focus; a click waits
        QTRY_VERIFY_WITH_TIMEOUT(!w.dialog.SearchWorkerRunning(), 2000);
        QCOMPARE(PortControls(w.dialog), U("1111111"));
        QCOMPARE(TextOf(w.dialog, IDC_SEARCH_RESULT), U("已经停止搜索"));
        QCOMPARE(w.sim->LogLines().size(), size_t(1));
        Click(w.dialog, IDC_SEARCH);
        QTRY_VERIFY(w.sim->LogLines().size() == 2);
        const auto closing = Clock::now();
        w.dialog.reject();
        QVERIFY(MsSince(closing) < 1000);
        QVERIFY(!w.dialog.SearchWorkerRunning());
        QCOMPARE(ProbePortPath(w.sim->ptyPath()).error, OpenError::None);  // the port let go
        QTest::qWait(100);
        QCOMPARE(w.sim->LogLines().size(), size_t(2));
        QVERIFY(messages.texts.isEmpty());
    }

    // Return after a search clicks 搜索 again, as the focus stays there: after a find, after an
    // exhausted search, and after a stop pressed with Return. A click that comes while the last
    // worker winds down starts the new search once it has let go of the port.
    void returnAfterASearchSearchesAgain() {
        const struct {
            const char *name, *to;
            std::vector<std::string> simOptions;
            bool stopWithReturn;
            size_t requests;  // when the second search has begun: a find is confirmed
        } rows[] = {{"found", "3", {"--address", "3"}, false, 3},
                    {"exhausted", "3", {"--silent"}, false, 2},
                    {"stopped", "200", {"--silent"}, true, 2}};
        for (const auto& row : rows) {
            SimOnCom sim(row.simOptions);
            RecordedMessages messages;  // each box closed as it shows, the focus going back
            CSensorDlg dialog;
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            Search(dialog, "3", row.to, {IDC_SCAN_9600}, false);  // clicked with the mouse below
            // To the focus, whether or not the window got its activation back as the box closed.
            const auto returnKey = [&] { QTest::keyClick(dialog.focusWidget(), Qt::Key_Return); };
            QTest::mouseClick(dialog.GetDlgItem(IDC_SEARCH), Qt::LeftButton);
            QTRY_VERIFY(sim.LogLines().size() >= 1);
            if (row.stopWithReturn)
                returnKey();
            else
                QTRY_COMPARE(TextOf(dialog, IDC_SEARCH), U("搜索"));
            returnKey();
            QVERIFY2(dialog.isVisible(), "Return ended the program");
            QTRY_VERIFY2(sim.LogLines().size() >= row.requests, row.name);
            dialog.reject();
        }
    }

    // A sensor at 7@2400 that answers 600 ms late is heard during the 4800 probe: the read that
    // confirms a find gets no answer at 4800, so the search finds nothing rather than 4800.
    void aLateAnswerIsNoFind() {
        WindowOnSim w({"--baud", "2400", "--turnaround-ms", "600"}, "7");
        RecordedMessages messages;
        Search(w.dialog, "7", "7", {IDC_SCAN_2400, IDC_SCAN_4800});
        QTRY_COMPARE_WITH_TIMEOUT(messages.texts, QStringList{kNotFound}, 10000);
        QVERIFY(Probes(*w.sim) == std::vector<std::string>({"7@2400", "7@4800", "7@4800"}));
    }

    void missingPortReportsOnceAndWaitsForStop() {
        RecordedMessages messages;
        CSensorDlg dialog;
        Item<QComboBox>(dialog, IDC_PORT)->setCurrentIndex(4);
        Click(dialog, IDC_SEARCH);
        QTRY_VERIFY(!dialog.SearchWorkerRunning());
        QTest::qWait(50);
        QCOMPARE(messages.texts, QStringList{U("没有发现此串口或此串口被占用")});
        QCOMPARE(TextOf(dialog, IDC_SEARCH), U("停止"));
        QCOMPARE(PortControls(dialog), U("0000001"));
        Click(dialog, IDC_SEARCH);
        QCOMPARE(TextOf(dialog, IDC_SEARCH), U("搜索"));
        QCOMPARE(PortControls(dialog), U("1111111"));
    }

    // COM1 led to a serial device server (RFC 2217): the window searches and acquires through it
    // as through a port of its own machine, the rates changed on the server's line.
    void searchesAndAcquiresThroughASerialDeviceServer() {
        SimProcess sim({"--address", "3", "--baud", "4800", "--current", "1.5"});
        Ser2net server(sim.ptyPath());
        ScopedComPort com(1, server.Rfc2217Url());
        CSensorDlg dialog;
        RecordedMessages messages;
        Search(dialog, "2", "3", {IDC_SCAN_2400, IDC_SCAN_4800});
        QTRY_COMPARE(messages.texts, QStringList{U("通讯参数为 波特率：4800 地址：3")});
        QVERIFY(Probes(sim) ==
                std::vector<std::string>({"2@2400", "2@4800", "3@2400", "3@4800", "3@4800"}));
        QTRY_VERIFY(!dialog.SearchWorkerRunning());
        Acquire(dialog, 3);
        QCOMPARE(TextOf(dialog, IDC_CURRENT), U("1.5"));
        Click(dialog, IDC_ACQUIRE);
        QCOMPARE(TextOf(dialog, IDC_FAIL_COUNT), U("0"));
    }
};

QTEST_MAIN(SearchTest)
#include "window_search_test.moc"
