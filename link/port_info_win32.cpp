// SPDX-License-Identifier: GPL-3.0-or-later
// A port described from what Windows shows: \\.\COMn, the name the Device Manager gives it, and
// whether it can be opened now. Windows says nothing of who holds a port, so `holders` stays
// unknown.
#include "port_info.h"
#include "port_names.h"

PortInfo DescribePort(int portNumber) {
    PortInfo info;
    info.name = "COM" + std::to_string(portNumber);
    info.device = ComPortPath(portNumber);
    if (info.device.empty()) {
        info.access.error = OpenError::NoDevice;
        return info;
    }
    info.systemName = PortFriendlyName(portNumber);
    info.access = ProbePortPath(info.device);
    return info;
}

std::optional<std::vector<PortHolder>> PortHolders(const std::string&) {
    return std::nullopt;
}
