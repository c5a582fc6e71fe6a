// SPDX-License-Identifier: GPL-3.0-or-later
// Acquisition through the window against the simulated sensor: the counters, the texts, the
// address read afresh on each tick, input handled between ticks, closing; and numbers typed into
// the boxes as the original reads them.
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <clocale>
#include <csignal>
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
        Click(w.dialog, IDC_ACQUIRE);
        QCOMPARE(TextOf(w.dialog, IDC_OK_COUNT), U("0"));
        Click(w.dialog, IDC_ACQUIRE);
        QVERIFY(messages.texts.isEmpty());

        Item<QComboBox>(w.dialog, IDC_PORT)->setCurrentIndex(4);  // absent: no acquisition
        Click(w.dialog, IDC_ACQUIRE);
        QCOMPARE(messages.texts, QStringList{U("打开串口失败，此串口不存在或被占用")});
        QCOMPARE(TextOf(w.dialog, IDC_ACQUIRE), U("采集"));
        QVERIFY(w.dialog.GetDlgItem(IDC_SEARCH)->isEnabled());
    }

    // The address is read afresh on each tick; one the window cannot send is a failure and
    // nothing reaches the line (only its low byte would: 300 would read device 44).
    void changedAddressRedirectsTheNextTick() {
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
        SetText(w.dialog, IDC_ADDRESS, "2");
        QTRY_VERIFY_WITH_TIMEOUT(Probes(*w.sim).back().starts_with("2@"), 6000);
        Click(w.dialog, IDC_ACQUIRE);
    }

    // The reading has a decimal point whatever the process's locale.
    void readingIgnoresTheLocale() {
        QTemporaryDir locales;
        const QByteArray dir = QFile::encodeName(locales.path());
        const int made = std::system(
            ("localedef -i de_DE -f UTF-8 " + dir + "/de_DE.UTF-8 2>/dev/null").constData());
        qputenv("LOCPATH", dir);
        if (made != 0 || !std::setlocale(LC_ALL, "de_DE.UTF-8"))
            QSKIP("no German locale could be made here");
        char probe[16];
        std::snprintf(probe, sizeof probe, "%.1f", 1.5);
        QCOMPARE(probe, "1,5");  // the locale really has a decimal comma
        QCOMPARE(MeasurementText(123), "12.3");
        std::setlocale(LC_ALL, "C");
        qunsetenv("LOCPATH");
    }

    // A stop pressed during a tick against a silent sensor is handled right after that tick,
    // before the overdue timer (period 0) could start another one.
    void inputDuringATickComesBeforeTheNextTick() {
        WindowOnSim w({"--silent"});
        w.dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&w.dialog));
        SetText(w.dialog, IDC_PERIOD, "0");
        Click(w.dialog, IDC_ACQUIRE);
        w.dialog.GetDlgItem(IDC_ACQUIRE)->setFocus();
        // The operator presses Enter on the stop button while the first tick waits: a
        // key from another thread joins the window system's queue, as input from the display does.
        std::thread operator_([&] {
            AwaitRequests(*w.sim, 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            qt_handleKeyEvent(w.dialog.windowHandle(), QEvent::KeyPress, Qt::Key_Return,
                              Qt::NoModifier);
        });
        QElapsedTimer clock;
        clock.start();
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(w.dialog, IDC_ACQUIRE), U("采集"), 15000);
        operator_.join();
        QVERIFY2(clock.elapsed() < 7000, "a second tick ran before the input");
        QCOMPARE(w.sim->LogLines().size(), size_t(1));
        QCOMPARE(w.dialog.linkState().failCount, 1);
    }

    // The menu, and the About box chosen there, open after the tick, even for a right-click
    // that came during one: acquisition goes on while they are open.
    void ticksGoOnWithTheAboutBoxOpen() {
        WindowOnSim w({"--turnaround-ms", "300"}, "0");
        w.dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&w.dialog));
        SetText(w.dialog, IDC_PERIOD, "0");
        Click(w.dialog, IDC_ACQUIRE);
        // The right-click comes while an overdue tick waits to run: a timer of its own, due with
        // the acquisition's, posts it, so that it is handled inside the tick's own look at input.
        QTimer rightClick, menuHand, boxHand;
        connect(&rightClick, &QTimer::timeout, [&] {
            if (w.sim->LogLines().empty())
                return;
            rightClick.stop();
            QCoreApplication::postEvent(
                &w.dialog, new QContextMenuEvent(QContextMenuEvent::Mouse, QPoint(5, 5),
                                                 w.dialog.mapToGlobal(QPoint(5, 5))));
        });
        // The operator chooses About in the menu, watches the line for a second, then OK. A timer
        // apiece: a timer does not fire again while its handler is in the About box's loop.
        connect(&menuHand, &QTimer::timeout, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
                menu->actions().constLast()->trigger();
        });
        size_t requestsAtOpen = 0, requestsWhileOpen = 0;
        QElapsedTimer open;
        connect(&boxHand, &QTimer::timeout, [&] {
            auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
            if (about && !open.isValid()) {
                open.start();
                requestsAtOpen = w.sim->LogLines().size();
            } else if (about && open.elapsed() > 1000) {
                requestsWhileOpen = w.sim->LogLines().size() - requestsAtOpen;
                about->accept();
            }
        });
        rightClick.start(0);
        menuHand.start(20);
        boxHand.start(20);
        QTRY_VERIFY_WITH_TIMEOUT(open.isValid() && !QApplication::activeModalWidget(), 10000);
        QVERIFY2(requestsWhileOpen >= 2, "ticks stopped while the About box was open");
        Click(w.dialog, IDC_ACQUIRE);
    }

    // Asked to end by a signal, it closes as when the operator closes it: the port is let go and
    // no tick follows.
    void closingDuringAcquisitionReleasesThePort_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void closingDuringAcquisitionReleasesThePort() {
        QFETCH(int, signal);
        WindowOnSim w({}, "0");
        w.dialog.show();
        Click(w.dialog, IDC_ACQUIRE);
        QTRY_VERIFY(Count(w.dialog, IDC_OK_COUNT) >= 1);
        CloseWindowsOnQuitSignals();
        raise(signal);
        QTRY_VERIFY(!w.dialog.isVisible());
        QVERIFY(!w.dialog.link().port);
        const size_t requests = w.sim->LogLines().size();
        QTest::qWait(700);
        QCOMPARE(w.sim->LogLines().size(), requests);  // no tick after the window closed
        PortHandle again = OpenComPort(1, 9600);
        QVERIFY(again);
        ClosePort(again);
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
        QCOMPARE(Win32TimerPeriod(10), 10);
        QCOMPARE(Win32TimerPeriod(-1), 0x7FFFFFFF);
    }
};

QTEST_MAIN(AcquireTest)
#include "window_acquire_test.moc"
