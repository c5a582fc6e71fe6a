// SPDX-License-Identifier: GPL-3.0-or-later
// The traffic log: the search worker's exchanges, through an echoing adapter to the simulated
// sensor, arriving without waiting for the window, in every column; causes and port events in
// words; pause, clear, save; the cap; recording while closed.
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <future>

#include "link_state.h"
#include "registers.h"
#include "sensor_line.h"
#include "support/window_support.h"
#include "traffic_log_dlg.h"

namespace {

QString Cell(const CTrafficLogDlg& log, int row, int column) {
    return log.model().data(log.model().index(row, column)).toString();
}

// An exchange on a line with no port: no reply, at once. Good for volume.
void ExchangeWithNobody(ExchangeWatch& watch, int reg) {
    LinkState nowhere(&watch);
    TransactOn(nowhere, 1, FUNCTION_READ, reg, 1, REPLY_LENGTH, 0);
}

}  // namespace

class TrafficLogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { IsolateComPorts(); }

    // A Modbus exception reply is named by its code and, where the protocol assigns one, the
    // code's name (Modbus Application Protocol 1.1b3, 7); a short reply by its length; an event of
    // the port by what became of it, an open that failed with why.
    void causesInWords() {
        using C = ExchangeCause;
        using E = PortEvent;
        using O = OpenError;
        struct Row {  // the record's fields that tell its cause
            std::vector<uint8_t> reply = {};
            C cause = C::NoReply;
            E event = E::None;
            O openError = O::None;
            std::string detail = {};
        };
        const std::pair<Row, const char*> rows[] = {
            {{.reply = {0x01, 0x84, 0x02, 0xC2, 0xC1}, .cause = C::Exception},
             "异常应答 02：非法数据地址"},
            {{.reply = {0x01, 0x86, 0x0B, 0, 0}, .cause = C::Exception},
             "异常应答 0B：网关目标设备无响应"},
            {{.reply = {0x01, 0x84, 0x07, 0, 0}, .cause = C::Exception}, "异常应答 07"},
            {{.reply = {0x01, 0x04, 0x02, 0x00}, .cause = C::Short}, "应答不完整（4 字节）"},
            {{.event = E::HungUp}, "线路断开"},
            {{.event = E::Back}, "线路恢复"},
            {{.event = E::OpenFailed, .openError = O::NoDevice}, "打开串口失败：设备不存在"},
            {{.event = E::OpenFailed, .openError = O::Busy, .detail = "minicom 4242"},
             "打开串口失败：串口被占用（minicom 4242）"},
            {{.event = E::OpenFailed, .openError = O::Busy}, "打开串口失败：串口被占用"},
            {{.event = E::OpenFailed, .openError = O::NoPermission, .detail = "dialout"},
             "打开串口失败：没有权限（请加入 dialout 组后重新登录）"},
            {{.event = E::OpenFailed, .openError = O::NotSerial}, "打开串口失败：不是串口设备"},
            {{.event = E::OpenFailed, .openError = O::Other, .detail = "I/O error"},
             "打开串口失败：系统错误：I/O error"},
        };
        for (const auto& [row, text] : rows) {
            ExchangeRecord record;
            std::tie(record.reply, record.cause, record.event, record.openError, record.detail) =
                std::tie(row.reply, row.cause, row.event, row.openError, row.detail);
            QCOMPARE(CauseText(record), U(text));
        }
    }

    // The worker reports and goes on while the window's thread is busy; its exchanges, through an
    // echoing adapter, arrive once that thread is free (their order: the window test's search).
    // Then pause, save, clear; the newest 10000 rows stay, and the rows in view if scrolled up;
    // what comes while the log is closed is there when it opens again, at the end in view.
    void workerPauseSaveClearAndTheCap() {
        SimOnCom sim({"--address", "1", "--current", "12.3", "--echo"});
        ExchangeWatch watch;
        TrafficLog recording(watch);
        CTrafficLogDlg log(recording);
        log.show();
        constexpr int kProbes = 8;
        auto worker = std::async(std::launch::async, [&] {
            LinkState link(&watch);
            SensorLine line(link, LineSettings{});
            for (int count = 1; count <= kProbes; ++count)
                TransactRowOn(link, SEARCH_PROBE, 1, count);
        });
        QVERIFY(worker.wait_for(std::chrono::seconds(10)) == std::future_status::ready);
        QTRY_COMPARE(log.model().rowCount(), kProbes);
        QStringList cells;  // the first in every column
        for (int column = TrafficLogModel::Time; column < TrafficLogModel::ColumnCount; ++column)
            cells << Cell(log, 0, column);
        QVERIFY(QRegularExpression(U("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3}$"))
                    .match(cells.takeFirst())
                    .hasMatch());
        const QString request = U("01 04 00 00 00 01 31 CA");
        QCOMPARE(cells,
                 (QStringList{U("COM1 (%1)").arg(QString::fromStdString(sim.ptyPath())), U("9600"),
                              U("1"), request, request, U("01 04 02 00 7B F9 13"), U("成功")}));

        Button(log, "清除")->click();
        ExchangeWithNobody(watch, 1);
        Button(log, "暂停")->click();
        QVERIFY(Button(log, "继续"));
        ExchangeWithNobody(watch, 2);  // not in the saved file below
        Button(log, "继续")->click();
        ExchangeWithNobody(watch, 3);
        QTRY_COMPARE(log.model().rowCount(), 2);

        // Requests to registers 1 and 3, each with its check worked by hand.
        const QString time = U("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}");
        QTemporaryDir folder;
        const QString csv =
            QString::fromUtf8(SaveThroughDialog(log, folder.filePath(U("记录.csv"))));
        QVERIFY2(QRegularExpression(U("^时间,串口,波特率,地址,请求,回显,应答,结果\n") + time +
                                    U(",,0,1,01 04 00 01 00 01 60 0A,,,无应答\n") + time +
                                    U(",,0,1,01 04 00 03 00 01 C1 CA,,,无应答\n$"))
                     .match(csv)
                     .hasMatch(),
                 qPrintable(csv));
        Button(log, "清除")->click();
        QCOMPARE(log.model().rowCount(), 0);
        QVERIFY(log.findChild<QLabel*>()->text().contains(u'0'));

        for (int reg = 0; reg < 10000; ++reg)
            ExchangeWithNobody(watch, reg);
        QTRY_COMPARE(log.model().rowCount(), 10000);
        auto* view = log.findChild<QTableView*>();
        QScrollBar* bar = view->verticalScrollBar();
        QCOMPARE(bar->value(), bar->maximum());  // following the end
        bar->setValue(100);
        const QString inView = Cell(log, view->rowAt(0), TrafficLogModel::Request);
        for (int reg = 10000; reg < 10050; ++reg)
            ExchangeWithNobody(watch, reg);
        QTRY_VERIFY(Cell(log, 9999, TrafficLogModel::Request).startsWith(U("01 04 27 41")));
        QCOMPARE(log.model().rowCount(), 10000);
        QVERIFY(Cell(log, 0, TrafficLogModel::Request).startsWith(U("01 04 00 32")));  // 50
        QCOMPARE(Cell(log, view->rowAt(0), TrafficLogModel::Request), inView);

        log.close();
        ExchangeWithNobody(watch, 3);
        log.show();
        QVERIFY(Cell(log, 9999, TrafficLogModel::Request).startsWith(U("01 04 00 03")));
        QTRY_COMPARE(bar->value(), bar->maximum());
    }
};

QTEST_MAIN(TrafficLogTest)
#include "diagnostics_traffic_log_test.moc"
