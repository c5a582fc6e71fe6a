// SPDX-License-Identifier: GPL-3.0-or-later
// Makes the README's pictures of the two tool windows, at their default size, from a real run:
// a short search, then an acquisition of a slowly varying current during which the sensor is
// unplugged for a moment and comes back. scripts/screenshots runs it under Xvfb.
//   diagnostics_screenshots OUTPUT_FOLDER
#include <QDir>
#include <QEventLoop>
#include <cstdio>
#include <optional>

#include "current_trend_dlg.h"
#include "sensor_app.h"
#include "support/window_support.h"
#include "traffic_log_dlg.h"

namespace {

void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool Save(QWidget& window, const QDir& folder, const char* name) {
    const QString path = folder.filePath(QString::fromUtf8(name));
    const bool saved = window.grab().save(path);
    std::printf("%s %s (%dx%d)\n", saved ? "wrote" : "could not write", qPrintable(path),
                window.width(), window.height());
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    ConfigureApplication();
    if (argc != 2) {
        std::fprintf(stderr, "usage: diagnostics_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    IsolateComPorts();
    const std::vector<std::string> options{"--address", "1",      "--current",
                                           "12.3",      "--sine", "1.5:10"};
    auto sim = std::make_unique<SimProcess>(options);
    // COM1 leads to the pseudo-terminal itself, as it would to /dev/ttyUSB0; when the sensor
    // comes back it is another one, as an adapter plugged into another socket would be.
    std::optional<ScopedComPort> com(std::in_place, 1, sim->ptyPath());
    RecordedMessages answered;  // the search's "found" box

    CSensorDlg dialog;
    dialog.show();
    dialog.OnTrafficLog();
    dialog.OnCurrentTrend();
    for (int id : {IDC_SCAN_1200, IDC_SCAN_2400, IDC_SCAN_4800})
        Item<QAbstractButton>(dialog, id)->setChecked(false);
    SetText(dialog, IDC_SCAN_TO, "1");
    Click(dialog, IDC_SEARCH);
    while (dialog.SearchWorkerRunning() || TextOf(dialog, IDC_SEARCH) != U("搜索"))
        RunFor(50);

    SetText(dialog, IDC_ADDRESS, "1");
    SetText(dialog, IDC_PERIOD, "50");
    Click(dialog, IDC_ACQUIRE);
    RunFor(15000);
    sim.reset();  // unplugged
    RunFor(1500);
    com.reset();
    sim = std::make_unique<SimProcess>(options);
    com.emplace(1, sim->ptyPath());
    RunFor(600);
    Click(dialog, IDC_ACQUIRE);
    RunFor(500);  // the log takes its last rows, the trend redraws

    const bool saved = Save(*dialog.findChild<CTrafficLogDlg*>(), folder, "traffic-log.png") &&
                       Save(*dialog.findChild<CCurrentTrendDlg*>(), folder, "current-trend.png");
    return saved ? 0 : 1;
}
