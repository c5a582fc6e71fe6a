// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up of the window: time from launching the process to the main window's first paint, and
// its resident memory then; the median of 5 starts. The window runs on the platform named by
// QT_QPA_PLATFORM (offscreen unless set; run under xvfb-run with QT_QPA_PLATFORM=xcb for X11).
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench_util.h"
#include "language.h"
#include "sensor_app.h"
#include "sensor_dlg.h"

namespace {

// Reports on `reportFd` at the window's first paint, then closes the window.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(int reportFd) : reportFd_(reportFd) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !reported_) {
            reported_ = true;
            const long rss = ResidentKiB();
            (void)!write(reportFd_, &rss, sizeof rss);
            QTimer::singleShot(0, qobject_cast<QWidget*>(watched), &QWidget::close);
        }
        return false;
    }

private:
    int reportFd_;
    bool reported_ = false;
};

int Child(int argc, char** argv, int reportFd) {
    QApplication application(argc, argv);
    // The language, as the program chooses it without --lang: the desktop's (LANG=en_US.UTF-8
    // measures the English window).
    QTranslator translation;
    if (LoadTranslation(translation, QLocale::system().uiLanguages()))
        QCoreApplication::installTranslator(&translation);
    ConfigureApplication();
    CSensorDlg dialog;
    FirstPaint watcher(reportFd);
    dialog.installEventFilter(&watcher);
    dialog.exec();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Only the window's own libraries, no test helpers: they would count in the start-up.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0)
        return Child(1, argv, std::atoi(argv[2]));
    std::vector<double> ms;
    std::vector<double> rss;
    for (int run = 0; run < 5; ++run) {
        int report[2];
        if (pipe(report) != 0)
            return 1;
        const auto start = BenchClock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            close(report[0]);
            const std::string fd = std::to_string(report[1]);
            execl("/proc/self/exe", argv[0], "--child", fd.c_str(), nullptr);
            _exit(127);
        }
        close(report[1]);
        long kib = 0;
        if (read(report[0], &kib, sizeof kib) == sizeof kib) {
            ms.push_back(MsBetween(start, BenchClock::now()));
            rss.push_back(double(kib));
        }
        close(report[0]);
        waitpid(pid, nullptr, 0);
    }
    std::printf(
        "startup (%s): median of %zu starts: first paint after %.1f ms, resident %.1f MiB\n",
        qgetenv("QT_QPA_PLATFORM").constData(), ms.size(), Median(ms), Median(rss) / 1024);
    return ms.size() == 5 ? 0 : 1;
}
