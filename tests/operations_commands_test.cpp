// The six configuration commands through the window against the simulated sensor.
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>

#include "link_state.h"
#include "support/sim_process.h"
#include "support/window_support.h"

namespace {

// Clicks and returns the message boxes the click produced. Calibrate starts disabled until an
// acquisition has run (tested below), so the button is enabled first.
QStringList Command(CSensorDlg& d, int id) {
    RecordedMessages messages;
    d.GetDlgItem(id)->setEnabled(true);
    Click(d, id);
    return messages.texts;
}

// Requests the simulator logged, as hex.
QStringList Requests(const SimProcess& sim) {
    QStringList requests;
    for (const std::string& line : sim.LogLines())
        requests << QString::fromStdString(LoggedRequest(line));
    return requests;
}

// A window talking to COM1 where the simulator sits, at address 1.
struct Bench {
    SimProcess sim;
    ScopedComPort com;
    CSensorDlg dialog;
    explicit Bench(std::vector<std::string> options)
        : sim((options.insert(options.end(), {"--address", "1"}), options)), com(1, sim.ptyPath()) {
        SetText(dialog, IDC_ADDRESS, "1");
    }
};

QStringList One(const char* text) {
    return {U(text)};
}

}  // namespace

class CommandsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { IsolateComPorts(); }

    void eachCommandReportsSuccess() {
        Bench b({"--turns", "0x0203"});
        SetText(b.dialog, IDC_TURNS, "");
        QCOMPARE(Command(b.dialog, IDC_READ_TURNS), QStringList{});
        QCOMPARE(TextOf(b.dialog, IDC_TURNS), U("3"));  // the low byte of 0x0203
        SetText(b.dialog, IDC_TURNS, "10");
        QCOMPARE(Command(b.dialog, IDC_SET_TURNS), One("设置原边线圈匝数范围成功!!!"));
        QCOMPARE(Requests(b.sim).last().left(12), U("01060002000a"));
        QCOMPARE(Command(b.dialog, IDC_ZERO), One("调零成功!!!"));
        QCOMPARE(Command(b.dialog, IDC_CALIBRATE), One("较机成功!!!"));
        QCOMPARE(Requests(b.sim).last().left(12), U("0106000a3c96"));
        Item<QComboBox>(b.dialog, IDC_NEW_BAUD)->setCurrentIndex(4);
        QCOMPARE(Command(b.dialog, IDC_SET_BAUD), One("设置波特率成功!!!"));
        QCOMPARE(Item<QComboBox>(b.dialog, IDC_BAUD)->currentText(), U("19200"));
        QCOMPARE(Requests(b.sim).last().left(12), U("010600064b00"));
        SetText(b.dialog, IDC_NEW_ADDRESS, "012");
        QCOMPARE(Command(b.dialog, IDC_SET_ADDRESS), One("设置地址成功!!!"));
        QCOMPARE(TextOf(b.dialog, IDC_ADDRESS), U("012"));  // as typed
        // The sensor now lives at 12 and 19200: the next command reaches it there.
        QCOMPARE(Command(b.dialog, IDC_READ_TURNS), QStringList{});
        QVERIFY(Requests(b.sim).last().startsWith(U("0c0400020001")));
        QCOMPARE(LoggedBaud(b.sim.LogLines().back()), 19200);
        QVERIFY(!g_link.port);
    }

    // A standard Modbus device echoes writes in 8 bytes: every write is reported as failed.
    void writesFailOnAnEchoingDevice() {
        Bench b({"--echo-writes"});
        // The device applies the writes it echoes: keep it where it is.
        SetText(b.dialog, IDC_NEW_ADDRESS, "1");
        Item<QComboBox>(b.dialog, IDC_NEW_BAUD)->setCurrentIndex(3);
        SetText(b.dialog, IDC_TURNS, "5");
        QCOMPARE(Command(b.dialog, IDC_SET_ADDRESS), One("设置地址失败!!!"));
        QCOMPARE(TextOf(b.dialog, IDC_ADDRESS), U("1"));
        QCOMPARE(Command(b.dialog, IDC_SET_BAUD), One("读数据失败!!!"));
        QCOMPARE(Item<QComboBox>(b.dialog, IDC_BAUD)->currentText(), U("9600"));
        QCOMPARE(Command(b.dialog, IDC_SET_TURNS), One("读数据失败!!!"));
        QCOMPARE(Command(b.dialog, IDC_ZERO), One("调零失败！"));
        QCOMPARE(Command(b.dialog, IDC_CALIBRATE), One("较机失败！"));
        QCOMPARE(b.sim.Answered(), 5);
        QVERIFY(!g_link.port);
    }

    void silentSensorFailsAfterTheLongWait() {
        Bench b({"--silent"});
        SetText(b.dialog, IDC_TURNS, "7");
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(Command(b.dialog, IDC_READ_TURNS), One("读数据失败!!!"));
        QVERIFY(clock.elapsed() >= 4000);
        QCOMPARE(TextOf(b.dialog, IDC_TURNS), U("7"));
    }

    void rangesAreCheckedBeforeAnyExchange() {
        Bench b({});
        for (const char* address : {"256", "-1", "99999999999"}) {
            SetText(b.dialog, IDC_NEW_ADDRESS, address);
            QCOMPARE(Command(b.dialog, IDC_SET_ADDRESS), One("地址范围为0~255,请正确输入!!!"));
        }
        for (const char* turns : {"0", "11", "", "abc", "-3"}) {
            SetText(b.dialog, IDC_TURNS, turns);
            QCOMPARE(Command(b.dialog, IDC_SET_TURNS), One("原边线圈匝数范围为1~10"));
        }
        QVERIFY(b.sim.LogLines().empty());
        QVERIFY(!g_link.port);
        PortHandle again = OpenComPort(1, 9600);
        QVERIFY2(again, "every refused command closed the port again");
        ClosePort(again);
    }

    void absentPortGivesTheOpenMessage() {
        RecordedMessages messages;
        CSensorDlg dialog;
        Item<QComboBox>(dialog, IDC_PORT)->setCurrentIndex(9);
        for (int id : {IDC_SET_ADDRESS, IDC_SET_BAUD, IDC_SET_TURNS, IDC_READ_TURNS, IDC_ZERO,
                       IDC_CALIBRATE})
            QCOMPARE(Command(dialog, id), One("打开串口失败，此串口不存在或被占用"));
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
#include "operations_commands_test.moc"
