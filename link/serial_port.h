// SPDX-License-Identifier: GPL-3.0-or-later
// The serial line to the sensor: open a numbered COMn port (or a device path) exclusively with
// the sensor's line settings, wait for received bytes, read, write, purge, close. The platform
// backend lives in one file per platform (serial_port_posix.cpp, serial_port_win32.cpp); callers
// never see which one they got.
#pragma once

#include <cstdint>
#include <string>

// An open serial port, or nothing. A small value type: an empty handle converts to false.
// ClosePort empties the handle it is given, so a stale descriptor number (which POSIX reuses at
// once) is never closed a second time through that slot. The native value belongs to the backend:
// the file descriptor on POSIX, the port's record (comm handle, bytes read ahead) on Windows, the
// connection's record for a line through a serial device server (`remote`).
class PortHandle {
public:
    PortHandle() = default;
    // `setExclusive`: this handle set the tty's exclusive flag and must clear it on close.
    explicit PortHandle(std::intptr_t native, bool setExclusive = false)
        : native_(native), setExclusive_(setExclusive) {}
    static PortHandle Remote(std::intptr_t record) {
        PortHandle handle(record);
        handle.remote_ = true;
        return handle;
    }

    explicit operator bool() const { return native_ != kEmpty; }
    std::intptr_t native() const { return native_; }
    bool setExclusive() const { return setExclusive_; }
    bool remote() const { return remote_; }

    friend bool operator==(const PortHandle&, const PortHandle&) = default;

private:
    static constexpr std::intptr_t kEmpty = -1;
    std::intptr_t native_ = kEmpty;
    bool setExclusive_ = false;
    bool remote_ = false;
};

// Why a port could not be opened, as the reasons a person can act on. Each backend maps its
// system's error codes to these once.
enum class OpenError {
    None,
    NoDevice,      // nothing behind COMn, or the path does not exist
    Busy,          // another program holds the port
    NoPermission,  // this user may not open it; `group` names the group that may
    NotSerial,     // the path is not a serial device
    RateRefused,   // the port refused the line settings
    BadUrl,        // a remote port's name that is not rfc2217://HOST:PORT or tcp://HOST:PORT
    UnknownHost,   // the server's name does not resolve
    Refused,       // nothing listens at the server's TCP port
    Unreachable,   // no route to the server
    TimedOut,      // the server did not answer within REMOTE_OPEN_BUDGET_MS
    NotRfc2217,    // the server does not speak the Telnet COM-PORT-OPTION
    Other,         // anything else; `osError` holds the system's code
};

// How long an open of a remote port may take: connecting, and for RFC 2217 setting the line.
constexpr int REMOTE_OPEN_BUDGET_MS = 3000;

// The result of an open: the handle, or why there is none.
struct PortOpening {
    PortHandle handle;
    OpenError error = OpenError::None;
    std::string path;   // the device that was tried; "" when COMn maps to nothing
    std::string group;  // NoPermission: the group that owns the device ("" if unknown)
    int osError = 0;    // the system's error code behind the reason, when there was one

    explicit operator bool() const { return static_cast<bool>(handle); }
};

// Opens COMn exclusively at 8N1 and baudRate, DTR dropped, both queues purged. Returns an empty
// handle when the port is absent, busy, or refuses the settings.
PortHandle OpenComPort(int portNumber, int baudRate);

// The same open, saying why it failed.
PortOpening OpenComPortWithReason(int portNumber, int baudRate);

// The same open of a device given by its path, or of a remote port given by its URL (port_url.h):
// connected within REMOTE_OPEN_BUDGET_MS, without Nagle's delay; through RFC 2217 the server sets
// 8N1 at baudRate with no flow control and confirms each setting; through raw TCP the rate is the
// server's and baudRate only what the timing assumes. A server that closes at once (or writes its
// refusal and closes) is Busy.
PortOpening OpenPortPath(const std::string& path, int baudRate);

// Changes the rate of an open RFC 2217 line in place and drops what is queued, so that a search
// need not connect again for every rate. False when the server keeps another rate, the line is
// gone, or the handle is not an RFC 2217 line (a local port is opened again at the new rate).
bool SetRemoteRate(const PortHandle& handle, int baudRate);

// Whether the device could be opened now, found by taking it as an open would and letting it go
// at once, without touching its line settings (to list ports without disturbing them). The same
// reasons as an open, never RateRefused; the handle in the result is always empty. A real UART's
// driver may still raise its modem lines while it is open.
PortOpening ProbePortPath(const std::string& path);

// The system's own words for one of its error codes (errno on POSIX, GetLastError on Windows).
std::string SystemErrorText(int osError);

// The reason in a sentence a person can act on, without the port's name, e.g. "permission
// denied; add yourself to the group dialout and log in again". "" for OpenError::None.
std::string DescribeOpenError(const PortOpening& opening);

// The reason as a word a script can compare: "no_device", "busy", "permission", "not_serial",
// "rate_refused", "bad_url", "unknown_host", "refused", "unreachable", "timed_out",
// "not_rfc2217", "other"; "" for OpenError::None.
const char* OpenErrorCode(OpenError error);

// Waits until at least `count` received bytes are queued (not yet read) or budgetMs has passed.
// Returns the number queued at that moment, which may exceed `count`. Never fails: an empty
// handle or a broken line simply yields a short count after the budget. A wait also ends at once
// while `stopFd` (when not -1) is set, so that a stop asked for by a signal does not wait out a
// long budget: on POSIX a descriptor that is then readable, on Windows an event (its handle as
// HandleToLong gives it) that is then signalled. A remote line on Windows does not watch it.
int WaitForInput(const PortHandle& handle, int count, int budgetMs, int stopFd = -1);

// True when the line has hung up for good: the device is gone (an adapter pulled out) or the
// other end of a pseudo-terminal closed. Reopening the port is the only way back.
bool LineHungUp(const PortHandle& handle);

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
