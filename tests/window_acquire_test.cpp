// SPDX-License-Identifier: GPL-3.0-or-later
// Acquisition through the window against the simulated sensor: counters, texts, the address read
// on each tick, the About box, closing; and typed numbers read as the original reads them.
#include <unistd.h>
#include <QSocketNotifier>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <future>

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

    // Real X input during a tick is handled as the tick returns, and what it opens never holds the
    // ticks back: a right-click during a tick shows the menu before the next request, and About
    // chosen from it (key a) during another tick opens with acquisition going on.
    void menuAndAboutChosenDuringATick() {
        if (QGuiApplication::platformName() != U("xcb"))
            QSKIP("needs X input: test_acquire_x11 runs it under Xvfb");
        WindowOnSim w({"--turnaround-ms", "300"});
        w.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.dialog));
        Acquire(w.dialog, 1);
        // xdotool types while the window waits for the reply to the next request.
        const auto duringTheNextTick = [&](const QString& xdotool) {
            auto typed = std::async(std::launch::async, [&, next = w.sim->LogLines().size() + 1] {
                return AwaitRequests(*w.sim, next) ? std::system(qPrintable(xdotool)) : 1;
            });
            QTRY_VERIFY_WITH_TIMEOUT(
                typed.wait_for(std::chrono::seconds(0)) == std::future_status::ready, 15000);
            QCOMPARE(typed.get(), 0);
        };
        size_t atMenu = 0;
        const ShowWatch shows([&](QObject* shown) {
            if (qobject_cast<QMenu*>(shown))
                atMenu = w.sim->LogLines().size();
        });
        const QPoint click = w.dialog.mapToGlobal(QPoint(570, 230));
        const size_t atClick = w.sim->LogLines().size() + 1;
        duringTheNextTick(U("xdotool mousemove %1 %2 click 3").arg(click.x()).arg(click.y()));
        QTRY_VERIFY(QApplication::activePopupWidget());
        QCOMPARE(atMenu, atClick);  // no request between the click and its menu
        duringTheNextTick(U("xdotool key a"));
        QTRY_VERIFY(qobject_cast<CAboutDlg*>(QApplication::activeModalWidget()));
        const size_t atAbout = w.sim->LogLines().size();
        QTRY_VERIFY2(w.sim->LogLines().size() >= atAbout + 3, "ticks stopped while About was open");
        QApplication::activeModalWidget()->close();
    }

    // The tick's rules with Qt's order of events pinned: input that arrives (on a descriptor, as
    // X's does) just after Qt took an overdue tick's timer event is handled before that tick, and
    // the modal loop it opens (a menu, a box) does not hold the ticks back.
    void inputThatCameWithATickGoesFirst() {
        struct Window : QObject {
            int line[2] = {-1, -1};             // the input's descriptor, and its sender's
            qsizetype at = -1, openTicks = -1;  // openTicks: ticks in the input's loop, up to 3
            QStringList seen;
            QEventLoop box;
            WindowTimers timers{this, [this](int) {
                                    seen << U("tick");
                                    if (box.isRunning() && ++openTicks == 3)
                                        box.quit();
                                }};
            Window() {
                QVERIFY(pipe(line) == 0);
                auto* input = new QSocketNotifier(line[0], QSocketNotifier::Read, this);
                connect(input, &QSocketNotifier::activated, [this, input] {
                    input->setEnabled(false);
                    seen << U("input");
                    QTimer::singleShot(2000, &box, &QEventLoop::quit);
                    openTicks = 0;
                    box.exec();
                });
            }
            ~Window() { close(line[0]), close(line[1]); }
            void timerEvent(QTimerEvent* event) override {
                const bool first = at < 0 && !seen.isEmpty();  // the first after a tick
                at = first ? seen.size() : at;
                timers.Dispatch(event);
                if (first)
                    QVERIFY(write(line[1], "x", 1) == 1);
            }
        } w;
        w.timers.Set(1, 20);
        QTRY_VERIFY(w.openTicks >= 0 && !w.box.isRunning());
        QCOMPARE(w.seen.value(w.at), U("input"));
        QCOMPARE(w.openTicks, qsizetype(3));
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
