// SPDX-License-Identifier: GPL-3.0-or-later
// The current trend: the statistics beneath the chart, the ten minutes it keeps, the points and
// failure marks it draws, clear, save read back, nothing kept while closed.
#include <QTemporaryDir>
#include <cmath>

#include "current_trend_dlg.h"
#include "qcustomplot_include.h"
#include "support/window_support.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::minutes;

const double kFailed = std::nan("");  // a failed tick among the readings
const TrendClock::time_point kStart{std::chrono::seconds(1'700'000'000)};
constexpr qint64 kStartMs = 1'700'000'000'000;

void Feed(CCurrentTrendDlg& trend, const QList<double>& ticks,
          TrendClock::duration step = milliseconds(500)) {
    for (qsizetype k = 0; k < ticks.size(); ++k)
        trend.AddTick(kStart + k * step,
                      std::isnan(ticks[k]) ? std::nullopt : std::optional<double>(ticks[k]));
}

QString StatsText(const CCurrentTrendDlg& trend) {
    for (auto* label : trend.findChildren<QLabel*>())
        if (label->text().startsWith(U("读数")))
            return label->text();
    return {};
}

QCustomPlot* Plot(const CCurrentTrendDlg& trend) {
    return trend.findChild<QCustomPlot*>();
}

qint64 Ms(double seconds) {
    return qRound64(seconds * 1000);
}

// One graph's points in milliseconds and amperes, as the runs between its gaps: the readings'
// line (graph 0) breaks where a value is not a number; the failure marks (graph 1) have none.
QList<QList<QPointF>> Drawn(const CCurrentTrendDlg& trend, int graph) {
    QList<QList<QPointF>> runs(1);
    for (const QCPGraphData& point : *Plot(trend)->graph(graph)->data()) {
        if (std::isnan(point.value)) {
            if (!runs.back().isEmpty())
                runs.emplace_back();
            continue;
        }
        runs.back() << QPointF(double(Ms(point.key)), point.value);
    }
    if (runs.back().isEmpty())
        runs.pop_back();
    return runs;
}

std::pair<qint64, qint64> TimeAxisMs(const CCurrentTrendDlg& trend) {
    const QCPRange range = Plot(trend)->xAxis->range();
    return {Ms(range.lower), Ms(range.upper)};
}

}  // namespace

class CurrentTrendTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Eight hours east of UTC, without summer time: the CSV's times are local.
    void initTestCase() { qputenv("TZ", "CST-8"); }

    // The statistics, worked by hand: the readings' mean is (1.5 - 2) / 2. Each failure breaks the
    // line and is marked at the foot of the current axis; a second of ticks gets the time axis's
    // least span, ten seconds, up to the last tick. Then save and clear.
    void countsDrawsSavesClearsAndKeepsTenMinutes() {
        CCurrentTrendDlg trend;
        trend.show();
        Feed(trend, {1.5, kFailed, -2.0});
        QTRY_COMPARE(StatsText(trend),
                     U("读数 2 次，失败 1 次，最小 -2.0 A，平均 -0.25 A，最大 1.5 A"));
        QTRY_COMPARE(Drawn(trend, 0),
                     (QList<QList<QPointF>>{{{kStartMs, 1.5}}, {{kStartMs + 1000, -2}}}));
        const QCPRange current = Plot(trend)->yAxis->range();
        QCOMPARE(Drawn(trend, 1), (QList<QList<QPointF>>{{{kStartMs + 500, current.lower}}}));
        QVERIFY(current.lower < -2.0 && current.upper > 1.5);
        QCOMPARE(TimeAxisMs(trend), std::make_pair(kStartMs - 9000, kStartMs + 1000));
        // 1'700'000'000 s after the epoch is 2023-11-14 22:13:20 UTC, 06:13:20 the next day in
        // the zone set for this test.
        QTemporaryDir folder;
        QCOMPARE(SaveThroughDialog(trend, folder.filePath(U("曲线.csv"))),
                 QByteArray("time,current_a\n2023-11-15T06:13:20.000,1.5\n"
                            "2023-11-15T06:13:20.500,\n2023-11-15T06:13:21.000,-2\n"));
        Button(trend, "清除")->click();
        QCOMPARE(StatsText(trend), U("读数 0 次，失败 0 次，最小 --，平均 --，最大 --"));

        // A tick a minute for twelve minutes: the last ten minutes stay, both ends included; ticks
        // while it is closed are not kept.
        Feed(trend, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, minutes(1));
        QTRY_COMPARE(StatsText(trend),
                     U("读数 11 次，失败 0 次，最小 2.0 A，平均 7.00 A，最大 12.0 A"));
        QCOMPARE(TimeAxisMs(trend), std::make_pair(kStartMs + 120'000, kStartMs + 720'000));
        trend.close();
        Feed(trend, {3.0});
        QCOMPARE(trend.trend().samples().size(), 11u);
    }
};

QTEST_MAIN(CurrentTrendTest)
#include "diagnostics_current_trend_test.moc"
