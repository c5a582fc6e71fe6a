// SPDX-License-Identifier: GPL-3.0-or-later
#include "traffic_log_model.h"

#include <QBrush>
#include <QDateTime>
#include <iterator>

#include "csv_field.h"
#include "diagnostics_texts.h"
#include "res_text.h"

namespace {

const auto& kHeaders = kTrafficLogHeaders;
static_assert(std::size(kTrafficLogHeaders) == TrafficLogModel::ColumnCount);

QString Hex(const uint8_t* bytes, size_t count) {
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(count))
            .toHex(' ')
            .toUpper());
}

QDateTime LocalTime(const ExchangeRecord& record) {
    using namespace std::chrono;
    return QDateTime::fromMSecsSinceEpoch(
        duration_cast<milliseconds>(record.time.time_since_epoch()).count());
}

QString Cell(const ExchangeRecord& record, int column) {
    // A port's event has its time, port and rate, and what became of the port as its result.
    if (record.event != PortEvent::None && column != TrafficLogModel::Time &&
        column != TrafficLogModel::Port && column != TrafficLogModel::Baud)
        return column == TrafficLogModel::Cause ? CauseText(record) : QString();
    switch (column) {
        case TrafficLogModel::Time:
            return LocalTime(record).toString(QStringLiteral("hh:mm:ss.zzz"));
        case TrafficLogModel::Port: return QString::fromStdString(record.portLabel);
        case TrafficLogModel::Baud: return QString::number(record.baud);
        case TrafficLogModel::Address: return QString::number(record.request[0]);
        case TrafficLogModel::Request: return Hex(record.request.data(), record.request.size());
        // An echoing adapter's copy of the request, apart from the reply: it tells which kind of
        // adapter is on the line.
        case TrafficLogModel::Echo: return Hex(record.echo.data(), record.echo.size());
        case TrafficLogModel::Reply: return Hex(record.reply.data(), record.reply.size());
        case TrafficLogModel::Cause: return CauseText(record);
        default: return {};
    }
}

// The protocol's name for an exception code, nullptr for the codes it leaves unassigned.
const char* ExceptionText(int code) {
    switch (code) {
        case 0x01: return kExceptionIllegalFunction;
        case 0x02: return kExceptionIllegalAddress;
        case 0x03: return kExceptionIllegalValue;
        case 0x04: return kExceptionDeviceFailure;
        case 0x05: return kExceptionAcknowledge;
        case 0x06: return kExceptionDeviceBusy;
        case 0x08: return kExceptionParityError;
        case 0x0A: return kExceptionGatewayPath;
        case 0x0B: return kExceptionGatewayTarget;
        default: return nullptr;
    }
}

QString ExceptionCauseText(const ExchangeRecord& record) {
    const int code = ExceptionCode(record);
    const QString hex = QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper();
    const char* name = ExceptionText(code);
    return name ? ResText(kCauseException).arg(hex, ResText(name))
                : ResText(kCauseExceptionUnnamed).arg(hex);
}

QString OpenFailureText(const ExchangeRecord& record) {
    const QString detail = QString::fromStdString(record.detail);
    switch (record.openError) {
        case OpenError::NoDevice: return ResText(kOpenNoDevice);
        case OpenError::Busy:
            return detail.isEmpty() ? ResText(kOpenBusy) : ResText(kOpenBusyBy).arg(detail);
        case OpenError::NoPermission:
            return detail.isEmpty() ? ResText(kOpenNoPermission)
                                    : ResText(kOpenNoPermissionGroup).arg(detail);
        case OpenError::NotSerial: return ResText(kOpenNotSerial);
        case OpenError::RateRefused: return ResText(kOpenRateRefused);
        case OpenError::BadUrl: return ResText(kOpenBadUrl);
        case OpenError::UnknownHost: return ResText(kOpenUnknownHost);
        case OpenError::Refused: return ResText(kOpenRefused);
        case OpenError::Unreachable: return ResText(kOpenUnreachable);
        case OpenError::TimedOut: return ResText(kOpenTimedOut);
        case OpenError::NotRfc2217: return ResText(kOpenNotRfc2217);
        case OpenError::Other:
        case OpenError::None: break;
    }
    return ResText(kOpenOther).arg(detail);
}

QString EventText(const ExchangeRecord& record) {
    switch (record.event) {
        case PortEvent::OpenFailed: return ResText(kEventOpenFailed).arg(OpenFailureText(record));
        case PortEvent::HungUp: return ResText(kEventHungUp);
        case PortEvent::Back: return ResText(kEventBack);
        case PortEvent::None: break;
    }
    return {};
}

}  // namespace

QString CauseText(const ExchangeRecord& record) {
    if (record.event != PortEvent::None)
        return EventText(record);
    const int bytes = std::max(record.queued, static_cast<int>(record.reply.size()));
    switch (record.cause) {
        case ExchangeCause::Accepted: return ResText(kCauseAccepted);
        case ExchangeCause::OtherSender: return ResText(kCauseOtherSender);
        case ExchangeCause::NoReply: return ResText(kCauseNoReply);
        case ExchangeCause::Short: return ResText(kCauseShort).arg(bytes);
        case ExchangeCause::Exception: return ExceptionCauseText(record);
        case ExchangeCause::TooLong: return ResText(kCauseTooLong);
        case ExchangeCause::BadCheck: return ResText(kCauseBadCheck);
        case ExchangeCause::EchoCorrupted: return ResText(kCauseEchoCorrupted);
        case ExchangeCause::EchoNoReply: return ResText(kCauseEchoNoReply);
        case ExchangeCause::LateAnswer: return ResText(kCauseLateAnswer);
    }
    return {};
}

int TrafficLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TrafficLogModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrafficLogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ExchangeRecord& record = rows_[static_cast<size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole: return Cell(record, index.column());
        case Qt::ForegroundRole:
            // A failed exchange, or a port that failed, stands out when scrolling through a long
            // run of good ones.
            return record.accepted() || record.event == PortEvent::Back
                       ? QVariant()
                       : QVariant(QBrush(Qt::darkRed));
        default: return {};
    }
}

QVariant TrafficLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return ResText(kHeaders[section]);
}

int TrafficLogModel::Append(std::vector<ExchangeRecord> records) {
    if (records.empty())
        return 0;
    // Only the newest kMaxRows of the batch can stay.
    if (records.size() > static_cast<size_t>(kMaxRows))
        records.erase(records.begin(), records.end() - kMaxRows);
    const int overflow = rowCount() + static_cast<int>(records.size()) - kMaxRows;
    if (overflow > 0) {
        beginRemoveRows({}, 0, overflow - 1);
        rows_.erase(rows_.begin(), rows_.begin() + overflow);
        endRemoveRows();
    }
    beginInsertRows({}, rowCount(), rowCount() + static_cast<int>(records.size()) - 1);
    for (ExchangeRecord& record : records)
        rows_.push_back(std::move(record));
    endInsertRows();
    return std::max(overflow, 0);
}

void TrafficLogModel::Clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

QByteArray TrafficLogModel::ToCsv() const {
    QByteArray csv;
    for (int column = 0; column < ColumnCount; ++column)
        csv += (column ? "," : "") + ResText(kHeaders[column]).toUtf8();
    csv += '\n';
    for (const ExchangeRecord& record : rows_) {
        for (int column = 0; column < ColumnCount; ++column) {
            const QString text =
                column == Time
                    ? LocalTime(record).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"))
                    : Cell(record, column);
            csv += (column ? "," : "") + QByteArray::fromStdString(CsvField(text.toStdString()));
        }
        csv += '\n';
    }
    return csv;
}
