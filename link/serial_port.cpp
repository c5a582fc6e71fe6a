// SPDX-License-Identifier: GPL-3.0-or-later
// What the serial port does the same on every platform: opening COMn through the device it stands
// for, and the reasons an open fails, in words.
#include "serial_port.h"

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
        case OpenError::Other: return "other";
    }
    return "";
}
