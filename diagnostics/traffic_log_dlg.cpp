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

CTrafficLogDlg::CTrafficLogDlg(TrafficLog& log, QWidget* parent, Tell tell)
    : CToolWindow(parent, kTrafficLogCaption, kTrafficLogSaveTitle, std::move(tell)), log_(log) {
    view_ = new QTableView;
    view_->setModel(&log_.model());
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
        const QString title = log_.model().headerData(column, Qt::Horizontal).toString();
        const int width = std::max(metrics.horizontalAdvance(ResText(kWidestCell[column])),
                                   metrics.horizontalAdvance(title)) +
                          3 * metrics.averageCharWidth();
        header->resizeSection(column, width);
        tableWidth += width;
    }

    count_ = new QLabel;
    pause_ = MakeButton(log_.paused() ? kTrafficLogResume : kTrafficLogPause);
    connect(pause_, &QPushButton::clicked, this, &CTrafficLogDlg::OnClickedPause);
    const QVBoxLayout* layout = Lay(view_, count_, {pause_});
    ShowCount();

    // New rows scroll the view along unless the operator has scrolled up; then the rows shown
    // stay in view while the oldest leave the top. A closed log is brought to the end when shown.
    connect(&log_, &TrafficLog::RowsComing, this, [this] {
        const QScrollBar* bar = view_->verticalScrollBar();
        following_ = bar->value() == bar->maximum();
    });
    connect(&log_, &TrafficLog::RowsCame, this, [this](int dropped) {
        if (!isVisible())
            return;
        if (following_)
            view_->scrollToBottom();
        else
            view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->value() - dropped);
        ShowCount();
    });

    const int scrollBar = view_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QMargins margins = layout->contentsMargins();
    resize(tableWidth + scrollBar + 2 * view_->frameWidth() + margins.left() + margins.right(),
           (kVisibleRows + 1) * view_->verticalHeader()->defaultSectionSize() +
               pause_->sizeHint().height() + layout->spacing() + margins.top() + margins.bottom());
}

// Opened after the rows came together, it shows the newest.
void CTrafficLogDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        log_.Drain();
        view_->scrollToBottom();
        ShowCount();
    }
}

void CTrafficLogDlg::OnClickedPause() {
    log_.SetPaused(!log_.paused());
    pause_->setText(ResText(log_.paused() ? kTrafficLogResume : kTrafficLogPause));
}

void CTrafficLogDlg::OnClickedClear() {
    log_.Clear();
    ShowCount();
}

QByteArray CTrafficLogDlg::ToCsv() {
    log_.Drain();
    return log_.model().ToCsv();
}

void CTrafficLogDlg::ShowCount() {
    count_->setText(ResText(kTrafficLogRowCount).arg(log_.model().rowCount()));
}
