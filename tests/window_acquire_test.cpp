// SPDX-License-Identifier: GPL-3.0-or-later
// Acquisition through the window against the simulated sensor on a pseudo-terminal: the
// counters, the texts, the address read afresh on each tick, and input handled between ticks.
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <clocale>
#include <csignal>
#include <thread>

#include "about_dlg.h"
#include "link_state.h"
#include "quit_signals.h"
#include "support/sim_process.h"
#include "support/window_support.h"
#include "text_number.h"
#include "window_timers.h"

namespace {

// A key pressed while the window's thread is busy: it joins the window system's queue, as input
// from the display does, and this (other) thread waits until the window has taken it.
void PressFromAnotherThread(QWidget* window, Qt::Key key) {
    qt_handleKeyEvent(window->windowHandle(), QEvent::KeyPress, key, Qt::NoModifier);
}

}  // namespace

class AcquireTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { IsolateComPorts(); }

    void startStopKeepsThenResetsCounters() {
        SimProcess sim({"--address", "1", "--current", "-0.5"});
        ScopedComPort com(1, sim.ptyPath());
        RecordedMessages messages;
        CSensorDlg dialog;
        SetText(dialog, IDC_ADDRESS, "1");
        SetText(dialog, IDC_PERIOD, "20");
        Click(dialog, IDC_ACQUIRE);
        QCOMPARE(TextOf(dialog, IDC_ACQUIRE), U("停止"));
        QVERIFY(!dialog.GetDlgItem(IDC_SEARCH)->isEnabled());
        QTRY_VERIFY(TextOf(dialog, IDC_OK_COUNT).toInt() >= 3);
        QCOMPARE(TextOf(dialog, IDC_CURRENT), U("-0.5"));  // sign bit with magnitude 5
        Click(dialog, IDC_ACQUIRE);
        const QString ok = TextOf(dialog, IDC_OK_COUNT);
        QTest::qWait(100);
        QCOMPARE(TextOf(dialog, IDC_OK_COUNT), ok);
        QCOMPARE(ok.toInt(), sim.Answered());
        QCOMPARE(TextOf(dialog, IDC_FAIL_COUNT), U("0"));
        QCOMPARE(TextOf(dialog, IDC_ACQUIRE), U("采集"));
        QVERIFY(dialog.GetDlgItem(IDC_CALIBRATE)->isEnabled());
        QVERIFY(!dialog.link().port);

        Click(dialog, IDC_ACQUIRE);
        QCOMPARE(TextOf(dialog, IDC_OK_COUNT), U("0"));
        QCOMPARE(TextOf(dialog, IDC_FAIL_COUNT), U("0"));
        Click(dialog, IDC_ACQUIRE);
        QVERIFY(messages.texts.isEmpty());
    }

    void absentPortShowsTheOpenMessageOnly() {
        RecordedMessages messages;
        CSensorDlg dialog;
        Item<QLabel>(dialog, IDC_OK_COUNT)->setText(QStringLiteral("12"));
        Item<QComboBox>(dialog, IDC_PORT)->setCurrentIndex(4);
        Click(dialog, IDC_ACQUIRE);
        QCOMPARE(messages.texts, QStringList{U("打开串口失败，此串口不存在或被占用")});
        QCOMPARE(TextOf(dialog, IDC_ACQUIRE), U("采集"));
        QCOMPARE(TextOf(dialog, IDC_OK_COUNT), U("12"));
        QVERIFY(dialog.GetDlgItem(IDC_SEARCH)->isEnabled());
    }

    // Each tick after the sensor goes away is one failure and "***"; nothing else changes.
    void sensorGoneCountsFailures() {
        auto sim = std::make_unique<SimProcess>(
            std::vector<std::string>{"--address", "0", "--current", "3"});
        ScopedComPort com(1, sim->ptyPath());
        RecordedMessages messages;
        CSensorDlg dialog;
        SetText(dialog, IDC_PERIOD, "30");
        Click(dialog, IDC_ACQUIRE);
        QTRY_VERIFY(TextOf(dialog, IDC_OK_COUNT).toInt() >= 2);
        sim->Stop();
        const int okAtStop = sim->Answered();
        QTRY_VERIFY(TextOf(dialog, IDC_FAIL_COUNT).toInt() >= 3);
        QCOMPARE(TextOf(dialog, IDC_CURRENT), U("***"));
        QCOMPARE(TextOf(dialog, IDC_OK_COUNT).toInt(), okAtStop);
        QCOMPARE(TextOf(dialog, IDC_ACQUIRE), U("停止"));
        Click(dialog, IDC_ACQUIRE);
        QVERIFY(messages.texts.isEmpty());
    }

    // The address is read afresh on each tick; one the window cannot send is a failure and
    // nothing reaches the line (only its low byte would: 300 would read device 44).
    void changedAddressRedirectsTheNextTick() {
        SimProcess sim({"--address", "1"});
        ScopedComPort com(1, sim.ptyPath());
        CSensorDlg dialog;
        SetText(dialog, IDC_ADDRESS, "1");
        SetText(dialog, IDC_PERIOD, "20");
        Click(dialog, IDC_ACQUIRE);
        QTRY_VERIFY(TextOf(dialog, IDC_OK_COUNT).toInt() >= 1);
        SetText(dialog, IDC_ADDRESS, "300");
        const int failed = TextOf(dialog, IDC_FAIL_COUNT).toInt();
        const size_t requests = sim.LogLines().size();
        QTRY_VERIFY(TextOf(dialog, IDC_FAIL_COUNT).toInt() >= failed + 3);
        QCOMPARE(TextOf(dialog, IDC_CURRENT), U("***"));
        QCOMPARE(sim.LogLines().size(), requests);
        SetText(dialog, IDC_ADDRESS, "2");
        QTRY_VERIFY_WITH_TIMEOUT(
            !sim.LogLines().empty() && LoggedRequest(sim.LogLines().back()).starts_with("0204"),
            6000);
        Click(dialog, IDC_ACQUIRE);
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
        SimProcess sim({"--address", "0", "--current", "12.3"});
        ScopedComPort com(1, sim.ptyPath());
        CSensorDlg dialog;
        Click(dialog, IDC_ACQUIRE);
        QTRY_VERIFY(TextOf(dialog, IDC_OK_COUNT).toInt() >= 1);
        QCOMPARE(TextOf(dialog, IDC_CURRENT), U("12.3"));
        Click(dialog, IDC_ACQUIRE);
        std::setlocale(LC_ALL, "C");
        qunsetenv("LOCPATH");
    }

    // A stop or a close pressed during a tick against a silent sensor is handled right after that
    // tick, before an overdue timer could start another one.
    void inputDuringATickComesBeforeTheNextTick_data() {
        QTest::addColumn<QString>("period");
        QTest::addColumn<bool>("close");
        QTest::newRow("stop, period 500") << U("500") << false;
        QTest::newRow("stop, period 0") << U("0") << false;
        QTest::newRow("close, period 500") << U("500") << true;
    }
    void inputDuringATickComesBeforeTheNextTick() {
        QFETCH(QString, period);
        QFETCH(bool, close);
        SimProcess sim({"--silent"});
        ScopedComPort com(1, sim.ptyPath());
        CSensorDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        Item<QLineEdit>(dialog, IDC_PERIOD)->setText(period);
        Click(dialog, IDC_ACQUIRE);
        dialog.GetDlgItem(IDC_ACQUIRE)->setFocus();
        // The operator presses Enter on the stop button (or Esc) while the first tick waits.
        std::thread operator_([&] {
            while (sim.LogLines().empty())
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            PressFromAnotherThread(&dialog, close ? Qt::Key_Escape : Qt::Key_Return);
        });
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(
            close ? !dialog.isVisible() : TextOf(dialog, IDC_ACQUIRE) == U("采集"), 15000);
        operator_.join();
        QVERIFY2(clock.elapsed() < 7000, "a second tick ran before the input");
        QCOMPARE(sim.LogLines().size(), size_t(1));
        QCOMPARE(dialog.linkState().failCount, 1);
    }

    // The menu, and the About box chosen there, open outside any tick, even for a right-click
    // that came during one: acquisition goes on while they are open.
    void ticksGoOnWithTheAboutBoxOpen_data() {
        QTest::addColumn<bool>("duringATick");
        QTest::newRow("right-click between ticks") << false;
        QTest::newRow("right-click during a tick") << true;
    }
    void ticksGoOnWithTheAboutBoxOpen() {
        QFETCH(bool, duringATick);
        SimProcess sim({"--address", "0", "--turnaround-ms", "300"});
        ScopedComPort com(1, sim.ptyPath());
        CSensorDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        Item<QLineEdit>(dialog, IDC_PERIOD)->setText(U("0"));
        Click(dialog, IDC_ACQUIRE);
        // The right-click comes while an overdue tick waits to run: a timer of its own, due with
        // the acquisition's, posts it, so that it is handled inside the tick's own look at input.
        QTimer rightClick;
        connect(&rightClick, &QTimer::timeout, [&] {
            if (sim.LogLines().empty())
                return;
            rightClick.stop();
            auto* click = new QContextMenuEvent(QContextMenuEvent::Mouse, QPoint(5, 5),
                                                dialog.mapToGlobal(QPoint(5, 5)));
            if (duringATick) {
                QCoreApplication::postEvent(&dialog, click);
            } else {
                QCoreApplication::sendEvent(&dialog, click);
                delete click;
            }
        });
        rightClick.start(0);
        // The operator chooses About in the menu, watches the line for a second, then OK.
        QTimer menuHand, boxHand;
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
                requestsAtOpen = sim.LogLines().size();
            } else if (about && open.elapsed() > 1000) {
                requestsWhileOpen = sim.LogLines().size() - requestsAtOpen;
                about->accept();
            }
        });
        menuHand.start(20);
        boxHand.start(20);
        QTRY_VERIFY_WITH_TIMEOUT(open.isValid() && !QApplication::activeModalWidget(), 10000);
        QVERIFY2(requestsWhileOpen >= 2, "ticks stopped while the About box was open");
        Click(dialog, IDC_ACQUIRE);
    }

    // Closed by the operator, or asked to end by a signal: it ends the same way.
    void closingDuringAcquisitionReleasesThePort_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("closed") << 0;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void closingDuringAcquisitionReleasesThePort() {
        QFETCH(int, signal);
        SimProcess sim({"--address", "0"});
        ScopedComPort com(1, sim.ptyPath());
        CSensorDlg dialog;
        dialog.show();
        Click(dialog, IDC_ACQUIRE);
        QTRY_VERIFY(TextOf(dialog, IDC_OK_COUNT).toInt() >= 1);
        if (signal) {
            CloseWindowsOnQuitSignals();
            raise(signal);
            QTRY_VERIFY(!dialog.isVisible());
        } else {
            dialog.reject();
        }
        QVERIFY(!dialog.link().port);
        const size_t requests = sim.LogLines().size();
        QTest::qWait(700);
        QCOMPARE(sim.LogLines().size(), requests);  // no tick after the window closed
        PortHandle again = OpenComPort(1, 9600);
        QVERIFY(again);
        ClosePort(again);
    }

    void typedNumbersReadLikeAtoi() {
        QCOMPARE(ValueToSend(U("")), INT_MIN);
        QCOMPARE(ValueToSend(U("２５５")), INT_MIN);
        QCOMPARE(ValueToSend(U(" 7")), 7);
        QCOMPARE(ValueToSend(U("12abc")), 12);
        const std::pair<const char*, int> cases[] = {
            {"", 0},
            {"abc", 0},
            {"  42", 42},
            {"012", 12},
            {"-7x", -7},
            {"+5", 5},
            {"1 2", 1},
            {"99999999999", 2147483647},
            {"-99999999999", -2147483647 - 1},
            {"\t\n9", 9},
            {"２", 0},
        };
        for (auto [text, value] : cases)
            QCOMPARE(Atoi(U(text)), value);
        QCOMPARE(Win32TimerPeriod(Atoi(U("abc"))), 10);
        QCOMPARE(Win32TimerPeriod(9), 10);
        QCOMPARE(Win32TimerPeriod(500), 500);
        QCOMPARE(Win32TimerPeriod(-1), 0x7FFFFFFF);
    }
};

QTEST_MAIN(AcquireTest)
#include "window_acquire_test.moc"
