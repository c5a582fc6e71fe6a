// SPDX-License-Identifier: GPL-3.0-or-later
#include "traffic_log_dlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>

#include "csv_file.h"
#include "dialog_builder.h"

namespace {

constexpr const char* kCaption = "通讯记录";
constexpr const char* kPause = "暂停";
constexpr const char* kResume = "继续";
constexpr const char* kClear = "清除";
constexpr const char* kSave = "保存...";
constexpr const char* kSaveTitle = "保存通讯记录";
constexpr const char* kRowCount = "共 %1 条";

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
                                                               "成功（地址或功能码不符）"};

QPushButton* AddButton(QHBoxLayout* row, const char* text) {
    auto* button = new QPushButton(QString::fromUtf8(text));
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}

}  // namespace

CTrafficLogDlg::CTrafficLogDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(kCaption));
    setFont(DialogFont(9));
    setSizeGripEnabled(true);

    view_ = new QTableView;
    view_->setModel(&model_);
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
        const int width =
            std::max(metrics.horizontalAdvance(QString::fromUtf8(kWidestCell[column])),
                     metrics.horizontalAdvance(title)) +
            3 * metrics.averageCharWidth();
        header->resizeSection(column, width);
        tableWidth += width;
    }

    auto* buttons = new QHBoxLayout;
    count_ = new QLabel;
    buttons->addWidget(count_);
    buttons->addStretch();
    pause_ = AddButton(buttons, kPause);
    connect(pause_, &QPushButton::clicked, this, &CTrafficLogDlg::OnClickedPause);
    connect(AddButton(buttons, kClear), &QPushButton::clicked, this,
            &CTrafficLogDlg::OnClickedClear);
    connect(AddButton(buttons, kSave), &QPushButton::clicked, this, &CTrafficLogDlg::OnClickedSave);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_);
    layout->addLayout(buttons);
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
    SetExchangeObserver([this](const ExchangeRecord& record) {
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
    SetExchangeObserver(nullptr);
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
    pause_->setText(QString::fromUtf8(paused_ ? kResume : kPause));
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

void CTrafficLogDlg::OnClickedSave() {
    Drain();
    const QString path =
        AskCsvPath(this, QString::fromUtf8(kSaveTitle), QString::fromUtf8(kCaption));
    if (!path.isEmpty())
        SaveCsvFile(path, model_.ToCsv());
}

void CTrafficLogDlg::ShowCount() {
    count_->setText(QString::fromUtf8(kRowCount).arg(model_.rowCount()));
}
