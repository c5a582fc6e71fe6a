// SPDX-License-Identifier: GPL-3.0-or-later
// Acquisition through the window against the simulated sensor: counters, texts, the address read
// on each tick, the About box, closing; and typed numbers read as the original reads them.
#include <QElapsedTimer>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

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
        // Started again, the counts start from 0: they count this run's readings alone.
        Click(w.dialog, IDC_ACQUIRE);
        QCOMPARE(TextOf(w.dialog, IDC_OK_COUNT), U("0"));
        QTRY_VERIFY(Count(w.dialog, IDC_OK_COUNT) >= 1);
        // The address is read afresh on each tick; one the window cannot send is a failure and
        // nothing reaches the line (only its low byte would: 300 would read device 44).
        SetText(w.dialog, IDC_ADDRESS, "300");
        const int failed = Count(w.dialog, IDC_FAIL_COUNT);
        const size_t requests = w.sim->LogLines().size();
        QTRY_VERIFY(Count(w.dialog, IDC_FAIL_COUNT) >= failed + 3);
        QCOMPARE(TextOf(w.dialog, IDC_CURRENT), U("***"));
        QCOMPARE(w.sim->LogLines().size(), requests);
        Click(w.dialog, IDC_ACQUIRE);
        QCOMPARE(Count(w.dialog, IDC_OK_COUNT), w.sim->Answered() - ok);

        Item<QComboBox>(w.dialog, IDC_PORT)->setCurrentIndex(4);  // absent: no acquisition
        Click(w.dialog, IDC_ACQUIRE);
        QCOMPARE(messages.texts, QStringList{U("打开串口失败，此串口不存在或被占用")});
        QCOMPARE(TextOf(w.dialog, IDC_ACQUIRE), U("采集"));
        QVERIFY(w.dialog.GetDlgItem(IDC_SEARCH)->isEnabled());
    }

    // Input during a tick is handled as the tick returns, and the menu or box it opens never holds
    // the ticks back: a right-click during a tick shows the menu before the next tick, and About
    // chosen from it (key a) during another tick opens with acquisition going on.
    void menuAndAboutChosenDuringATick() {
        if (QGuiApplication::platformName() != U("xcb"))
            QSKIP("needs X input: test_acquire_x11 runs it under Xvfb");
        WindowOnSim w({"--turnaround-ms", "300"});
        w.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.dialog));
        Acquire(w.dialog, 1);
        // Real X input (xdotool) comes while the window waits for the reply to the next request.
        std::thread poster;
        const auto duringTheNextTick = [&](std::string xdotool) {
            if (poster.joinable())
                poster.join();
            poster = std::thread([&sim = *w.sim, seen = w.sim->LogLines().size(), xdotool] {
                AwaitRequests(sim, seen + 1);
                QVERIFY(std::system(("xdotool " + xdotool).c_str()) == 0);
            });
        };
        const QPoint click = w.dialog.mapToGlobal(QPoint(570, 230));
        // Each step once the last has shown, on a timer so that they go on in any modal loop.
        int step = 0;
        size_t atClick = 0, atMenu = 0, atAbout = 0, whileOpen = 0;
        const ShowWatch shows([&](QObject* shown) {
            if (qobject_cast<QMenu*>(shown))
                atMenu = w.sim->LogLines().size();
        });
        QElapsedTimer aboutOpen;
        QTimer operatorSteps;
        connect(&operatorSteps, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
            const size_t requests = w.sim->LogLines().size();
            if (step == 0) {
                atClick = requests + 1;
                duringTheNextTick("mousemove " + std::to_string(click.x()) + " " +
                                  std::to_string(click.y()) + " click 3");
            } else if (step == 1 && menu) {
                duringTheNextTick("key a");
            } else if (step == 2 && about) {
                atAbout = requests;
                aboutOpen.start();
            } else if (step == 3 && aboutOpen.elapsed() >= 1500) {
                whileOpen = requests - atAbout;
                about->close();
            } else {
                return;
            }
            ++step;
        });
        operatorSteps.start(10);
        QTRY_COMPARE_WITH_TIMEOUT(step, 4, 15000);
        poster.join();
        QVERIFY2(whileOpen >= 3, "ticks stopped while About was open");
        QCOMPARE(atMenu, atClick);  // no request between the click and its menu
    }

    // Asked to end by a signal, it closes as the operator would: the port let go, no tick after.
    void closingOnASignalReleasesThePort() {
        CloseWindowsOnQuitSignals();
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1}) {
            WindowOnSim w({}, "0");
            w.dialog.show();
            Acquire(w.dialog, 1, "500");  // the period the window starts with
            raise(signal);
            QTRY_VERIFY2(!w.dialog.isVisible(), strsignal(signal));
            QVERIFY(!w.dialog.link().port);
            const size_t requests = w.sim->LogLines().size();
            QTest::qWait(700);
            QCOMPARE(w.sim->LogLines().size(), requests);
        }
    }

    // Read as the C library's atoi; a value to send needs a leading number; Win32's timer limits.
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
