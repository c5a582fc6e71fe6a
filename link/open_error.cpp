// SPDX-License-Identifier: GPL-3.0-or-later
// The reasons an open fails, in words: the same on every platform.
#include "serial_port.h"

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
