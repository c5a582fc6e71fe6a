// SPDX-License-Identifier: GPL-3.0-or-later
// The sensor operations, free of any window: read the measurement or the turns, set the address,
// the baud rate or the turns, zero, calibrate. The window, tessalyctl and the tests share them.
// Each runs on a line opened for it (a SensorLine), makes the range checks the window makes, one
// exchange with the window's budget, and reports in a closed set of outcomes.
#pragma once

#include <string>

#include "exchange.h"
#include "link_state.h"
#include "registers.h"
#include "serial_port.h"

// Where the sensor is: COMn, or a device path given directly (which then wins), at a rate.
struct LineSettings {
    int portNumber = 1;
    std::string path;
    int baud = 9600;
    int budgetMs = 0;  // the wait for each reply; 0: each operation's own, as the window waits
};

// "COM3" or the path as given; with the device behind COMn when known: "COM3 (/dev/ttyUSB0)".
std::string PortLabel(const LineSettings& line, const std::string& device = {});

enum class Outcome {
    Done,        // the sensor accepted
    PortFailed,  // the port could not be opened: see Result::opening
    BadValue,    // the value to write is out of its range; nothing was sent
    BadAddress,  // the device address is out of 0..255; nothing was sent
    Failed,      // the exchange was made and no reply was accepted: see Result::exchange
};

struct Result {
    Outcome outcome = Outcome::Done;
    PortOpening opening;      // PortFailed: why (the handle in it is empty)
    ExchangeRecord exchange;  // Done and Failed: the exchange as it happened
    int word = 0;             // Done, for a read: the word read

    bool done() const { return outcome == Outcome::Done; }
};

// What a line held open for a run of readings (the window's acquisition, tessalyctl monitor) is
// like before the next reading.
enum class LineHealth {
    Healthy,   // open and usable
    Reopened,  // it had hung up or was closed, and the same port opened again
    Down,      // it had hung up or was closed, and the port cannot be opened now
};

// A line open to the sensor for the life of the object: opened at construction (check open()),
// closed at destruction, in every path. The port is held in the LinkState it is given: the
// caller's own.
class SensorLine {
public:
    SensorLine(LinkState& link, const LineSettings& line);
    ~SensorLine();
    SensorLine(const SensorLine&) = delete;
    SensorLine& operator=(const SensorLine&) = delete;

    bool open() const { return static_cast<bool>(link_.port); }
    // How the (last) open went; its handle is empty.
    const PortOpening& opening() const { return opening_; }
    const LineSettings& settings() const { return settings_; }
    LinkState& link() { return link_; }

    // Each operation purges the line first, so that a late reply to an earlier request is never
    // taken for its own; on a line that is not open it is PortFailed and sends nothing.
    // The measurement's word is in Result::word (MeasurementText shows it).
    Result ReadMeasurement(int address);
    Result ReadTurns(int address);  // TurnsValue(word) is the count
    Result SetAddress(int address, int newAddress);
    Result SetBaud(int address, int newBaud);
    Result SetTurns(int address, int turns);
    Result Zero(int address);
    Result Calibrate(int address);

    // A pulled adapter leaves a hung-up line that no later read can use, and while it is away the
    // port cannot be opened: a line that hung up (or was closed) is closed and the same COMn opened
    // again at the same rate, so that a run of readings resumes by itself once the device is back.
    // The hang-up, each failed open and the line back are reported as the link's port events.
    LineHealth Recover();
    void Close();

private:
    void Open();
    // Reports an event of the port where the link's exchanges are reported, if anywhere.
    void Tell(PortEvent event) const;
    Result Exchange(const RegisterRow& row, int address, int value);

    LinkState& link_;
    LineSettings settings_;
    PortOpening opening_;
};

// Open, run one operation, close: for callers that need nothing between the steps.
//   Result r = WithLine(link, line, [&](SensorLine& s) { return s.Zero(address); });
template <class Operation>
Result WithLine(LinkState& link, const LineSettings& line, Operation operation) {
    SensorLine sensor(link, line);
    if (!sensor.open()) {
        Result failed;
        failed.outcome = Outcome::PortFailed;
        failed.opening = sensor.opening();
        return failed;
    }
    return operation(sensor);
}
