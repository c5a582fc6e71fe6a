// SPDX-License-Identifier: GPL-3.0-or-later
// The commands of one exchange: read, read turns, set, zero, calibrate, with --verify's read-back.
#include "commands.h"

#include "interrupt.h"

#include "output.h"
#include "registers.h"

namespace {

// The reply of a read is in; say what it was.
void PrintCurrent(const CliOptions& o, int baud, int address, int word) {
    if (o.json)
        PrintJson({{"address", address}, {"baud", baud}, {"current_a", CurrentAmperes(word)}});
    else
        PrintLine(MeasurementText(word) + " A");
}

// A write the sensor acknowledged: read back what it should now show. The new address answers,
// the new rate answers, the turns read back as written.
int Verify(const CliOptions& o, SensorLine& sensor, std::string& verified) {
    int address = o.address;
    Result result;
    std::string expected;
    switch (o.command) {
        case Command::SetAddress:
            address = o.value;
            expected = "address " + std::to_string(address);
            result = sensor.ReadMeasurement(address);
            break;
        case Command::SetBaud: {
            expected = std::to_string(o.value) + " baud";
            LineSettings line = o.line;
            line.baud = o.value;
            sensor.Close();  // exclusive: the port must be free for the new rate
            LinkState link;
            SensorLine atNewRate(link, line);
            if (!atNewRate.open())
                return ReportPortFailure(line, atNewRate.opening());
            result = atNewRate.ReadMeasurement(address);
            break;
        }
        case Command::SetTurns:
            expected = "turns " + std::to_string(o.value);
            result = sensor.ReadTurns(address);
            if (result.done() && TurnsValue(result.word) != o.value) {
                PrintError(result.exchange.portLabel + ": " + expected +
                           " was acknowledged but did not take: the sensor reads back " +
                           std::to_string(TurnsValue(result.word)));
                return EXIT_SENSOR;
            }
            verified = "reads back " + std::to_string(TurnsValue(result.word));
            break;
        default: return EXIT_DONE;
    }
    if (!result.done()) {
        PrintError(result.exchange.portLabel + ": " + expected +
                   " was acknowledged but did not take: address " + std::to_string(address) +
                   " at " + std::to_string(result.exchange.baud) +
                   " baud: " + DescribeCause(result.exchange));
        return EXIT_SENSOR;
    }
    if (verified.empty())
        verified = "reads " + MeasurementText(result.word) + " A";
    return EXIT_DONE;
}

std::string Confirmation(const CliOptions& o) {
    switch (o.command) {
        case Command::SetAddress: return "address set to " + std::to_string(o.value);
        case Command::SetBaud: return "baud rate set to " + std::to_string(o.value);
        case Command::SetTurns: return "turns set to " + std::to_string(o.value);
        case Command::Zero: return "zeroed";
        case Command::Calibrate: return "calibrated";
        default: return {};
    }
}

Result Run(const CliOptions& o, SensorLine& sensor) {
    switch (o.command) {
        case Command::Read: return sensor.ReadMeasurement(o.address);
        case Command::ReadTurns: return sensor.ReadTurns(o.address);
        case Command::SetAddress: return sensor.SetAddress(o.address, o.value);
        case Command::SetBaud: return sensor.SetBaud(o.address, o.value);
        case Command::SetTurns: return sensor.SetTurns(o.address, o.value);
        case Command::Zero: return sensor.Zero(o.address);
        case Command::Calibrate: return sensor.Calibrate(o.address);
        default: return Result{};
    }
}

}  // namespace

int RunSingle(const CliOptions& o) {
    // A stop that comes during the exchange takes effect once the port is closed again: the port
    // is never left held (or exclusive) by a program that died with it open.
    InterruptWatch interrupt;
    LinkState link;
    SensorLine sensor(link, o.line);
    if (!sensor.open())
        return ReportPortFailure(o.line, sensor.opening());
    const Result result = Run(o, sensor);
    if (!result.done()) {
        // The command line was checked against the same ranges, so only the exchange can fail.
        return ReportExchangeFailure(result.exchange, o.address);
    }
    if (o.command == Command::Read) {
        PrintCurrent(o, o.line.baud, o.address, result.word);
        return EXIT_DONE;
    }
    if (o.command == Command::ReadTurns) {
        const int turns = TurnsValue(result.word);
        o.json ? PrintJson({{"turns", turns}})
               : PrintLine(std::to_string(turns) + (turns == 1 ? " turn" : " turns"));
        return EXIT_DONE;
    }
    std::string verified;
    if (o.verify) {
        if (const int status = Verify(o, sensor, verified); status != EXIT_DONE)
            return status;
    }
    if (o.json) {
        nlohmann::ordered_json done{{"ok", true}};
        if (o.verify)
            done["verified"] = true;
        PrintJson(done);
    } else {
        PrintLine(Confirmation(o) + (verified.empty() ? "" : "; verified: " + verified));
    }
    return EXIT_DONE;
}
