// SPDX-License-Identifier: GPL-3.0-or-later
// ports: COM1 ... COM10 as the window resolves them, each with what an operator needs to pick
// the right one, as the link describes it. One printer for every platform: the same words in
// text and the same keys in JSON, null where the system does not tell.
#include "commands.h"
#include "output.h"
#include "port_info.h"

namespace {

// The state as people read it, and as a script compares it (JSON).
std::string StateText(const PortOpening& access) {
    switch (access.error) {
        case OpenError::None: return "free";
        case OpenError::Busy: return "busy";
        case OpenError::NoDevice: return "absent";
        case OpenError::NoPermission: return "no permission";
        default: return DescribeOpenError(access);
    }
}

const char* StateCode(const PortOpening& access) {
    switch (access.error) {
        case OpenError::None: return "free";
        case OpenError::NoDevice: return "absent";
        case OpenError::NoPermission: return "no_permission";
        default: return OpenErrorCode(access.error);
    }
}

nlohmann::ordered_json OrNull(const std::string& text) {
    return text.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(text);
}

nlohmann::ordered_json PortJson(const PortInfo& p) {
    nlohmann::ordered_json usb;
    if (p.usb)
        usb = {{"vendor", OrNull(p.usb->vendor)},
               {"product", OrNull(p.usb->product)},
               {"manufacturer", OrNull(p.usb->manufacturer)},
               {"description", OrNull(p.usb->description)},
               {"serial", OrNull(p.usb->serial)}};
    nlohmann::ordered_json holders;
    if (p.holders) {
        holders = nlohmann::ordered_json::array();
        for (const PortHolder& h : *p.holders)
            holders.push_back({{"pid", h.pid}, {"command", h.command}});
    }
    // A port's record: it was described, whatever its state; no rate or address belongs to it.
    return {{"ok", true},
            {"port", p.name},
            {"device", OrNull(p.device)},
            {"by_id", OrNull(p.byId)},
            {"name", OrNull(p.systemName)},
            {"usb", usb},
            {"state", StateCode(p.access)},
            {"group", OrNull(p.access.group)},
            {"holders", holders}};
}

// The value padded to the column's width. A longer one (a device path can be any length) is
// never cut, and a space still keeps it apart from the next column.
std::string Column(const std::string& text, size_t width) {
    return text + std::string(text.size() < width ? width - text.size() : 1, ' ');
}

std::string Text(const PortInfo& p) {
    const std::string state = StateText(p.access);
    std::string text = Column(p.name, 6) + Column(p.device.empty() ? "-" : p.device, 16) + state;
    if (!p.access.group.empty())
        text += " (join the group " + p.access.group + ")";
    if (p.holders) {
        if (const std::string names = HolderNames(*p.holders); !names.empty())
            text += (p.access.error == OpenError::Busy ? " (held by " : " (open in ") + names + ")";
        else if (p.access.error == OpenError::Busy)
            text += " (the holder is not visible to this user)";
    }
    // The by-id path is the one to give -p, so it wins over the name it is made of.
    if (const std::string& alias = p.byId.empty() ? p.systemName : p.byId; !alias.empty())
        text += "\n      " + alias;
    if (p.usb)
        text += "\n      USB " + p.usb->vendor + ":" + p.usb->product + " " + p.usb->manufacturer +
                " " + p.usb->description +
                (p.usb->serial.empty() ? "" : ", serial " + p.usb->serial);
    return text;
}

}  // namespace

void AddPortsCommand(CLI::App& app, const GlobalOptions& o, CommandRun& run) {
    CLI::App* ports =
        AddCommand(app, "ports", "list COM1-COM10: device, USB adapter, free or busy");
    Refuses(*ports, LINE_OPTIONS);
    RunsWhenGiven(*ports, run, [&o]() -> int {
        for (int number = 1; number <= COM_PORT_COUNT; ++number) {
            const PortInfo info = DescribePort(number);
            const Written written = o.json ? PrintJson(PortJson(info)) : PrintLine(Text(info));
            if (written != Written::Yes)
                return StatusAfter(written, EXIT_DONE);
        }
        return EXIT_DONE;
    });
}
