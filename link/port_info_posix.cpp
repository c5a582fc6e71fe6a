// SPDX-License-Identifier: GPL-3.0-or-later
// A port described from what Linux shows: the device behind COMn, its /dev/serial/by-id link,
// the USB adapter from sysfs, the processes holding it from /proc.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "port_info.h"
#include "port_names.h"
#include "port_url.h"

namespace fs = std::filesystem;

namespace {

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

// The processes that have the device open, as far as /proc lets this user see.
std::vector<PortHolder> Holders(const std::string& device) {
    std::vector<PortHolder> holders;
    std::error_code error;
    for (const auto& process : fs::directory_iterator("/proc", error)) {
        const std::string pid = process.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos || std::stoi(pid) == getpid())
            continue;
        std::error_code denied;
        for (const auto& fd : fs::directory_iterator(process.path() / "fd", denied)) {
            std::error_code gone;
            if (fs::read_symlink(fd.path(), gone) == device) {
                holders.push_back(PortHolder{std::stoi(pid), FirstLine(process.path() / "comm")});
                break;
            }
        }
    }
    return holders;
}

}  // namespace

// The kernel's tty device sits below its USB interface, which sits below the USB device that
// carries the vendor and product numbers; a port that is not on USB reaches the top of the device
// tree without meeting one.
std::optional<UsbAdapter> UsbAdapterOf(const std::string& device, const std::string& sysDir) {
    const std::string start =
        Canonical(fs::path(sysDir) / "class" / "tty" / fs::path(device).filename() / "device");
    const std::string top = Canonical(fs::path(sysDir) / "devices");
    if (start.empty() || top.empty())
        return std::nullopt;
    for (fs::path dir = start; dir.has_relative_path() && dir != top; dir = dir.parent_path()) {
        if (!fs::exists(dir / "idVendor"))
            continue;
        return UsbAdapter{FirstLine(dir / "idVendor"), FirstLine(dir / "idProduct"),
                          FirstLine(dir / "manufacturer"), FirstLine(dir / "product"),
                          FirstLine(dir / "serial")};
    }
    return std::nullopt;
}

PortInfo DescribePort(int portNumber) {
    PortInfo info;
    info.name = "COM" + std::to_string(portNumber);
    info.holders.emplace();  // /proc tells, so none seen is none this user may see
    const std::string path = ComPortPath(portNumber);
    if (KindOfPort(path) != PortKind::Local) {
        // A server's port: no device, adapter or holder of this machine; a connection tells
        // whether it takes us.
        info.device = path;
        info.holders.reset();
        info.access = ProbePortPath(path);
        return info;
    }
    info.device = Canonical(path);
    if (info.device.empty()) {
        info.access.error = OpenError::NoDevice;
        return info;
    }
    const PortNameSources sources;
    info.systemName = ByIdName(info.device, sources);
    if (!info.systemName.empty())
        info.byId = (fs::path(sources.deviceDir) / "serial" / "by-id" / info.systemName).string();
    info.usb = UsbAdapterOf(info.device);
    info.holders = Holders(info.device);
    // Taking the port is the one sure test: the lock and the exclusive flag are seen only by
    // trying.
    info.access = ProbePortPath(path);
    return info;
}

std::optional<std::vector<PortHolder>> PortHolders(const std::string& device) {
    if (KindOfPort(device) != PortKind::Local)
        return std::nullopt;
    const std::string resolved = Canonical(device);
    return Holders(resolved.empty() ? device : resolved);
}
