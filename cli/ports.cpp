// SPDX-License-Identifier: GPL-3.0-or-later
// ports: COM1 ... COM10 as the window resolves them, each with what an operator needs to pick
// the right one: the device behind it, its stable name, the USB adapter, and whether it can be
// opened now (and if not, who holds it or which group may).
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "commands.h"
#include "output.h"
#include "port_names.h"

namespace fs = std::filesystem;

namespace {

struct Holder {
    int pid = 0;
    std::string command;
};

struct UsbAdapter {
    std::string vendor, product, manufacturer, description, serial;
};

struct PortInfo {
    std::string name;    // COM3
    std::string device;  // "" when nothing maps to it
    std::string byId;    // its link under /dev/serial/by-id, if any
    std::optional<UsbAdapter> usb;
    std::string state;  // free, busy, no permission, absent, or the reason it cannot be used
    std::string group;  // no permission: the group that may open it
    std::vector<Holder> holders;
};

std::string Canonical(const fs::path& path) {
    std::error_code error;
    const fs::path resolved = fs::canonical(path, error);
    return error ? std::string() : resolved.string();
}

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The kernel's tty device sits below its USB interface, which sits below the USB device that
// carries the vendor and product numbers.
std::optional<UsbAdapter> Usb(const std::string& device) {
    const std::string sysfs =
        Canonical("/sys/class/tty/" + fs::path(device).filename().string() + "/device");
    if (sysfs.empty())
        return std::nullopt;
    for (fs::path dir = sysfs; dir.has_relative_path() && dir != "/sys/devices";
         dir = dir.parent_path()) {
        if (!fs::exists(dir / "idVendor"))
            continue;
        return UsbAdapter{FirstLine(dir / "idVendor"), FirstLine(dir / "idProduct"),
                          FirstLine(dir / "manufacturer"), FirstLine(dir / "product"),
                          FirstLine(dir / "serial")};
    }
    return std::nullopt;
}

// The processes that have the device open, as far as /proc lets this user see.
std::vector<Holder> Holders(const std::string& device) {
    std::vector<Holder> holders;
    std::error_code error;
    for (const auto& process : fs::directory_iterator("/proc", error)) {
        const std::string pid = process.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos || std::stoi(pid) == getpid())
            continue;
        std::error_code denied;
        for (const auto& fd : fs::directory_iterator(process.path() / "fd", denied)) {
            std::error_code gone;
            if (fs::read_symlink(fd.path(), gone) == device) {
                holders.push_back(Holder{std::stoi(pid), FirstLine(process.path() / "comm")});
                break;
            }
        }
    }
    return holders;
}

PortInfo Describe(int number) {
    PortInfo info;
    info.name = "COM" + std::to_string(number);
    const std::string path = ComPortPath(number);
    info.device = Canonical(path);
    if (info.device.empty()) {
        info.state = "absent";
        return info;
    }
    const PortNameSources sources;
    if (const std::string name = ByIdName(info.device, sources); !name.empty())
        info.byId = (fs::path(sources.deviceDir) / "serial" / "by-id" / name).string();
    info.usb = Usb(info.device);
    info.holders = Holders(info.device);
    // Taking the port is the one sure test: the lock and the exclusive flag are seen only by
    // trying. Its line settings are left as they are.
    const PortOpening opening = ProbePortPath(path);
    switch (opening.error) {
        case OpenError::None: info.state = "free"; break;
        case OpenError::Busy: info.state = "busy"; break;
        case OpenError::NoDevice: info.state = "absent"; break;
        case OpenError::NoPermission:
            info.state = "no permission";
            info.group = opening.group;
            break;
        default: info.state = DescribeOpenError(opening);
    }
    return info;
}

nlohmann::ordered_json Json(const PortInfo& p) {
    auto text = [](const std::string& s) {
        return s.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(s);
    };
    nlohmann::ordered_json usb;
    if (p.usb)
        usb = {{"vendor", p.usb->vendor},
               {"product", p.usb->product},
               {"manufacturer", p.usb->manufacturer},
               {"description", p.usb->description},
               {"serial", p.usb->serial}};
    nlohmann::ordered_json holders = nlohmann::ordered_json::array();
    for (const Holder& h : p.holders)
        holders.push_back({{"pid", h.pid}, {"command", h.command}});
    return {{"port", p.name},   {"device", text(p.device)}, {"by_id", text(p.byId)}, {"usb", usb},
            {"state", p.state}, {"group", text(p.group)},   {"holders", holders}};
}

std::string Text(const PortInfo& p) {
    std::string text =
        TextColumn(p.name, 6) + TextColumn(p.device.empty() ? "-" : p.device, 16) + p.state;
    if (!p.group.empty())
        text += " (join the group " + p.group + ")";
    std::string holders;
    for (const Holder& h : p.holders)
        holders += (holders.empty() ? "" : ", ") + h.command + " " + std::to_string(h.pid);
    if (!holders.empty())
        text += (p.state == "busy" ? " (held by " : " (open in ") + holders + ")";
    else if (p.state == "busy")
        text += " (the holder is not visible to this user)";
    if (!p.byId.empty())
        text += "\n      " + p.byId;
    if (p.usb)
        text += "\n      USB " + p.usb->vendor + ":" + p.usb->product + " " + p.usb->manufacturer +
                " " + p.usb->description +
                (p.usb->serial.empty() ? "" : ", serial " + p.usb->serial);
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
