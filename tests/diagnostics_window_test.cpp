// SPDX-License-Identifier: GPL-3.0-or-later
// The diagnostics through the main window: the context menu opens the tool windows and they close
// with it; the log lists the search's probes and the commands; the trend follows an acquisition
// that loses its sensor and gets it back.
#include <QDir>
#include <QTemporaryDir>

#include "current_trend_dlg.h"
#include "link_state.h"
#include "support/window_support.h"
#include "traffic_log_dlg.h"

namespace {

QString Cell(const CTrafficLogDlg& log, int row, int column) {
    return log.model().data(log.model().index(row, column)).toString();
}

qsizetype OpenDescriptors() {
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size();
}

}  // namespace

class DiagnosticsWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { IsolateComPorts(); }

    void toolWindowsOpenFromTheMenuAndCloseWithTheWindow() {
        CSensorDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (const char* entry : {"通讯记录(&T)...", "电流曲线(&G)..."})
            WithContextMenu(dialog, [entry](QMenu& menu) {
                for (QAction* action : menu.actions())
                    if (action->text() == U(entry))
                        action->trigger();
            });
        auto* log = dialog.findChild<CTrafficLogDlg*>();
        auto* trend = dialog.findChild<CCurrentTrendDlg*>();
        QVERIFY(log && log->isVisible());
        QVERIFY(trend && trend->isVisible());
        dialog.reject();
        QVERIFY(!log->isVisible());
        QVERIFY(!trend->isVisible());
    }

    // A search at 9600 over addresses 0..5 finds the sensor at 2: three probes, in order; then
    // reading the turns is one more row.
    void logListsTheProbesAndTheCommands() {
        WindowOnSim w({}, "2");
        RecordedMessages messages;
        w.dialog.OnTrafficLog();
        auto* log = w.dialog.findChild<CTrafficLogDlg*>();
        for (int id : {IDC_SCAN_1200, IDC_SCAN_2400, IDC_SCAN_4800})
            Item<QAbstractButton>(w.dialog, id)->setChecked(false);
        SetText(w.dialog, IDC_SCAN_TO, "5");
        Click(w.dialog, IDC_SEARCH);
        QTRY_VERIFY_WITH_TIMEOUT(!messages.texts.isEmpty() && !w.dialog.SearchWorkerRunning(),
                                 5000);
        Click(w.dialog, IDC_READ_TURNS);
        QTRY_COMPARE(log->model().rowCount(), 4);
        const char* rows[][3] = {{"0", "00 04 00 00", "无应答"},
                                 {"1", "01 04 00 00", "无应答"},
                                 {"2", "02 04 00 00", "成功"},
                                 {"2", "02 04 00 02", "成功"}};
        for (int row = 0; row < 4; ++row) {
            QCOMPARE(Cell(*log, row, TrafficLogModel::Address), U(rows[row][0]));
            QCOMPARE(Cell(*log, row, TrafficLogModel::Baud), U("9600"));
            QVERIFY(Cell(*log, row, TrafficLogModel::Request).startsWith(U(rows[row][1])));
            QCOMPARE(Cell(*log, row, TrafficLogModel::Cause), U(rows[row][2]));
        }
    }

    // The sensor goes away during acquisition and comes back on the same link: failures and
    // "***" while it is away, readings again after, in the window and in the trend; the port is
    // opened afresh without leaking a descriptor.
    void unplugAndReturn() {
        QTemporaryDir folder;
        const std::string link = folder.filePath(U("com1")).toStdString();
        const std::vector<std::string> options{"--link", link,        "--address",
                                               "0",      "--current", "12.3"};
        auto sim = std::make_unique<SimProcess>(options);
        ScopedComPort com(1, link);
        RecordedMessages messages;
        CSensorDlg dialog;
        dialog.OnCurrentTrend();
        auto* trend = dialog.findChild<CCurrentTrendDlg*>();
        SetText(dialog, IDC_PERIOD, "20");
        const qsizetype descriptors = OpenDescriptors();
        Click(dialog, IDC_ACQUIRE);
        QTRY_VERIFY(Count(dialog, IDC_OK_COUNT) >= 3);
        sim.reset();
        const int okWhenGone = Count(dialog, IDC_OK_COUNT);
        QTRY_VERIFY(Count(dialog, IDC_FAIL_COUNT) >= 5);
        QCOMPARE(TextOf(dialog, IDC_CURRENT), U("***"));
        QCOMPARE(Count(dialog, IDC_OK_COUNT), okWhenGone);
        QCOMPARE(TextOf(dialog, IDC_ACQUIRE), U("停止"));
        sim = std::make_unique<SimProcess>(options);
        QTRY_VERIFY(Count(dialog, IDC_OK_COUNT) >= okWhenGone + 3);
        QCOMPARE(TextOf(dialog, IDC_CURRENT), U("12.3"));
        Click(dialog, IDC_ACQUIRE);
        QCOMPARE(OpenDescriptors(), descriptors);
        QVERIFY(messages.texts.isEmpty());
        const auto stats = [trend] {
            for (auto* label : trend->findChildren<QLabel*>())
                if (label->text().startsWith(U("读数")))
                    return label->text();
            return QString();
        };
        QTRY_COMPARE(stats(), U("读数 %1 次，失败 %2 次，最小 12.3 A，平均 12.30 A，最大 12.3 A")
                                  .arg(Count(dialog, IDC_OK_COUNT))
                                  .arg(Count(dialog, IDC_FAIL_COUNT)));
    }
};

QTEST_MAIN(DiagnosticsWindowTest)
#include "diagnostics_window_test.moc"
