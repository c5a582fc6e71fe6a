// SPDX-License-Identifier: GPL-3.0-or-later
// The six configuration buttons through the window: which boxes they read, which message they
// show for each outcome, what reaches the line, what they change in the window. The ranges at
// their edges are the operations' own tests.
#include "link_state.h"
#include "support/window_support.h"

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
        const auto row = [](const char* fault, int button, int box, const char* typed,
                            const char* message, const char* request) {
            QTest::addRow("%s %d %s '%s'", fault, button, request, typed)
                << U(fault) << button << box << U(typed) << U(message) << U(request);
        };
        row("", IDC_SET_TURNS, IDC_TURNS, "10", "设置原边线圈匝数范围成功!!!", "01060002000a");
        row("", IDC_ZERO, 0, "", "调零成功!!!", "010600080000");
        row("", IDC_CALIBRATE, 0, "", "较机成功!!!", "0106000a3c96");
        // A standard Modbus device echoes writes in 8 bytes: every write fails.
        row("--echo-writes", IDC_SET_ADDRESS, IDC_NEW_ADDRESS, "255", "设置地址失败!!!",
            "0106000400ff");
        row("--echo-writes", IDC_SET_BAUD, 0, "", "读数据失败!!!", "010600062580");
        row("--echo-writes", IDC_ZERO, 0, "", "调零失败！", "010600080000");
        row("--echo-writes", IDC_CALIBRATE, 0, "", "较机失败！", "0106000a3c96");
        row("--silent", IDC_READ_TURNS, 0, "", "读数据失败!!!", "010400020001");
        // Out of range, or no number at all: refused before anything is sent.
        row("", IDC_SET_ADDRESS, IDC_NEW_ADDRESS, "256", "地址范围为0~255,请正确输入!!!", "");
        row("", IDC_SET_TURNS, IDC_TURNS, "abc", "原边线圈匝数范围为1~10", "");
        // A device address the window cannot send is refused where the exchange would be.
        row("", IDC_READ_TURNS, IDC_ADDRESS, "abc", "地址范围为0~255,请正确输入!!!", "");
    }
    void commandTexts() {
        QFETCH(QString, fault);
        QFETCH(int, button);
        QFETCH(int, box);
        QFETCH(QString, typed);
        QFETCH(QString, request);
        WindowOnSim w(fault.isEmpty() ? std::vector<std::string>{}
                                      : std::vector<std::string>{fault.toStdString()});
        Item<QComboBox>(w.dialog, IDC_NEW_BAUD)->setCurrentIndex(3);  // 9600: the sensor stays
        if (box)
            SetText(w.dialog, box, typed);
        RecordedMessages messages;
        w.dialog.GetDlgItem(button)->setEnabled(true);  // calibrate waits for an acquisition
        Click(w.dialog, button);
        QTEST(messages.texts.value(0), "message");
        QCOMPARE(messages.texts.size(), 1);
        QStringList requests;
        for (const std::string& line : w.sim->LogLines())
            requests << QString::fromStdString(LoggedRequest(line).substr(0, 12));
        QCOMPARE(requests, request.isEmpty() ? QStringList{} : QStringList{request});
        QVERIFY2(!w.dialog.link().port, "the port is closed after the message");
    }

    void successChangesTheBoxes() {
        WindowOnSim w({"--turns", "515"});  // 0x0203
        RecordedMessages messages;
        Click(w.dialog, IDC_READ_TURNS);
        QCOMPARE(TextOf(w.dialog, IDC_TURNS), U("3"));  // the low byte of 0x0203, no message
        Item<QComboBox>(w.dialog, IDC_NEW_BAUD)->setCurrentIndex(4);
        Click(w.dialog, IDC_SET_BAUD);
        QCOMPARE(TextOf(w.dialog, IDC_BAUD), U("19200"));
        SetText(w.dialog, IDC_NEW_ADDRESS, "012");
        Click(w.dialog, IDC_SET_ADDRESS);
        QCOMPARE(TextOf(w.dialog, IDC_ADDRESS), U("012"));  // as typed
        // The sensor now lives at 12 and 19200: the next command reaches it there.
        Click(w.dialog, IDC_READ_TURNS);
        QVERIFY(Probes(*w.sim).back() == "12@19200");
        QCOMPARE(messages.texts, QStringList({U("设置波特率成功!!!"), U("设置地址成功!!!")}));
    }
};

QTEST_MAIN(CommandsTest)
#include "window_commands_test.moc"
