// SPDX-License-Identifier: GPL-3.0-or-later
// The six configuration buttons through the window: which boxes they read, which texts they show,
// what they change in the window. The operations' own results are tested without the window.
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>

#include "link_state.h"
#include "support/sim_process.h"
#include "support/window_support.h"

namespace {

// Requests the simulator logged, as hex without their check.
QStringList Requests(const SimProcess& sim) {
    QStringList requests;
    for (const std::string& line : sim.LogLines())
        requests << QString::fromStdString(LoggedRequest(line)).left(12);
    return requests;
}

// A window talking to COM1 where the simulator sits at address 1.
struct Bench {
    SimProcess sim;
    ScopedComPort com;
    CSensorDlg dialog;
    explicit Bench(std::vector<std::string> options)
        : sim((options.insert(options.end(), {"--address", "1"}), options)), com(1, sim.ptyPath()) {
        SetText(dialog, IDC_ADDRESS, "1");
        Item<QComboBox>(dialog, IDC_NEW_BAUD)->setCurrentIndex(3);  // 9600: the sensor stays put
    }
};

}  // namespace

class CommandsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { IsolateComPorts(); }

    void commandTexts_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("box");  // a box to type into first, or 0
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("request");  // what reaches the line, "" for nothing
        const auto row = [](const char* name, const char* fault, int button, int box,
                            const char* typed, const char* message, const char* request) {
            QTest::newRow(name) << U(fault) << button << box << U(typed) << U(message)
                                << U(request);
        };
        row("set turns 10", "", IDC_SET_TURNS, IDC_TURNS, "10", "设置原边线圈匝数范围成功!!!",
            "01060002000a");
        row("set turns 1", "", IDC_SET_TURNS, IDC_TURNS, "1", "设置原边线圈匝数范围成功!!!",
            "010600020001");
        row("zero", "", IDC_ZERO, 0, "", "调零成功!!!", "010600080000");
        row("calibrate", "", IDC_CALIBRATE, 0, "", "较机成功!!!", "0106000a3c96");
        row("set baud", "", IDC_SET_BAUD, 0, "", "设置波特率成功!!!", "010600062580");
        row("set address 255", "--echo-writes", IDC_SET_ADDRESS, IDC_NEW_ADDRESS, "255",
            "设置地址失败!!!",
            "010600040"
            "0ff");
        // A standard Modbus device echoes writes in 8 bytes: every write fails.
        row("echo: baud", "--echo-writes", IDC_SET_BAUD, 0, "", "读数据失败!!!", "010600062580");
        row("echo: turns", "--echo-writes", IDC_SET_TURNS, IDC_TURNS, "5", "读数据失败!!!",
            "010600020005");
        row("echo: zero", "--echo-writes", IDC_ZERO, 0, "", "调零失败！", "010600080000");
        row("echo: calibrate", "--echo-writes", IDC_CALIBRATE, 0, "", "较机失败！", "0106000a3c96");
        row("bad-crc: read turns", "--bad-crc", IDC_READ_TURNS, 0, "", "读数据失败!!!",
            "010400020001");
        // Out of range, or no number at all: refused before anything is sent.
        for (const char* typed : {"256", "-1", "", "abc", "２５５"})
            row(qPrintable(QStringLiteral("new address '%1'").arg(U(typed))), "", IDC_SET_ADDRESS,
                IDC_NEW_ADDRESS, typed, "地址范围为0~255,请正确输入!!!", "");
        for (const char* typed : {"0", "11", "", "abc"})
            row(qPrintable(QStringLiteral("turns '%1'").arg(U(typed))), "", IDC_SET_TURNS,
                IDC_TURNS, typed, "原边线圈匝数范围为1~10", "");
        // A device address the window cannot send is refused where the exchange would be.
        const std::pair<int, const char*> commands[] = {{IDC_ZERO, "zero"},
                                                        {IDC_CALIBRATE, "calibrate"},
                                                        {IDC_SET_BAUD, "set baud"},
                                                        {IDC_READ_TURNS, "read turns"}};
        for (auto [button, name] : commands)
            for (const char* typed : {"300", "", "abc", "-1"})
                row(qPrintable(QStringLiteral("%1 at device '%2'").arg(U(name), U(typed))), "",
                    button, IDC_ADDRESS, typed, "地址范围为0~255,请正确输入!!!", "");
    }

    void commandTexts() {
        QFETCH(QString, fault);
        QFETCH(int, button);
        QFETCH(int, box);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, request);
        Bench b(fault.isEmpty() ? std::vector<std::string>{}
                                : std::vector<std::string>{fault.toStdString()});
        SetText(b.dialog, IDC_TURNS, "5");
        if (box)
            Item<QLineEdit>(b.dialog, box)->setText(typed);
        RecordedMessages messages;
        b.dialog.GetDlgItem(button)->setEnabled(true);  // calibrate waits for an acquisition
        Click(b.dialog, button);
        QCOMPARE(messages.texts, QStringList{message});
        QCOMPARE(Requests(b.sim), request.isEmpty() ? QStringList{} : QStringList{request});
        QVERIFY2(!b.dialog.link().port, "the port is closed after the message");
    }

    void successChangesTheBoxes() {
        Bench b({"--turns", "515"});  // 0x0203
        RecordedMessages messages;
        Click(b.dialog, IDC_READ_TURNS);
        QCOMPARE(TextOf(b.dialog, IDC_TURNS), U("3"));  // the low byte of 0x0203, no message
        Item<QComboBox>(b.dialog, IDC_NEW_BAUD)->setCurrentIndex(4);
        Click(b.dialog, IDC_SET_BAUD);
        QCOMPARE(Item<QComboBox>(b.dialog, IDC_BAUD)->currentText(), U("19200"));
        SetText(b.dialog, IDC_NEW_ADDRESS, "012");
        Click(b.dialog, IDC_SET_ADDRESS);
        QCOMPARE(TextOf(b.dialog, IDC_ADDRESS), U("012"));  // as typed
        // The sensor now lives at 12 and 19200: the next command reaches it there.
        Click(b.dialog, IDC_READ_TURNS);
        QVERIFY(Requests(b.sim).last().startsWith(U("0c0400020001")));
        QCOMPARE(LoggedBaud(b.sim.LogLines().back()), 19200);
        QCOMPARE(messages.texts, QStringList({U("设置波特率成功!!!"), U("设置地址成功!!!")}));
    }

    void silentSensorFailsAfterTheLongWait() {
        Bench b({"--silent"});
        SetText(b.dialog, IDC_TURNS, "7");
        RecordedMessages messages;
        QElapsedTimer clock;
        clock.start();
        Click(b.dialog, IDC_READ_TURNS);
        QVERIFY(clock.elapsed() >= 4000);
        QCOMPARE(messages.texts, QStringList{U("读数据失败!!!")});
        QCOMPARE(TextOf(b.dialog, IDC_TURNS), U("7"));
    }

    // An absent port beats every bad value.
    void absentPortGivesTheOpenMessage() {
        RecordedMessages messages;
        CSensorDlg dialog;
        Item<QComboBox>(dialog, IDC_PORT)->setCurrentIndex(9);
        SetText(dialog, IDC_NEW_ADDRESS, "256");
        SetText(dialog, IDC_TURNS, "0");
        SetText(dialog, IDC_ADDRESS, "abc");
        for (int id : {IDC_SET_ADDRESS, IDC_SET_BAUD, IDC_SET_TURNS, IDC_READ_TURNS, IDC_ZERO,
                       IDC_CALIBRATE}) {
            dialog.GetDlgItem(id)->setEnabled(true);
            Click(dialog, id);
        }
        QCOMPARE(messages.texts, QStringList(6, U("打开串口失败，此串口不存在或被占用")));
    }

    void calibrateNeedsAnAcquisitionFirst() {
        Bench b({});
        auto* calibrate = Item<QPushButton>(b.dialog, IDC_CALIBRATE);
        QVERIFY(!calibrate->isEnabled());
        Item<QPushButton>(b.dialog, IDC_ACQUIRE)->click();
        QVERIFY(!calibrate->isEnabled());
        Item<QPushButton>(b.dialog, IDC_ACQUIRE)->click();
        QVERIFY(calibrate->isEnabled());
    }
};

QTEST_MAIN(CommandsTest)
#include "window_commands_test.moc"
