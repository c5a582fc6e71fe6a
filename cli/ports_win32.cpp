// SPDX-License-Identifier: GPL-3.0-or-later
// ports on Windows: COM1 ... COM10 as Windows has them, each with the device's name as the Device
// Manager shows it and whether it can be opened now. Windows says nothing of who holds a port.
#include "commands.h"
#include "output.h"
#include "port_names.h"
#include "serial_port.h"

namespace {

struct PortInfo {
    std::string name;    // COM3
    std::string device;  // \\.\COM3, "" when Windows has no such port
    std::string friendlyName;
    std::string state;  // free, busy, absent, or the reason it cannot be used
};

PortInfo Describe(int number) {
    PortInfo info;
    info.name = "COM" + std::to_string(number);
    info.device = ComPortPath(number);
    if (info.device.empty()) {
        info.state = "absent";
        return info;
    }
    info.friendlyName = PortFriendlyName(number);
    const PortOpening opening = ProbePortPath(ComPortPath(number));
    switch (opening.error) {
        case OpenError::None: info.state = "free"; break;
        case OpenError::Busy: info.state = "busy"; break;
        case OpenError::NoDevice: info.state = "absent"; break;
        default: info.state = DescribeOpenError(opening);
    }
    return info;
}

nlohmann::ordered_json Json(const PortInfo& p) {
    auto text = [](const std::string& s) {
        return s.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(s);
    };
    return {{"port", p.name},
            {"device", text(p.device)},
            {"name", text(p.friendlyName)},
            {"state", p.state}};
}

std::string Text(const PortInfo& p) {
    std::string text =
        TextColumn(p.name, 6) + TextColumn(p.device.empty() ? "-" : p.device, 16) + p.state;
    if (!p.friendlyName.empty())
        text += "\n      " + p.friendlyName;
    return text;
}

}  // namespace

int RunPorts(const CliOptions& o) {
    for (int number = 1; number <= COM_PORT_COUNT; ++number) {
        const PortInfo info = Describe(number);
        o.json ? PrintJson(Json(info)) : PrintLine(Text(info));
    }
    return EXIT_DONE;
}
