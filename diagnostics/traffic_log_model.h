// SPDX-License-Identifier: GPL-3.0-or-later
// The traffic log's rows: the last exchanges, oldest first, formatted only when a view asks for a
// cell, so that ten thousand rows cost their records and nothing more.
#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <deque>
#include <vector>

#include "exchange.h"

// The result column's text for an exchange (成功, 无应答, 应答不完整（n 字节）, ...) or for an
// event of the port (线路断开, 打开串口失败：设备不存在, ...).
QString CauseText(const ExchangeRecord& record);

class TrafficLogModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Time, Port, Baud, Address, Request, Echo, Reply, Cause, ColumnCount };
    static constexpr int kMaxRows = 10000;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Adds the records at the end and drops the oldest beyond kMaxRows. Returns how many rows
    // left the top, so that a view scrolled up can stay on the rows it shows.
    int Append(std::vector<ExchangeRecord> records);
    void Clear();
    // Every row as CSV in UTF-8: a header line, then the columns as shown, the time with its date.
    QByteArray ToCsv() const;

private:
    std::deque<ExchangeRecord> rows_;
};
