// SPDX-License-Identifier: GPL-3.0-or-later
// The window under Wine: time from the process's creation to the main window's first paint and
// the memory then (the median of 5 starts), and acquisition at the shortest period through Wine's
// COM port against the simulated sensor with real wire timing at 19200 baud, as bench_acquire
// measures it on Linux. Run by scripts/test-windows --bench, which maps COM10 to that simulator.
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "resource.h"
#include "sensor_app.h"
#include "sensor_dlg.h"
#include "window_link_state.h"

// Last: windows.h defines macros that clash with names in the window's headers.
#include <windows.h>
// after windows.h, whose types it uses
#include <psapi.h>

namespace {

double MsSinceProcessCreation() {
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    const auto ticks = [](FILETIME t) {
        return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return double(ticks(now) - ticks(created)) / 10000;  // 100 ns ticks
}

// Prints "<ms> <KiB>" at the window's first paint, then closes the window.
class FirstPaint : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !reported_) {
            reported_ = true;
            PROCESS_MEMORY_COUNTERS memory{};
            GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
            std::printf("%.1f %zu\n", MsSinceProcessCreation(), memory.WorkingSetSize / 1024);
            std::fflush(stdout);
            QTimer::singleShot(0, qobject_cast<QWidget*>(watched), &QWidget::close);
        }
        return false;
    }

private:
    bool reported_ = false;
};

void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void Startup(const QString& self) {
    std::vector<double> ms, kib;
    for (int run = 0; run < 5; ++run) {
        QProcess child;
        child.start(self, {QStringLiteral("--child")});
        child.waitForFinished(30000);
        const QStringList figures = QString::fromLatin1(child.readAllStandardOutput()).split(u' ');
        if (figures.size() != 2)
            continue;
        ms.push_back(figures[0].toDouble());
        kib.push_back(figures[1].toDouble());
    }
    if (ms.empty()) {
        std::printf("startup under Wine: the window did not paint\n");
        return;
    }
    std::sort(ms.begin(), ms.end());
    std::sort(kib.begin(), kib.end());
    std::printf(
        "startup under Wine (offscreen): first paint %.1f ms after process creation, "
        "working set %.1f MiB (median of %zu)\n",
        ms[ms.size() / 2], kib[kib.size() / 2] / 1024, ms.size());
}

void Acquire() {
    CSensorDlg dialog;
    qobject_cast<QComboBox*>(dialog.GetDlgItem(IDC_PORT))->setCurrentIndex(9);  // COM10
    qobject_cast<QComboBox*>(dialog.GetDlgItem(IDC_BAUD))->setCurrentIndex(4);  // 19200
    qobject_cast<QLineEdit*>(dialog.GetDlgItem(IDC_ADDRESS))->setText(QStringLiteral("1"));
    qobject_cast<QLineEdit*>(dialog.GetDlgItem(IDC_PERIOD))->setText(QStringLiteral("0"));
    auto* acquire = qobject_cast<QPushButton*>(dialog.GetDlgItem(IDC_ACQUIRE));
    const int seconds = 10;
    acquire->click();
    RunFor(seconds * 1000);
    acquire->click();
    const double exchangeMs = 15 * 10 * 1000.0 / 19200 + 1;
    std::printf(
        "acquire under Wine: shortest period (10 ms), COM10, 19200 baud with wire timing, "
        "%d s\n  %.1f readings/s (%d failed); line limit %.1f/s\n",
        seconds, double(dialog.linkState().okCount) / seconds, dialog.linkState().failCount,
        1000 / exchangeMs);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ConfigureApplication();
    if (argc == 2 && qstrcmp(argv[1], "--child") == 0) {
        CSensorDlg dialog;
        FirstPaint watcher;
        dialog.installEventFilter(&watcher);
        dialog.exec();
        return 0;
    }
    Startup(QCoreApplication::applicationFilePath());
    Acquire();
    return 0;
}
