// SPDX-License-Identifier: GPL-3.0-or-later
// Acquisition through the window against the simulated sensor: the counters, the texts, the
// address read afresh on each tick, the About box, closing; and numbers typed into the boxes as
// the original reads them.
#include <csignal>
#include <cstring>

#include "about_dlg.h"
#include "link_state.h"
#include "quit_signals.h"
#include "support/window_support.h"
#include "text_number.h"
#include "window_timers.h"

class AcquireTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { IsolateComPorts(); }

    void startStopKeepsThenResetsCounters() {
        WindowOnSim w({"--current", "-0.5"});
        RecordedMessages messages;
        SetText(w.dialog, IDC_PERIOD, "20");
        Click(w.dialog, IDC_ACQUIRE);
        QCOMPARE(TextOf(w.dialog, IDC_ACQUIRE), U("停止"));
        QVERIFY(!w.dialog.GetDlgItem(IDC_SEARCH)->isEnabled());
        QTRY_VERIFY(Count(w.dialog, IDC_OK_COUNT) >= 3);
        QCOMPARE(TextOf(w.dialog, IDC_CURRENT), U("-0.5"));  // sign bit with magnitude 5
        Click(w.dialog, IDC_ACQUIRE);
        const int ok = Count(w.dialog, IDC_OK_COUNT);
        QTest::qWait(100);
        QCOMPARE(Count(w.dialog, IDC_OK_COUNT), ok);
        QCOMPARE(ok, w.sim->Answered());
        QCOMPARE(TextOf(w.dialog, IDC_FAIL_COUNT), U("0"));
        QCOMPARE(TextOf(w.dialog, IDC_ACQUIRE), U("采集"));
        QVERIFY(w.dialog.GetDlgItem(IDC_CALIBRATE)->isEnabled());
        QVERIFY(!w.dialog.link().port);
        Click(w.dialog, IDC_ACQUIRE);
        QCOMPARE(TextOf(w.dialog, IDC_OK_COUNT), U("0"));
        Click(w.dialog, IDC_ACQUIRE);

        Item<QComboBox>(w.dialog, IDC_PORT)->setCurrentIndex(4);  // absent: no acquisition
        Click(w.dialog, IDC_ACQUIRE);
        QCOMPARE(messages.texts, QStringList{U("打开串口失败，此串口不存在或被占用")});
        QCOMPARE(TextOf(w.dialog, IDC_ACQUIRE), U("采集"));
        QVERIFY(w.dialog.GetDlgItem(IDC_SEARCH)->isEnabled());
    }

    // The address is read afresh on each tick; one the window cannot send is a failure and
    // nothing reaches the line (only its low byte would: 300 would read device 44).
    void addressIsReadOnEachTick() {
        WindowOnSim w({});
        SetText(w.dialog, IDC_PERIOD, "20");
        Click(w.dialog, IDC_ACQUIRE);
        QTRY_VERIFY(Count(w.dialog, IDC_OK_COUNT) >= 1);
        SetText(w.dialog, IDC_ADDRESS, "300");
        const int failed = Count(w.dialog, IDC_FAIL_COUNT);
        const size_t requests = w.sim->LogLines().size();
        QTRY_VERIFY(Count(w.dialog, IDC_FAIL_COUNT) >= failed + 3);
        QCOMPARE(TextOf(w.dialog, IDC_CURRENT), U("***"));
        QCOMPARE(w.sim->LogLines().size(), requests);
    }

    // Acquisition goes on while the About box, chosen in the context menu, is open.
    void ticksGoOnWithTheAboutBoxOpen() {
        WindowOnSim w({}, "0");
        w.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.dialog));
        SetText(w.dialog, IDC_PERIOD, "20");
        Click(w.dialog, IDC_ACQUIRE);
        size_t atOpen = 0, whileOpen = 0;
        WithContextMenu(w.dialog, [&](QMenu& menu) {
            atOpen = w.sim->LogLines().size();
            QTimer::singleShot(500, &w.dialog, [&] {  // the operator reads it, then OK
                whileOpen = w.sim->LogLines().size() - atOpen;
                if (auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget()))
                    about->accept();
            });
            menu.actions().constLast()->trigger();
        });
        QVERIFY2(whileOpen >= 5, "ticks stopped while the About box was open");
    }

    // Asked to end by a signal, it closes as when the operator closes it: the port is let go and
    // no tick follows.
    void closingOnASignalReleasesThePort() {
        CloseWindowsOnQuitSignals();
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
            WindowOnSim w({}, "0");
            w.dialog.show();
            Click(w.dialog, IDC_ACQUIRE);
            QTRY_VERIFY(Count(w.dialog, IDC_OK_COUNT) >= 1);
            raise(signal);
            QTRY_VERIFY2(!w.dialog.isVisible(), strsignal(signal));
            QVERIFY(!w.dialog.link().port);
            const size_t requests = w.sim->LogLines().size();
            QTest::qWait(700);
            QCOMPARE(w.sim->LogLines().size(), requests);  // no tick after the window closed
        }
    }

    // atoi's reading, as the C library gives it; a value to send needs a leading number; the
    // timer's period with Win32's limits.
    void typedNumbersReadLikeAtoi() {
        QStringList read;
        for (const char* text :
             {"abc", "  42", "012", "-7x", "+5", "\t\n9", "２", "99999999999", "-99999999999"})
            read << QString::number(Atoi(U(text)));
        QCOMPARE(read.join(u' '), U("0 42 12 -7 5 9 0 2147483647 -2147483648"));
        QCOMPARE(ValueToSend(U("")), INT_MIN);
        QCOMPARE(ValueToSend(U("12abc")), 12);
        QCOMPARE(Win32TimerPeriod(9), 10);
        QCOMPARE(Win32TimerPeriod(-1), 0x7FFFFFFF);
    }
};

QTEST_MAIN(AcquireTest)
#include "window_acquire_test.moc"
