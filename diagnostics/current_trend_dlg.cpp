// SPDX-License-Identifier: GPL-3.0-or-later
#include "current_trend_dlg.h"

#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <vector>

#include "diagnostics_texts.h"
#include "res_text.h"

namespace {

// At the shortest period ten minutes hold 60 000 ticks; the chart draws at most two points (the
// lowest and the highest) per slice of time, which is finer than its pixels.
constexpr int kSlices = 1200;
constexpr qint64 kSpanMs = std::chrono::milliseconds(CurrentTrend::kSpan).count();
// Until ten minutes have come together the time axis spans the ticks there are, but at least this.
constexpr qint64 kLeastSpanMs = 10'000;
constexpr int kRefreshMs = 500;
// A run of failed ticks breaks the line; beyond this many breaks the oldest are bridged.
constexpr size_t kMostSegments = 32;
constexpr double kLeastCurrentSpan = 1.0;  // amperes shown around a steady current

QString Amperes(double value, int decimals) {
    return QString::number(value, 'f', decimals) + QStringLiteral(" A");
}

// One slice of time: its lowest and highest reading in the order they came, and whether a tick
// in it failed.
struct Slice {
    std::optional<QPointF> low, high;
    std::optional<qint64> failedAt;
};

}  // namespace

CCurrentTrendDlg::CCurrentTrendDlg(QWidget* parent, Tell tell)
    : CToolWindow(parent, kTrendCaption, kTrendSaveTitle, std::move(tell)) {
    const QFont font = this->font();

    chart_ = new QChart;
    chart_->setBackgroundRoundness(0);
    chart_->setMargins(QMargins(2, 2, 2, 2));
    chart_->legend()->setAlignment(Qt::AlignTop);
    chart_->legend()->setFont(font);
    failures_ = new QScatterSeries;
    failures_->setName(ResText(kTrendFailures));
    failures_->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    failures_->setMarkerSize(7);
    failures_->setColor(Qt::red);
    failures_->setBorderColor(Qt::red);
    timeAxis_ = new QDateTimeAxis;
    timeAxis_->setFormat(QStringLiteral("hh:mm:ss"));
    timeAxis_->setTickCount(6);
    timeAxis_->setLabelsFont(font);
    currentAxis_ = new QValueAxis;
    currentAxis_->setTitleText(ResText(kTrendCurrentTitle));
    currentAxis_->setTitleFont(font);
    currentAxis_->setLabelsFont(font);
    currentAxis_->setLabelFormat(QStringLiteral("%.1f"));
    chart_->addAxis(timeAxis_, Qt::AlignBottom);
    chart_->addAxis(currentAxis_, Qt::AlignLeft);
    Segment(0);  // names the readings in the legend, before the failures
    chart_->addSeries(failures_);
    failures_->attachAxis(timeAxis_);
    failures_->attachAxis(currentAxis_);

    auto* view = new QChartView(chart_);
    view->setRenderHint(QPainter::Antialiasing);
    view->setAccessibleName(ResText(kTrendCaption));
    view->setAccessibleDescription(ResText(kTrendDescription));

    stats_ = new QLabel;
    Lay(view, stats_, {});

    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(kRefreshMs);
    connect(&refreshTimer_, &QTimer::timeout, this, &CCurrentTrendDlg::Refresh);
    Refresh();
    resize(720, 420);
}

void CCurrentTrendDlg::AddTick(TrendClock::time_point time, std::optional<double> amperes) {
    if (!isVisible())
        return;
    trend_.Add(time, amperes);
    ScheduleRefresh();
}

void CCurrentTrendDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Refresh();
}

void CCurrentTrendDlg::ScheduleRefresh() {
    if (!refreshTimer_.isActive())
        refreshTimer_.start();
}

void CCurrentTrendDlg::Refresh() {
    const auto& samples = trend_.samples();
    const qint64 end =
        samples.empty() ? QDateTime::currentMSecsSinceEpoch() : TrendMs(samples.back().time);
    const qint64 first = samples.empty() ? end : TrendMs(samples.front().time);
    const qint64 span = std::clamp(end - first, kLeastSpanMs, kSpanMs);
    const qint64 start = end - span;

    std::vector<Slice> slices(kSlices);
    for (const TrendSample& sample : samples) {
        const qint64 ms = TrendMs(sample.time);
        Slice& slice = slices[std::clamp<qint64>((ms - start) * kSlices / span, 0, kSlices - 1)];
        if (!sample.amperes) {
            if (!slice.failedAt)
                slice.failedAt = ms;
            continue;
        }
        const QPointF point(double(ms), *sample.amperes);
        if (!slice.low || point.y() < slice.low->y())
            slice.low = point;
        if (!slice.high || point.y() > slice.high->y())
            slice.high = point;
    }

    const TrendStats stats = trend_.Stats();
    double low = stats.readings ? stats.min : 0;
    double high = stats.readings ? stats.max : 0;
    const double margin = std::max((high - low) * 0.1, (kLeastCurrentSpan - (high - low)) / 2);
    currentAxis_->setRange(low - margin, high + margin);
    currentAxis_->applyNiceNumbers();
    // The failure marks sit on the time axis.
    const double axisY = currentAxis_->min();

    // The line's segments: runs of slices with readings, between slices where ticks only failed.
    std::vector<QList<QPointF>> runs(1);
    QList<QPointF> marks;
    for (const Slice& slice : slices) {
        if (slice.low) {
            const bool lowFirst = slice.low->x() <= slice.high->x();
            runs.back() << (lowFirst ? *slice.low : *slice.high);
            if (*slice.low != *slice.high)
                runs.back() << (lowFirst ? *slice.high : *slice.low);
        } else if (slice.failedAt && !runs.back().isEmpty()) {
            runs.emplace_back();
        }
        if (slice.failedAt)
            marks << QPointF(double(*slice.failedAt), axisY);
    }
    if (runs.size() > 1 && runs.back().isEmpty())
        runs.pop_back();
    if (runs.size() > kMostSegments) {
        const size_t bridged = runs.size() - kMostSegments;
        for (size_t k = 1; k <= bridged; ++k)
            runs.front() << runs[k];
        runs.erase(runs.begin() + 1, runs.begin() + 1 + static_cast<std::ptrdiff_t>(bridged));
    }
    for (size_t k = 0; k < std::max(runs.size(), readings_.size()); ++k)
        Segment(k)->replace(k < runs.size() ? runs[k] : QList<QPointF>());
    failures_->replace(marks);
    timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(start), QDateTime::fromMSecsSinceEpoch(end));

    const QString none = ResText(kTrendNoValue);
    stats_->setText(ResText(kTrendStats)
                        .arg(stats.readings)
                        .arg(stats.failures)
                        .arg(stats.readings ? Amperes(stats.min, 1) : none,
                             stats.readings ? Amperes(stats.mean, 2) : none,
                             stats.readings ? Amperes(stats.max, 1) : none));
}

QLineSeries* CCurrentTrendDlg::Segment(size_t index) {
    while (readings_.size() <= index) {
        auto* series = new QLineSeries;
        chart_->addSeries(series);
        series->attachAxis(timeAxis_);
        series->attachAxis(currentAxis_);
        if (readings_.empty()) {
            series->setName(ResText(kTrendReadings));
        } else {
            series->setPen(readings_.front()->pen());
            for (QLegendMarker* marker : chart_->legend()->markers(series))
                marker->setVisible(false);
        }
        readings_.push_back(series);
    }
    return readings_[index];
}

void CCurrentTrendDlg::OnClickedClear() {
    trend_.Clear();
    Refresh();
}

QByteArray CCurrentTrendDlg::ToCsv() {
    return trend_.ToCsv();
}
