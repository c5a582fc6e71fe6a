// SPDX-License-Identifier: GPL-3.0-or-later
// The traffic log against the simulated sensor: each way an exchange can end, shown in words;
// the search worker's exchanges arriving without waiting for the window; pause, clear, save;
// a save that fails part-way; the cap; nothing recorded while closed. Request frames are the
// published Modbus ones.
#include <sys/resource.h>

#include <QLabel>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstring>
#include <future>

#include "csv_file.h"
#include "diagnostics_support.h"
#include "link_state.h"
#include "registers.h"
#include "sensor_line.h"
#include "support/sim_process.h"
#include "traffic_log_dlg.h"

namespace {

QString Cell(const CTrafficLogDlg& log, int row, int column) {
    const TrafficLogModel& model = log.model();
    return model.data(model.index(row, column)).toString();
}

// An exchange on a line with no port: no reply, at once. Good for volume.
void ExchangeWithNobody(ExchangeWatch& watch, int reg) {
    LinkState nowhere(&watch);
    TransactOn(nowhere, 1, FUNCTION_READ, reg, 1, REPLY_LENGTH, 0);
}

// The probe's short budget, for a read or a write.
RegisterRow Quick(int function, int reg, int value) {
    return RegisterRow{function, reg, value, SHORT_WAIT_MS};
}

}  // namespace

class TrafficLogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { IsolateComPorts(); }

    void eachCauseInWords_data() {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<int>("function");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("replyBytes");
        QTest::newRow("answer") << QStringList{} << FUNCTION_READ << U("成功") << 7;
        QTest::newRow("silent") << QStringList{U("--silent")} << FUNCTION_READ << U("无应答") << 0;
        QTest::newRow("other address") << QStringList{U("--other-address")} << FUNCTION_READ
                                       << U("成功（地址或功能码不符）") << 7;
        QTest::newRow("bad check")
            << QStringList{U("--bad-crc")} << FUNCTION_READ << U("校验错误") << 7;
        QTest::newRow("extra byte")
            << QStringList{U("--extra-byte")} << FUNCTION_READ << U("应答过长") << 7;
        // A Modbus exception reply: address, function | 0x80, code, two check bytes.
        QTest::newRow("exception")
            << QStringList{U("--exception")} << FUNCTION_READ << U("应答不完整（5 字节）") << 5;
        // The standard Modbus echo of a write is the request itself, as an echoing adapter's is.
        QTest::newRow("echoed write")
            << QStringList{U("--echo-writes")} << FUNCTION_WRITE << U("回显后无应答") << 0;
        QTest::newRow("echoing adapter")
            << QStringList{U("--echo"), U("--wire-timing")} << FUNCTION_READ << U("成功") << 7;
    }
    void eachCauseInWords() {
        QFETCH(QStringList, faults);
        QFETCH(int, function);
        std::vector<std::string> options{"--address", "1"};
        for (const QString& fault : faults)
            options.push_back(fault.toStdString());
        SimProcess sim(options);
        ScopedComPort com(1, sim.ptyPath());
        ExchangeWatch watch;
        CTrafficLogDlg log(watch);
        log.show();
        LinkState link(&watch);
        SensorLine line(link, LineSettings{});
        QVERIFY(line.open());
        const int reg = function == FUNCTION_READ ? REGISTER_MEASUREMENT : REGISTER_TURNS;
        TransactRowOn(link, Quick(function, reg, 1), 1, 1);
        QTRY_COMPARE(log.model().rowCount(), 1);

        QVERIFY(QRegularExpression(U("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3}$"))
                    .match(Cell(log, 0, TrafficLogModel::Time))
                    .hasMatch());
        QCOMPARE(Cell(log, 0, TrafficLogModel::Port),
                 U("COM1 (") + QString::fromStdString(sim.ptyPath()) + U(")"));
        QCOMPARE(Cell(log, 0, TrafficLogModel::Baud), U("9600"));
        QCOMPARE(Cell(log, 0, TrafficLogModel::Address), U("1"));
        QCOMPARE(Cell(log, 0, TrafficLogModel::Request), function == FUNCTION_READ
                                                             ? U("01 04 00 00 00 01 31 CA")
                                                             : U("01 06 00 02 00 01 E9 CA"));
        QFETCH(int, replyBytes);
        QCOMPARE(Cell(log, 0, TrafficLogModel::Reply).split(u' ', Qt::SkipEmptyParts).size(),
                 replyBytes);
        QTEST(Cell(log, 0, TrafficLogModel::Cause), "result");
        QCOMPARE(Cell(log, 0, TrafficLogModel::Echo), faults.join(u' ').startsWith(U("--echo"))
                                                          ? Cell(log, 0, TrafficLogModel::Request)
                                                          : QString());
    }

    // The worker reports and goes on while the window's thread is busy; its exchanges arrive in
    // the order they were made once the window's thread is free.
    void workerNeverWaitsForTheLog() {
        SimProcess sim({"--address", "1"});
        ScopedComPort com(1, sim.ptyPath());
        ExchangeWatch watch;
        CTrafficLogDlg log(watch);
        log.show();
        constexpr int kProbes = 8;
        auto worker = std::async(std::launch::async, [&] {
            LinkState link(&watch);
            SensorLine line(link, LineSettings{});
            for (int count = 1; count <= kProbes; ++count)
                TransactRowOn(link, Quick(FUNCTION_READ, REGISTER_MEASUREMENT, count), 1, count);
        });
        const bool doneWhileBusy =
            worker.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        QTRY_VERIFY(worker.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QVERIFY(doneWhileBusy);
        QTRY_COMPARE(log.model().rowCount(), kProbes);
        for (int row = 0; row < kProbes; ++row)
            QVERIFY(Cell(log, row, TrafficLogModel::Request)
                        .startsWith(U("01 04 00 00 00 0%1").arg(row + 1)));
    }

    void pauseClearAndSave() {
        SimProcess sim({"--address", "1"});
        ScopedComPort com(1, sim.ptyPath());
        ExchangeWatch watch;
        CTrafficLogDlg log(watch);
        log.show();
        LinkState link(&watch);
        SensorLine line(link, LineSettings{});
        auto read = [&] { TransactRowOn(link, Quick(FUNCTION_READ, 0, 1), 1, 1); };
        read();
        Button(log, "暂停")->click();
        QVERIFY(Button(log, "继续"));
        read();
        QTest::qWait(200);
        QCOMPARE(log.model().rowCount(), 1);
        Button(log, "继续")->click();
        read();
        QTRY_COMPARE(log.model().rowCount(), 2);

        QTemporaryDir folder;
        const QStringList lines =
            QString::fromUtf8(SaveThroughDialog(log, folder.filePath(U("记录.csv")))).split(u'\n');
        QCOMPARE(lines.size(), 4);  // header, two rows, and the last line's end
        QCOMPARE(lines[0], U("时间,串口,波特率,地址,请求,回显,应答,结果"));
        for (int row = 1; row <= 2; ++row) {
            const QStringList fields = lines[row].split(u',');
            QCOMPARE(fields.size(), 8);
            QVERIFY(QRegularExpression(U("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}$"))
                        .match(fields[0])
                        .hasMatch());
            QCOMPARE(fields.mid(1, 4),
                     (QStringList{U("COM1 (%1)").arg(QString::fromStdString(sim.ptyPath())),
                                  U("9600"), U("1"), U("01 04 00 00 00 01 31 CA")}));
            QCOMPARE(fields[7], U("成功"));
        }
        QVERIFY(lines[3].isEmpty());

        Button(log, "清除")->click();
        QCOMPARE(log.model().rowCount(), 0);
        QVERIFY(log.findChild<QLabel*>()->text().contains(u'0'));
    }

    // Ten thousand rows stay, the newest; an operator scrolled up keeps the rows in view.
    // A disk that fills during the write: the operator is told why, not "Unknown error". A limit
    // on the file's size stops a write part-way as a full disk does.
    void aSaveThatFailsPartWayNamesTheCause() {
        QTemporaryDir folder;
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limited = previous;
        limited.rlim_cur = 4096;
        const auto handler = signal(SIGXFSZ, SIG_IGN);  // the write fails instead
        setrlimit(RLIMIT_FSIZE, &limited);
        const QString failure = SaveCsvFile(folder.filePath(U("记录.csv")), QByteArray(65536, 'x'));
        setrlimit(RLIMIT_FSIZE, &previous);
        signal(SIGXFSZ, handler);
        QCOMPARE(failure, U("保存文件失败：") + QString::fromLocal8Bit(strerror(EFBIG)));
    }

    void keepsTheLastTenThousand() {
        ExchangeWatch watch;
        CTrafficLogDlg log(watch);
        log.show();
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
    }

    void nothingRecordedWhileClosed() {
        ExchangeWatch watch;
        CTrafficLogDlg log(watch);
        ExchangeWithNobody(watch, 1);
        log.show();
        ExchangeWithNobody(watch, 2);
        QTRY_COMPARE(log.model().rowCount(), 1);
        log.close();
        ExchangeWithNobody(watch, 3);
        log.show();
        QTest::qWait(200);
        QCOMPARE(log.model().rowCount(), 1);
        QVERIFY(Cell(log, 0, TrafficLogModel::Request).startsWith(U("01 04 00 02")));
    }
};

QTEST_MAIN(TrafficLogTest)
#include "diagnostics_traffic_log_test.moc"
