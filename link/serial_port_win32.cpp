// SPDX-License-Identifier: GPL-3.0-or-later
// Win32 backend of the serial port: the comm functions themselves. The port is opened overlapped;
// reads and writes wait for their own completion, so to callers they are blocking calls bounded
// by the COMMTIMEOUTS set at open.
//
// WaitForInput waits by reading: an overlapped ReadFile for the missing bytes, bounded by a total
// time-out of the budget left, ends the moment the last of them arrives and costs nothing while
// the line is silent. The bytes it takes wait in the port's record until ReadPort asks for them.
// The textbook wait, WaitCommEvent on EV_RXCHAR, is not used: Wine's version ends at once with an
// error on a port without modem lines (the pseudo-terminals the tests use), which would turn the
// wait into a busy loop, and on other ports it polls every millisecond in a thread of its own.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "port_backends.h"
#include "port_timing.h"

namespace {

// The port's COMMTIMEOUTS (port_timing.h): the sensor's replies are short and come at once.
using namespace port_timing;

// What the backend keeps for an open port. PortHandle's native value points to it.
struct Port {
    HANDLE comm = INVALID_HANDLE_VALUE;
    std::vector<uint8_t> ahead;  // bytes WaitForInput took from the driver, not yet read
    bool waitTimeouts = false;   // the read time-outs are WaitForInput's, not the standard ones
};

Port& Of(const PortHandle& handle) {
    return *reinterpret_cast<Port*>(handle.native());
}

// Runs one overlapped ReadFile or WriteFile to its end and returns the bytes moved. The port's
// time-outs bound the wait; an event of its own lets several ports work on several threads. When
// `stop` (an event) is set first, the transfer is cancelled and keeps what it had moved.
template <class Transfer>
DWORD Overlapped(HANDLE comm, Transfer transfer, HANDLE stop = nullptr) {
    OVERLAPPED op{};
    op.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!op.hEvent)
        return 0;
    DWORD count = 0;
    if (transfer(&op) || GetLastError() == ERROR_IO_PENDING) {
        const HANDLE either[2] = {op.hEvent, stop};
        if (stop && WaitForMultipleObjects(2, either, FALSE, INFINITE) == WAIT_OBJECT_0 + 1)
            CancelIoEx(comm, &op);
        if (!GetOverlappedResult(comm, &op, &count, TRUE))
            count =
                GetLastError() == ERROR_OPERATION_ABORTED ? static_cast<DWORD>(op.InternalHigh) : 0;
    }
    CloseHandle(op.hEvent);
    return count;
}

// Bytes the driver holds, not counting those already taken ahead.
int DriverQueue(HANDLE comm) {
    DWORD errors = 0;
    COMSTAT status{};
    return ClearCommError(comm, &errors, &status) ? static_cast<int>(status.cbInQue) : 0;
}

int Queued(const Port& port) {
    return static_cast<int>(port.ahead.size()) + DriverQueue(port.comm);
}

// The one place a Win32 error becomes a reason. A COM port's security lets every user open it,
// so access denied means what a sharing violation means: another program holds the port.
OpenError ReasonOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_UNIT:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_NOT_READY: return OpenError::NoDevice;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_BUSY: return OpenError::Busy;
        case ERROR_PRIVILEGE_NOT_HELD: return OpenError::NoPermission;
        case ERROR_INVALID_FUNCTION:
        case ERROR_INVALID_HANDLE:
        case ERROR_NOT_SUPPORTED: return OpenError::NotSerial;
        default: return OpenError::Other;
    }
}

// "COM3" names the device \\.\COM3; the long form is the only one that reaches COM10 and above.
std::string DevicePath(const std::string& path) {
    const bool bareCom = path.size() > 3 &&
                         std::toupper(static_cast<unsigned char>(path[0])) == 'C' &&
                         std::toupper(static_cast<unsigned char>(path[1])) == 'O' &&
                         std::toupper(static_cast<unsigned char>(path[2])) == 'M';
    return bareCom ? "\\\\.\\" + path : path;
}

// 8N1 at the rate, binary, no parity check, no flow control of either kind, no abort on a line
// error (which would stall every later read until ClearCommError), DTR off. RTS is left as the
// driver has it. False with the error set when the port refuses.
bool ConfigureLine(HANDLE port, int baudRate) {
    DCB settings{};
    settings.DCBlength = sizeof settings;
    if (!GetCommState(port, &settings))
        return false;
    settings.BaudRate = static_cast<DWORD>(baudRate);
    settings.ByteSize = 8;
    settings.Parity = NOPARITY;
    settings.StopBits = ONESTOPBIT;
    settings.fBinary = TRUE;
    settings.fParity = FALSE;
    settings.fOutxCtsFlow = FALSE;
    settings.fOutxDsrFlow = FALSE;
    settings.fDtrControl = DTR_CONTROL_DISABLE;
    settings.fDsrSensitivity = FALSE;
    settings.fOutX = FALSE;
    settings.fInX = FALSE;
    settings.fErrorChar = FALSE;
    settings.fNull = FALSE;
    settings.fAbortOnError = FALSE;
    if (!SetCommState(port, &settings))
        return false;
    // Some drivers take a rate they cannot make and keep the old one; the rate must have taken.
    DCB applied{};
    applied.DCBlength = sizeof applied;
    if (!GetCommState(port, &applied))
        return false;
    if (applied.BaudRate != settings.BaudRate) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

// The standard time-outs, or WaitForInput's: a read that ends when all its bytes are there or
// after waitMs in total (never 0, which would mean no time-out at all).
bool SetTimeouts(HANDLE comm, DWORD waitMs = 0) {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = waitMs ? 0 : kReadIntervalMs;
    timeouts.ReadTotalTimeoutMultiplier = waitMs ? 0 : kReadPerByteMs;
    timeouts.ReadTotalTimeoutConstant = waitMs ? waitMs : kReadConstantMs;
    timeouts.WriteTotalTimeoutMultiplier = kWritePerByteMs;
    timeouts.WriteTotalTimeoutConstant = kWriteConstantMs;
    return SetCommTimeouts(comm, &timeouts);
}

}  // namespace

std::string ComPortPath(int portNumber) {
    if (portNumber < 1)
        return {};
    // QueryDosDevice answers for the COM names that exist right now, without opening the port
    // (which would disturb a program that holds it).
    const std::string name = "COM" + std::to_string(portNumber);
    char target[512];
    if (QueryDosDeviceA(name.c_str(), target, sizeof target) == 0)
        return {};
    return "\\\\.\\" + name;
}

std::string SystemErrorText(int osError) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(osError), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length ? std::string(text, length) : "error " + std::to_string(osError);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return message;
}

PortOpening local_port::Probe(const std::string& path) {
    PortOpening opening;
    opening.path = DevicePath(path);
    const HANDLE port = CreateFileA(opening.path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        opening.error = ReasonOf(error);
        opening.osError = static_cast<int>(error);
        return opening;
    }
    DCB state{};
    state.DCBlength = sizeof state;
    if (!GetCommState(port, &state)) {
        opening.error = OpenError::NotSerial;
        opening.osError = static_cast<int>(GetLastError());
    }
    CloseHandle(port);
    return opening;
}

PortOpening local_port::Open(const std::string& path, int baudRate) {
    PortOpening opening;
    opening.path = DevicePath(path);
    auto fail = [&](OpenError error, DWORD osError) {
        opening.error = error;
        opening.osError = static_cast<int>(osError);
        return opening;
    };
    // No sharing: while we hold the port, every other open of it fails.
    const HANDLE port = CreateFileA(opening.path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return fail(ReasonOf(error), error);
    }
    DCB probe{};
    probe.DCBlength = sizeof probe;
    if (!GetCommState(port, &probe)) {
        const DWORD error = GetLastError();
        CloseHandle(port);
        return fail(OpenError::NotSerial, error);
    }
    // A rate of zero or less is no rate; the driver is not asked.
    if (baudRate <= 0 || !ConfigureLine(port, baudRate)) {
        const DWORD error = baudRate <= 0 ? ERROR_INVALID_PARAMETER : GetLastError();
        CloseHandle(port);
        return fail(OpenError::RateRefused, error);
    }
    if (!SetTimeouts(port)) {
        const DWORD error = GetLastError();
        CloseHandle(port);
        return fail(OpenError::Other, error);
    }
    EscapeCommFunction(port, CLRDTR);
    opening.handle = PortHandle(reinterpret_cast<std::intptr_t>(new Port{port, {}, false}));
    Purge(opening.handle);
    return opening;
}

void local_port::Close(PortHandle& handle) {
    if (!handle)
        return;
    Port* port = &Of(handle);
    handle = PortHandle{};
    CloseHandle(port->comm);
    delete port;
}

// An adapter pulled out leaves a handle on which every comm call fails.
bool local_port::HungUp(const PortHandle& handle) {
    if (!handle)
        return false;
    DWORD errors = 0;
    COMSTAT status{};
    return !ClearCommError(Of(handle).comm, &errors, &status);
}

void local_port::Purge(const PortHandle& handle) {
    if (!handle)
        return;
    Port& port = Of(handle);
    port.ahead.clear();
    PurgeComm(port.comm, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
}

int local_port::Wait(const PortHandle& handle, int count, int budgetMs, int stopFd) {
    if (!handle)
        return 0;
    Port& port = Of(handle);
    if (Queued(port) >= count || budgetMs <= 0 ||
        !SetTimeouts(port.comm, static_cast<DWORD>(budgetMs)))
        return Queued(port);
    port.waitTimeouts = true;
    // The read asks for every byte still to come into the record, those the driver already holds
    // included, so it ends only when the count is there or the budget is spent.
    const size_t had = port.ahead.size();
    const DWORD wanted = static_cast<DWORD>(count) - static_cast<DWORD>(had);
    port.ahead.resize(had + wanted);
    const HANDLE stop = stopFd == -1 ? nullptr : LongToHandle(stopFd);
    const DWORD got = Overlapped(
        port.comm,
        [&](OVERLAPPED* op) {
            return ReadFile(port.comm, port.ahead.data() + had, wanted, nullptr, op);
        },
        stop);
    port.ahead.resize(had + got);
    return Queued(port);
}

int local_port::Write(const PortHandle& handle, const uint8_t* bytes, int length) {
    if (!handle || length <= 0)
        return 0;
    const HANDLE comm = Of(handle).comm;
    return static_cast<int>(Overlapped(comm, [&](OVERLAPPED* op) {
        return WriteFile(comm, bytes, static_cast<DWORD>(length), nullptr, op);
    }));
}

int local_port::Read(const PortHandle& handle, uint8_t* bytes, int length) {
    if (!handle || length <= 0)
        return 0;
    Port& port = Of(handle);
    const int taken = std::min(length, static_cast<int>(port.ahead.size()));
    std::copy_n(port.ahead.begin(), taken, bytes);
    port.ahead.erase(port.ahead.begin(), port.ahead.begin() + taken);
    if (taken == length)
        return taken;
    if (port.waitTimeouts && SetTimeouts(port.comm))
        port.waitTimeouts = false;
    return taken + static_cast<int>(Overlapped(port.comm, [&](OVERLAPPED* op) {
               return ReadFile(port.comm, bytes + taken, static_cast<DWORD>(length - taken),
                               nullptr, op);
           }));
}
