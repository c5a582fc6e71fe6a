// SPDX-License-Identifier: GPL-3.0-or-later
// What the serial port does the same on every platform: opening COMn through the device it stands
// for, the choice between a local device and a remote line, and the reasons an open fails, in
// words.
#include "serial_port.h"

#include "port_backends.h"

namespace {

PortOpening BadUrl(const std::string& name) {
    PortOpening opening;
    opening.path = name;
    opening.error = OpenError::BadUrl;
    return opening;
}

}  // namespace

PortOpening OpenPortPath(const std::string& path, int baudRate) {
    if (KindOfPort(path) == PortKind::Local)
        return local_port::Open(path, baudRate);
    const auto url = ParsePortUrl(path);
    return url ? remote_port::Open(*url, path, baudRate) : BadUrl(path);
}

PortOpening ProbePortPath(const std::string& path) {
    if (KindOfPort(path) == PortKind::Local)
        return local_port::Probe(path);
    const auto url = ParsePortUrl(path);
    return url ? remote_port::Probe(*url, path) : BadUrl(path);
}

bool SetRemoteRate(const PortHandle& handle, int baudRate) {
    return handle.remote() && remote_port::SetRate(handle, baudRate);
}

void ClosePort(PortHandle& handle) {
    handle.remote() ? remote_port::Close(handle) : local_port::Close(handle);
}

bool LineHungUp(const PortHandle& handle) {
    return handle.remote() ? remote_port::HungUp(handle) : local_port::HungUp(handle);
}

void PurgePort(const PortHandle& handle) {
    handle.remote() ? remote_port::Purge(handle) : local_port::Purge(handle);
}

int WaitForInput(const PortHandle& handle, int count, int budgetMs, int stopFd) {
    return handle.remote() ? remote_port::Wait(handle, count, budgetMs, stopFd)
                           : local_port::Wait(handle, count, budgetMs, stopFd);
}

int WritePort(const PortHandle& handle, const uint8_t* bytes, int length) {
    return handle.remote() ? remote_port::Write(handle, bytes, length)
                           : local_port::Write(handle, bytes, length);
}

int ReadPort(const PortHandle& handle, uint8_t* bytes, int length) {
    return handle.remote() ? remote_port::Read(handle, bytes, length)
                           : local_port::Read(handle, bytes, length);
}

PortHandle OpenComPort(int portNumber, int baudRate) {
    return OpenComPortWithReason(portNumber, baudRate).handle;
}

PortOpening OpenComPortWithReason(int portNumber, int baudRate) {
    const std::string path = ComPortPath(portNumber);
    if (path.empty()) {
        PortOpening nothing;
        nothing.error = OpenError::NoDevice;
        return nothing;
    }
    return OpenPortPath(path, baudRate);
}

std::string DescribeOpenError(const PortOpening& opening) {
    switch (opening.error) {
        case OpenError::None: return {};
        case OpenError::NoDevice: return "no such device";
        case OpenError::Busy: return "busy: another program holds the port";
        case OpenError::NoPermission:
            return opening.group.empty() ? std::string("permission denied")
                                         : "permission denied; add yourself to the group " +
                                               opening.group + " and log in again";
        case OpenError::NotSerial: return "not a serial device";
        case OpenError::RateRefused: return "the port refused the line settings";
        case OpenError::BadUrl:
            return "not a remote port: use rfc2217://HOST:PORT or tcp://HOST:PORT";
        case OpenError::UnknownHost: return "unknown host";
        case OpenError::Refused: return "connection refused: nothing listens at that TCP port";
        case OpenError::Unreachable: return "the server cannot be reached from here";
        case OpenError::TimedOut: return "the server did not answer in time";
        case OpenError::NotRfc2217: return "the server does not speak RFC 2217";
        case OpenError::Other: return SystemErrorText(opening.osError);
    }
    return {};
}

const char* OpenErrorCode(OpenError error) {
    switch (error) {
        case OpenError::None: return "";
        case OpenError::NoDevice: return "no_device";
        case OpenError::Busy: return "busy";
        case OpenError::NoPermission: return "permission";
        case OpenError::NotSerial: return "not_serial";
        case OpenError::RateRefused: return "rate_refused";
        case OpenError::BadUrl: return "bad_url";
        case OpenError::UnknownHost: return "unknown_host";
        case OpenError::Refused: return "refused";
        case OpenError::Unreachable: return "unreachable";
        case OpenError::TimedOut: return "timed_out";
        case OpenError::NotRfc2217: return "not_rfc2217";
        case OpenError::Other: return "other";
    }
    return "";
}
