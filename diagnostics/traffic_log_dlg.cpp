// SPDX-License-Identifier: GPL-3.0-or-later
#include "traffic_log_dlg.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>

#include "diagnostics_texts.h"
#include "res_text.h"

namespace {

// Exchanges come up to a hundred a second; the table takes them in batches at most this often.
constexpr int kDrainMs = 100;
constexpr int kVisibleRows = 20;

// The widest text each column usually shows, for its width at the start.
const char* const kWidestCell[TrafficLogModel::ColumnCount] = {"00:00:00.000",
                                                               "COM10 (/dev/ttyUSB0)",
                                                               "19200",
                                                               "255",
                                                               "00 00 00 00 00 00 00 00",
                                                               "00 00 00 00 00 00 00 00",
                                                               "00 00 00 00 00 00 00",
                                                               kCauseOtherSender};

}  // namespace

CTrafficLogDlg::CTrafficLogDlg(ExchangeWatch& watch, QWidget* parent, Tell tell)
    : CToolWindow(parent, kTrafficLogCaption, kTrafficLogSaveTitle, std::move(tell)),
      watch_(watch) {
    view_ = new QTableView;
    view_->setModel(&model_);
    view_->setAccessibleName(ResText(kTrafficLogCaption));
    view_->setAccessibleDescription(ResText(kTrafficLogDescription));
    view_->setWordWrap(false);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    view_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Fixed row heights and column widths: the view never measures ten thousand rows.
    const QFontMetrics metrics(font());
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
    QHeaderView* header = view_->horizontalHeader();
    header->setStretchLastSection(true);
    header->setHighlightSections(false);
    int tableWidth = 0;
    for (int column = 0; column < TrafficLogModel::ColumnCount; ++column) {
        const QString title = model_.headerData(column, Qt::Horizontal).toString();
        const int width = std::max(metrics.horizontalAdvance(ResText(kWidestCell[column])),
                                   metrics.horizontalAdvance(title)) +
                          3 * metrics.averageCharWidth();
        header->resizeSection(column, width);
        tableWidth += width;
    }

    count_ = new QLabel;
    pause_ = MakeButton(kTrafficLogPause);
    connect(pause_, &QPushButton::clicked, this, &CTrafficLogDlg::OnClickedPause);
    const QVBoxLayout* layout = Lay(view_, count_, {pause_});
    ShowCount();

    drainTimer_.setSingleShot(true);
    drainTimer_.setInterval(kDrainMs);
    connect(&drainTimer_, &QTimer::timeout, this, &CTrafficLogDlg::Drain);

    const int scrollBar = view_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QMargins margins = layout->contentsMargins();
    resize(tableWidth + scrollBar + 2 * view_->frameWidth() + margins.left() + margins.right(),
           (kVisibleRows + 1) * view_->verticalHeader()->defaultSectionSize() +
               pause_->sizeHint().height() + layout->spacing() + margins.top() + margins.bottom());
}

CTrafficLogDlg::~CTrafficLogDlg() {
    StopRecording();
}

// A minimized window still records: only a real close (or hide) stops it.
void CTrafficLogDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous() && !paused_)
        StartRecording();
}

void CTrafficLogDlg::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        StopRecording();
}

void CTrafficLogDlg::StartRecording() {
    if (recording_)
        return;
    recording_ = true;
    // Runs on the exchanging thread, maybe the search worker's: it posts and goes on, and wakes
    // the window's thread only when the inbox was empty.
    watch_.Set([this](const ExchangeRecord& record) {
        if (inbox_.Post(record))
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (!drainTimer_.isActive())
                        drainTimer_.start();
                },
                Qt::QueuedConnection);
    });
}

// Once the observer is cleared no exchange reaches the inbox; what it holds happened before.
void CTrafficLogDlg::StopRecording() {
    if (!recording_)
        return;
    recording_ = false;
    watch_.Set(nullptr);
    Drain();
}

void CTrafficLogDlg::Drain() {
    std::vector<ExchangeRecord> records = inbox_.Take();
    if (records.empty())
        return;
    QScrollBar* bar = view_->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    const int dropped = model_.Append(std::move(records));
    if (following)
        view_->scrollToBottom();
    else
        bar->setValue(bar->value() - dropped);
    ShowCount();
}

void CTrafficLogDlg::OnClickedPause() {
    paused_ = !paused_;
    pause_->setText(ResText(paused_ ? kTrafficLogResume : kTrafficLogPause));
    if (paused_)
        StopRecording();
    else if (isVisible())
        StartRecording();
}

void CTrafficLogDlg::OnClickedClear() {
    inbox_.Take();
    model_.Clear();
    ShowCount();
}

QByteArray CTrafficLogDlg::ToCsv() {
    Drain();
    return model_.ToCsv();
}

void CTrafficLogDlg::ShowCount() {
    count_->setText(ResText(kTrafficLogRowCount).arg(model_.rowCount()));
}
