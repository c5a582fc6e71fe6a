// SPDX-License-Identifier: GPL-3.0-or-later
#include "sensor_line.h"

#include "port_info.h"
#include "registers.h"

namespace {

Result ValueRefused() {
    Result result;
    result.outcome = Outcome::BadValue;
    return result;
}

}  // namespace

std::string PortLabel(const LineSettings& line, const std::string& device) {
    if (!line.path.empty())
        return line.path;
    std::string label = "COM" + std::to_string(line.portNumber);
    if (!device.empty())
        label += " (" + device + ")";
    return label;
}

SensorLine::SensorLine(LinkState& link, const LineSettings& line) : link_(link), settings_(line) {
    Open();
}

// Every opener stores its result in the link, a failed open too. COMn is resolved afresh each
// time: after an adapter comes back it may stand for another device.
void SensorLine::Open() {
    opening_ = settings_.path.empty() ? OpenComPortWithReason(settings_.portNumber, settings_.baud)
                                      : OpenPortPath(settings_.path, settings_.baud);
    link_.port = opening_.handle;
    opening_.handle = PortHandle{};
    link_.portLabel = PortLabel(settings_, opening_.path);
    link_.baud = settings_.baud;
    if (!open())
        Tell(PortEvent::OpenFailed);
}

void SensorLine::Tell(PortEvent event) const {
    if (!link_.watch || !link_.watch->Watching())
        return;
    ExchangeRecord record;
    record.time = std::chrono::system_clock::now();
    record.portLabel = link_.portLabel;
    record.baud = link_.baud;
    record.event = event;
    if (event == PortEvent::OpenFailed) {
        record.openError = opening_.error;
        switch (opening_.error) {
            case OpenError::NoPermission: record.detail = opening_.group; break;
            case OpenError::Busy:
                // Who holds it, as far as the system says.
                if (const auto holders = PortHolders(opening_.path))
                    record.detail = HolderNames(*holders);
                break;
            case OpenError::Other: record.detail = SystemErrorText(opening_.osError); break;
            default: break;
        }
    }
    link_.watch->Report(record);
}

SensorLine::~SensorLine() {
    Close();
}

void SensorLine::Close() {
    ClosePort(link_.port);
}

LineHealth SensorLine::Recover() {
    if (open() && !LineHungUp(link_.port))
        return LineHealth::Healthy;
    if (open())
        Tell(PortEvent::HungUp);
    Close();
    Open();
    if (!open())
        return LineHealth::Down;
    Tell(PortEvent::Back);
    return LineHealth::Reopened;
}

// Every exchange starts on an empty line: a late reply to an earlier request, or the trailing byte
// of an over-long one, must not be taken for this one's reply. A line that is not open (its device
// gone and not back yet) makes no exchange at all.
Result SensorLine::Exchange(const RegisterRow& row, int address, int value) {
    Result result;
    if (!open()) {
        result.outcome = Outcome::PortFailed;
        result.opening = opening_;
        return result;
    }
    PurgePort(link_.port);
    if (!AddressInRange(address)) {
        // Only the low byte would be sent: 300 would reach device 44.
        result.outcome = Outcome::BadAddress;
        return result;
    }
    RegisterRow budgeted = row;
    if (settings_.budgetMs > 0)
        budgeted.budgetMs = settings_.budgetMs;
    result.exchange = TransactRowOn(link_, budgeted, address, value);
    result.outcome = result.exchange.accepted() ? Outcome::Done : Outcome::Failed;
    if (result.done() && row.function == FUNCTION_READ)
        result.word = link_.lastReadWord;
    return result;
}

Result SensorLine::ReadMeasurement(int address) {
    return Exchange(READ_MEASUREMENT, address, READ_MEASUREMENT.value);
}

Result SensorLine::ReadTurns(int address) {
    return Exchange(READ_TURNS, address, READ_TURNS.value);
}

Result SensorLine::SetAddress(int address, int newAddress) {
    if (!AddressInRange(newAddress))
        return ValueRefused();
    return Exchange(WRITE_ADDRESS, address, newAddress);
}

Result SensorLine::SetBaud(int address, int newBaud) {
    if (BaudIndex(newBaud) < 0)
        return ValueRefused();
    return Exchange(WRITE_BAUD, address, newBaud);
}

Result SensorLine::SetTurns(int address, int turns) {
    if (turns > TURNS_MAX || turns < TURNS_MIN)
        return ValueRefused();
    return Exchange(WRITE_TURNS, address, turns);
}

Result SensorLine::Zero(int address) {
    return Exchange(ZERO, address, ZERO.value);
}

Result SensorLine::Calibrate(int address) {
    return Exchange(CALIBRATE, address, CALIBRATE.value);
}
