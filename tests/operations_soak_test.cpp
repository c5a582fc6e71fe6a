// Soak: many acquisition ticks at the shortest period against a sensor that leaves every 10th
// request unanswered. The window's counters must equal the sensor's own count exactly, and the
// process must not gain descriptors or memory. Not in the default run (label "soak"); the number
// of ticks is TESSALY_SOAK_TICKS (default 20000; every dropped reply costs the 4 s wait).
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "link_state.h"
#include "support/sim_process.h"
#include "support/window_support.h"

namespace {

int OpenDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::NoDotAndDotDot | QDir::System)
                   .size());
}

long ResidentKiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLong() * 4;
}

// Waits, serving the window, until this many ticks have run.
void RunTicks(long ticks) {
    while (g_link.okCount + g_link.failCount < ticks)
        QTest::qWait(50);
}

}  // namespace

class SoakTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void countersMatchTheSensorAndNothingGrows() {
        IsolateComPorts();
        const long ticks = qEnvironmentVariableIntValue("TESSALY_SOAK_TICKS") > 0
                               ? qEnvironmentVariableIntValue("TESSALY_SOAK_TICKS")
                               : 20000;
        SimProcess sim({"--address", "1", "--current", "8.8", "--drop-every", "10"});
        ScopedComPort com(1, sim.ptyPath());
        CSensorDlg dialog;
        Item<QLineEdit>(dialog, IDC_ADDRESS)->setText(QStringLiteral("1"));
        Item<QLineEdit>(dialog, IDC_PERIOD)->setText(QStringLiteral("0"));
        auto* acquire = Item<QPushButton>(dialog, IDC_ACQUIRE);
        acquire->click();
        RunTicks(ticks / 10);
        const int fdsEarly = OpenDescriptors();
        const long rssEarly = ResidentKiB();
        RunTicks(ticks);
        const int fdsLate = OpenDescriptors();
        const long rssLate = ResidentKiB();
        acquire->click();

        QCOMPARE(Item<QLabel>(dialog, IDC_OK_COUNT)->text().toInt(), sim.Answered());
        QCOMPARE(Item<QLabel>(dialog, IDC_FAIL_COUNT)->text().toInt(), sim.Unanswered());
        QVERIFY(sim.Unanswered() > 0);
        QCOMPARE(fdsLate, fdsEarly);
        QVERIFY2(
            rssLate - rssEarly < 1024,
            qPrintable(QStringLiteral("resident memory grew by %1 KiB").arg(rssLate - rssEarly)));
        qInfo("%ld ticks: %d answered, %d unanswered; %d descriptors; resident %ld -> %ld KiB",
              ticks, sim.Answered(), sim.Unanswered(), fdsLate, rssEarly, rssLate);
    }
};

QTEST_MAIN(SoakTest)
#include "operations_soak_test.moc"
