// SPDX-License-Identifier: GPL-3.0-or-later
// The current trend: the statistics beneath the chart (worked by hand), the ten minutes it keeps,
// the points and failure marks it draws, clear, save read back, nothing kept while closed.
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QScatterSeries>
#include <QTemporaryDir>
#include <QValueAxis>
#include <cmath>

#include "current_trend_dlg.h"
#include "support/window_support.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::minutes;

const double kFailed = std::nan("");  // a failed tick among the readings
const TrendClock::time_point kStart{std::chrono::seconds(1'700'000'000)};

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

QChart* Chart(const CCurrentTrendDlg& trend) {
    return trend.findChild<QChartView*>()->chart();
}

// The points of every series of this kind, and how many series have any (the line is drawn in
// segments).
template <class Series>
QList<QPointF> Points(const CCurrentTrendDlg& trend, int* drawn = nullptr) {
    QList<QPointF> points;
    int count = 0;
    for (QAbstractSeries* series : Chart(trend)->series())
        if (series->type() == Series().type() && static_cast<Series*>(series)->count() > 0) {
            points << static_cast<Series*>(series)->points();
            ++count;
        }
    if (drawn)
        *drawn = count;
    return points;
}

double Ms(TrendClock::time_point time) {
    return double(std::chrono::duration_cast<milliseconds>(time.time_since_epoch()).count());
}

std::pair<double, double> TimeAxisMs(const CCurrentTrendDlg& trend) {
    auto* axis = qobject_cast<QDateTimeAxis*>(Chart(trend)->axes(Qt::Horizontal).first());
    return {double(axis->min().toMSecsSinceEpoch()), double(axis->max().toMSecsSinceEpoch())};
}

}  // namespace

class CurrentTrendTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void statistics_data() {
        QTest::addColumn<QList<double>>("ticks");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << QList<double>{}
                              << U("读数 0 次，失败 0 次，最小 --，平均 --，最大 --");
        // (-0.5 + 0.5 + 1.0) / 3 = 0.333...
        QTest::newRow("with a failure")
            << QList<double>{-0.5, 0.5, kFailed, 1.0}
            << U("读数 3 次，失败 1 次，最小 -0.5 A，平均 0.33 A，最大 1.0 A");
        QTest::newRow("only failures") << QList<double>{kFailed, kFailed}
                                       << U("读数 0 次，失败 2 次，最小 --，平均 --，最大 --");
        // (-3276.7 + 3276.7 + 0.1) / 3 = 0.0333...
        QTest::newRow("full scale")
            << QList<double>{-3276.7, 3276.7, 0.1}
            << U("读数 3 次，失败 0 次，最小 -3276.7 A，平均 0.03 A，最大 3276.7 A");
    }
    void statistics() {
        QFETCH(QList<double>, ticks);
        QFETCH(QString, text);
        CCurrentTrendDlg trend;
        trend.show();
        Feed(trend, ticks);
        QTRY_COMPARE(StatsText(trend), text);
    }

    // One tick a minute for twelve minutes: the last ten minutes stay, both ends included; ticks
    // while it is closed are not kept.
    void keepsTenMinutesWhileOpen() {
        CCurrentTrendDlg trend;
        Feed(trend, {99.0});
        trend.show();
        QList<double> ticks;
        for (int minute = 0; minute <= 12; ++minute)
            ticks << minute;
        Feed(trend, ticks, minutes(1));
        QTRY_COMPARE(StatsText(trend),
                     U("读数 11 次，失败 0 次，最小 2.0 A，平均 7.00 A，最大 12.0 A"));
        const QList<QPointF> line = Points<QLineSeries>(trend);
        QCOMPARE(line.size(), 11);
        QCOMPARE(line.first(), QPointF(Ms(kStart + minutes(2)), 2));
        QCOMPARE(line.last(), QPointF(Ms(kStart + minutes(12)), 12));
        QCOMPARE(TimeAxisMs(trend),
                 std::make_pair(Ms(kStart + minutes(2)), Ms(kStart + minutes(12))));
        trend.close();
        Feed(trend, {3.0});
        trend.show();
        QTest::qWait(100);
        QCOMPARE(Points<QLineSeries>(trend).size(), 11);
    }

    void drawsReadingsAndMarksFailuresOnTheTimeAxis() {
        CCurrentTrendDlg trend;
        trend.show();
        Feed(trend, {1.0, kFailed, 2.0, kFailed, 3.0});
        QTRY_COMPARE(Points<QLineSeries>(trend).size(), 3);
        int segments = 0;
        QList<double> drawn;
        for (const QPointF& point : Points<QLineSeries>(trend, &segments))
            drawn << point.y();
        QCOMPARE(drawn, (QList<double>{1.0, 2.0, 3.0}));
        QCOMPARE(segments, 3);  // each failure breaks the line
        auto* currentAxis = qobject_cast<QValueAxis*>(Chart(trend)->axes(Qt::Vertical).first());
        QCOMPARE(Points<QScatterSeries>(trend),
                 (QList<QPointF>{{Ms(kStart + milliseconds(500)), currentAxis->min()},
                                 {Ms(kStart + milliseconds(1500)), currentAxis->min()}}));
        QVERIFY(currentAxis->min() < 1.0 && currentAxis->max() > 3.0);
        // Two seconds of ticks: the time axis spans its least, ten seconds, up to the last tick.
        QCOMPARE(TimeAxisMs(trend),
                 std::make_pair(Ms(kStart - milliseconds(8000)), Ms(kStart + milliseconds(2000))));
    }

    void clearAndSave() {
        CCurrentTrendDlg trend;
        trend.show();
        Feed(trend, {1.5, kFailed, -2.0});
        QTemporaryDir folder;
        const QStringList lines =
            QString::fromUtf8(SaveThroughDialog(trend, folder.filePath(U("曲线.csv"))))
                .split(u'\n');
        QCOMPARE(lines.size(), 5);  // header, three ticks, and the last line's end
        QCOMPARE(lines[0], U("time,current_a"));
        const QStringList values{U("1.5"), U(""), U("-2")};
        for (int k = 0; k < 3; ++k) {
            const QStringList fields = lines[k + 1].split(u',');
            QCOMPARE(fields.size(), 2);
            QCOMPARE(
                double(QDateTime::fromString(fields[0], Qt::ISODateWithMs).toMSecsSinceEpoch()),
                Ms(kStart + k * milliseconds(500)));
            QCOMPARE(fields[1], values[k]);
        }
        Button(trend, "清除")->click();
        QCOMPARE(StatsText(trend), U("读数 0 次，失败 0 次，最小 --，平均 --，最大 --"));
        QVERIFY(Points<QLineSeries>(trend).isEmpty());
        QVERIFY(Points<QScatterSeries>(trend).isEmpty());
    }
};

QTEST_MAIN(CurrentTrendTest)
#include "diagnostics_current_trend_test.moc"
