// SPDX-License-Identifier: GPL-3.0-or-later
#include "current_trend_dlg.h"

#include <QDateTime>
#include <QLabel>
#include <limits>

#include "diagnostics_texts.h"
#include "qcustomplot_include.h"
#include "res_text.h"

namespace {

constexpr qint64 kSpanMs = std::chrono::milliseconds(CurrentTrend::kSpan).count();
// Until ten minutes have come together the time axis spans the ticks there are, but at least this.
constexpr qint64 kLeastSpanMs = 10'000;
constexpr int kRedrawMs = 500;
constexpr double kLeastCurrentSpan = 1.0;  // amperes shown around a steady current
const QColor kReadingsColour(0x20, 0x9f, 0xdf);

QString Amperes(double value, int decimals) {
    return QString::number(value, 'f', decimals) + QStringLiteral(" A");
}

// The time axis counts seconds since the epoch, as QCustomPlot's date ticker does.
double Seconds(qint64 ms) {
    return double(ms) / 1000.0;
}

void UseFont(QCPAxis* axis, const QFont& font) {
    axis->setTickLabelFont(font);
    axis->setLabelFont(font);
}

}  // namespace

CCurrentTrendDlg::CCurrentTrendDlg(QWidget* parent, Tell tell)
    : CToolWindow(parent, kTrendCaption, kTrendSaveTitle, std::move(tell)) {
    const QFont font = this->font();

    plot_ = new QCustomPlot;
    plot_->setAccessibleName(ResText(kTrendCaption));
    plot_->setAccessibleDescription(ResText(kTrendDescription));
    plot_->setAntialiasedElements(QCP::aePlottables);
    // The legend in a row of its own above the axes, so that it never hides the newest readings.
    plot_->legend->setVisible(true);
    plot_->legend->setFont(font);
    plot_->legend->setFillOrder(QCPLegend::foColumnsFirst);
    plot_->legend->setBorderPen(Qt::NoPen);
    plot_->plotLayout()->insertRow(0);
    plot_->plotLayout()->addElement(0, 0, plot_->legend);
    plot_->plotLayout()->setRowStretchFactor(0, 0.001);

    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    ticker->setDateTimeFormat(QStringLiteral("hh:mm:ss"));
    ticker->setTickCount(5);
    plot_->xAxis->setTicker(ticker);
    UseFont(plot_->xAxis, font);
    plot_->yAxis->setLabel(ResText(kTrendCurrentTitle));
    plot_->yAxis->setNumberFormat(QStringLiteral("f"));
    plot_->yAxis->setNumberPrecision(1);
    UseFont(plot_->yAxis, font);

    readings_ = plot_->addGraph();
    readings_->setName(ResText(kTrendReadings));
    readings_->setPen(QPen(kReadingsColour, 2));
    failures_ = plot_->addGraph();
    failures_->setName(ResText(kTrendFailures));
    failures_->setLineStyle(QCPGraph::lsNone);
    failures_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssSquare, Qt::red, Qt::red, 7));

    stats_ = new QLabel;
    Lay(plot_, stats_, {});

    redrawTimer_.setSingleShot(true);
    redrawTimer_.setInterval(kRedrawMs);
    connect(&redrawTimer_, &QTimer::timeout, this, &CCurrentTrendDlg::Redraw);
    Redraw();
    resize(720, 420);
}

void CCurrentTrendDlg::AddTick(TrendClock::time_point time, std::optional<double> amperes) {
    if (!isVisible())
        return;
    trend_.Add(time, amperes);
    ScheduleRedraw();
}

void CCurrentTrendDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Redraw();
}

void CCurrentTrendDlg::ScheduleRedraw() {
    if (!redrawTimer_.isActive())
        redrawTimer_.start();
}

// Every tick is drawn: QCustomPlot thins a long line to what its pixels can show. A failed tick is
// a gap in the line (QCustomPlot breaks a line at a NaN) and a mark of its own.
void CCurrentTrendDlg::Redraw() {
    const auto& samples = trend_.samples();
    const qint64 end =
        samples.empty() ? QDateTime::currentMSecsSinceEpoch() : TrendMs(samples.back().time);
    const qint64 first = samples.empty() ? end : TrendMs(samples.front().time);
    const qint64 span = std::clamp(end - first, kLeastSpanMs, kSpanMs);

    const TrendStats stats = trend_.Stats();
    const double low = stats.readings ? stats.min : 0;
    const double high = stats.readings ? stats.max : 0;
    const double margin = std::max((high - low) * 0.1, (kLeastCurrentSpan - (high - low)) / 2);
    plot_->yAxis->setRange(low - margin, high + margin);
    const double foot = plot_->yAxis->range().lower;

    QVector<double> times, currents, failedTimes;
    times.reserve(qsizetype(samples.size()));
    currents.reserve(qsizetype(samples.size()));
    for (const TrendSample& sample : samples) {
        const double time = Seconds(TrendMs(sample.time));
        times << time;
        currents << sample.amperes.value_or(std::numeric_limits<double>::quiet_NaN());
        if (!sample.amperes)
            failedTimes << time;
    }
    readings_->setData(times, currents, true);
    failures_->setData(failedTimes, QVector<double>(failedTimes.size(), foot), true);
    plot_->xAxis->setRange(Seconds(end - span), Seconds(end));
    plot_->replot(QCustomPlot::rpQueuedReplot);

    const QString none = ResText(kTrendNoValue);
    stats_->setText(ResText(kTrendStats)
                        .arg(stats.readings)
                        .arg(stats.failures)
                        .arg(stats.readings ? Amperes(stats.min, 1) : none,
                             stats.readings ? Amperes(stats.mean, 2) : none,
                             stats.readings ? Amperes(stats.max, 1) : none));
}

void CCurrentTrendDlg::OnClickedClear() {
    trend_.Clear();
    Redraw();
}

QByteArray CCurrentTrendDlg::ToCsv() {
    return trend_.ToCsv();
}
