// SPDX-License-Identifier: GPL-3.0-or-later
// The diagnostics through the main window: the context menu opens the tool windows; the log lists
// the probes and commands; the trend follows an acquisition that loses its sensor and gets it back.
#include <sys/resource.h>
#include <QDir>
#include <QTemporaryDir>

#include "current_trend_dlg.h"
#include "quit_signals.h"
#include "support/window_support.h"
#include "traffic_log_dlg.h"

// Right-clicks the window and chooses the menu's entry `index`.
template <class Tool>
static Tool* OpenFromTheMenu(CSensorDlg& dialog, int index) {
    dialog.show();
    WithContextMenu(dialog, [index](QMenu& menu) { menu.actions().at(index)->trigger(); });
    return dialog.findChild<Tool*>();
}

static qsizetype OpenDescriptors() {
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size();
}

class DiagnosticsWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { IsolateComPorts(); }

    // The sensor goes away during acquisition and comes back on the same link: failures while it is
    // away, readings after, in the window and the trend; the port reopened without leaking a
    // descriptor. The trend closes with the window.
    void unplugAndReturn() {
        QTemporaryDir folder;
        const std::string link = folder.filePath(U("com1")).toStdString();
        const std::vector<std::string> options{"--link", link,        "--address",
                                               "0",      "--current", "12.3"};
        auto sim = std::make_unique<SimProcess>(options);
        ScopedComPort com(1, link);
        RecordedMessages messages;
        CSensorDlg dialog;
        auto* trend = OpenFromTheMenu<CCurrentTrendDlg>(dialog, 1);  // 电流曲线(&G)...
        QVERIFY(trend && trend->isVisible());
        const qsizetype descriptors = OpenDescriptors();
        Acquire(dialog, 3);
        sim.reset();
        const int okWhenGone = Count(dialog, IDC_OK_COUNT);
        QTRY_VERIFY(Count(dialog, IDC_FAIL_COUNT) >= 5);
        sim = std::make_unique<SimProcess>(options);
        QTRY_VERIFY(Count(dialog, IDC_OK_COUNT) >= okWhenGone + 3);
        QCOMPARE(TextOf(dialog, IDC_CURRENT), U("12.3"));
        Click(dialog, IDC_ACQUIRE);
        QCOMPARE(OpenDescriptors(), descriptors);
        QVERIFY(messages.texts.isEmpty());
        const TrendStats stats = trend->trend().Stats();
        QCOMPARE(std::pair(stats.readings, stats.failures),
                 std::pair(Count(dialog, IDC_OK_COUNT), Count(dialog, IDC_FAIL_COUNT)));
        // The log, opened only now, tells the outage: the hang-up, each failed reopen with why (the
        // link is gone with the simulator), the line back; readings around them.
        auto* log = OpenFromTheMenu<CTrafficLogDlg>(dialog, 0);
        const auto cause = [log](int row) {
            return log->model().index(row, TrafficLogModel::Cause).data().toString();
        };
        QStringList story;  // the port's events, each run of one told once
        for (int row = 0; row < log->model().rowCount(); ++row)
            if (log->model().index(row, TrafficLogModel::Request).data().toString().isEmpty() &&
                (story.isEmpty() || story.back() != cause(row)))
                story << cause(row);
        QCOMPARE(story, (QStringList{U("线路断开"), U("打开串口失败：设备不存在"), U("线路恢复")}));
        QCOMPARE(cause(0), U("成功"));
        QCOMPARE(cause(log->model().rowCount() - 1), U("成功"));
        dialog.reject();
        QVERIFY(!trend->isVisible());
    }

    // A search at 9600 over 0..5 finds the sensor at 2: three probes in order and the read that
    // confirms the find; reading the turns is one more row. A save over the file size limit then
    // fails with its reason, as on a full disk, and the window goes on (the signal would end it).
    void logListsTheProbesAndTheCommands() {
        WindowOnSim w({}, "2");
        RecordedMessages messages;
        auto* log = OpenFromTheMenu<CTrafficLogDlg>(w.dialog, 0);  // 通讯记录(&T)...
        QVERIFY(log && log->isVisible());
        Search(w.dialog, "0", "5", {IDC_SCAN_9600});
        QTRY_VERIFY(!messages.texts.isEmpty() && !w.dialog.SearchWorkerRunning());
        Click(w.dialog, IDC_READ_TURNS);
        QTRY_COMPARE(log->model().rowCount(), 5);
        QStringList heads;  // address, function, register; each column is the log test's
        for (int row = 0; row < 5; ++row)
            heads << log->model().index(row, TrafficLogModel::Request).data().toString().left(11);
        QCOMPARE(heads, (QStringList{U("00 04 00 00"), U("01 04 00 00"), U("02 04 00 00"),
                                     U("02 04 00 00"), U("02 04 00 02")}));
        CloseWindowsOnQuitSignals();
        messages.texts.clear();
        QTemporaryDir folder;
        rlimit was{};
        getrlimit(RLIMIT_FSIZE, &was);
        const rlimit small{.rlim_cur = 10, .rlim_max = was.rlim_max};  // the header is longer
        setrlimit(RLIMIT_FSIZE, &small);
        const QByteArray saved = SaveThroughDialog(*log, folder.filePath(U("log.csv")));
        setrlimit(RLIMIT_FSIZE, &was);
        QCOMPARE(messages.texts.size(), 1);
        QCOMPARE(saved, QByteArray());
        QVERIFY2(messages.texts.front().contains(U("File too large")),
                 qPrintable(messages.texts.front()));
    }
};

QTEST_MAIN(DiagnosticsWindowTest)
#include "diagnostics_window_test.moc"
