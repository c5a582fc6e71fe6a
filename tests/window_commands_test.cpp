// SPDX-License-Identifier: GPL-3.0-or-later
// The six configuration buttons through the window: the boxes they read, the message of each
// outcome, what reaches the line, what they change. The ranges' edges are the operations' tests.
#include "link_state.h"
#include "support/window_support.h"

class CommandsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { IsolateComPorts(); }

    void commandTexts() {
        const struct {
            const char* fault;
            int button, box;                        // box: one to type into first, or 0
            const char *typed, *message, *request;  // request: what reaches the line, or ""
        } rows[] = {
            {"", IDC_SET_TURNS, IDC_TURNS, "10", "设置原边线圈匝数范围成功!!!", "01060002000a"},
            {"", IDC_ZERO, 0, "", "调零成功!!!", "010600080000"},
            {"", IDC_CALIBRATE, 0, "", "较机成功!!!", "0106000a3c96"},
            // A standard Modbus device echoes writes in 8 bytes: every write fails.
            {"--echo-writes", IDC_SET_ADDRESS, IDC_NEW_ADDRESS, "255", "设置地址失败!!!",
             "0106000400ff"},
            {"--echo-writes", IDC_SET_BAUD, 0, "", "读数据失败!!!", "010600062580"},
            {"--echo-writes", IDC_ZERO, 0, "", "调零失败！", "010600080000"},
            {"--echo-writes", IDC_CALIBRATE, 0, "", "较机失败！", "0106000a3c96"},
            {"--silent", IDC_READ_TURNS, 0, "", "读数据失败!!!", "010400020001"},
            // Out of range, or no number at all: refused before anything is sent.
            {"", IDC_SET_ADDRESS, IDC_NEW_ADDRESS, "256", "地址范围为0~255,请正确输入!!!", ""},
            {"", IDC_SET_TURNS, IDC_TURNS, "abc", "原边线圈匝数范围为1~10", ""},
            // A device address the window cannot send is refused where the exchange would be.
            {"", IDC_READ_TURNS, IDC_ADDRESS, "abc", "地址范围为0~255,请正确输入!!!", ""},
        };
        for (const auto& row : rows) {
            WindowOnSim w(*row.fault ? std::vector<std::string>{row.fault}
                                     : std::vector<std::string>{});
            Item<QComboBox>(w.dialog, IDC_NEW_BAUD)->setCurrentIndex(3);  // 9600: the sensor stays
            if (row.box)
                SetText(w.dialog, row.box, row.typed);
            RecordedMessages messages;
            w.dialog.GetDlgItem(row.button)->setEnabled(true);  // calibrate waits for acquisition
            Click(w.dialog, row.button);
            QCOMPARE(messages.texts, QStringList{U(row.message)});
            QStringList requests;
            for (const std::string& line : w.sim->LogLines())
                requests << QString::fromStdString(LoggedRequest(line).substr(0, 12));
            QCOMPARE(requests, *row.request ? QStringList{U(row.request)} : QStringList{});
            QVERIFY2(!w.dialog.link().port, "the port is closed after the message");
        }
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
