// The serial line to the sensor: open a numbered COMn port exclusively with the sensor's line
// settings, wait for received bytes, read, write, purge, close. The platform backend lives in
// one file per platform (serial_port_posix.cpp, later serial_port_win32.cpp); callers never see
// which one they got.
#pragma once

#include <cstdint>
#include <string>

// An open serial port, or nothing. A small value type: an empty handle converts to false.
// ClosePort empties the handle it is given, so a stale descriptor number (which POSIX reuses at
// once) is never closed a second time through that slot.
class PortHandle {
public:
    PortHandle() = default;
    explicit PortHandle(std::intptr_t native) : native_(native) {}

    explicit operator bool() const { return native_ != kEmpty; }
    std::intptr_t native() const { return native_; }

    friend bool operator==(const PortHandle&, const PortHandle&) = default;

private:
    static constexpr std::intptr_t kEmpty = -1;
    std::intptr_t native_ = kEmpty;
};

// Opens COMn exclusively at 8N1 and baudRate, DTR dropped, both queues purged. Returns an empty
// handle when the port is absent, busy, or refuses the settings.
PortHandle OpenComPort(int portNumber, int baudRate);

// Waits until at least `count` received bytes are queued (not yet read) or budgetMs has passed.
// Returns the number queued at that moment, which may exceed `count`. Never fails: an empty
// handle or a broken line simply yields a short count after the budget.
int WaitForInput(const PortHandle& handle, int count, int budgetMs);

// Releases the port and empties the handle; closing an empty handle does nothing.
void ClosePort(PortHandle& handle);

// Drops everything queued in both directions.
void PurgePort(const PortHandle& handle);

// Writes the bytes within the write time-out (50 ms per byte + 100 ms). Returns the count written.
int WritePort(const PortHandle& handle, const uint8_t* bytes, int length);

// Reads up to `length` bytes within the read time-outs (100 ms between bytes, 5 ms per byte +
// 5 ms in total). Returns the count read, 0 when nothing came.
int ReadPort(const PortHandle& handle, uint8_t* bytes, int length);

// The device that COMn stands for on this machine, or "" when nothing is there.
std::string ComPortPath(int portNumber);
