// SPDX-License-Identifier: GPL-3.0-or-later
// What an operator needs to pick the right port: for COMn, the device behind it, the names the
// system gives it, the USB adapter, and whether it can be opened now (if not, who holds it or which
// group may). One backend per platform (port_info_posix.cpp, port_info_win32.cpp) fills in what its
// system can tell and leaves the rest empty, so that a port is shown the same way everywhere.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "serial_port.h"

// The USB device that an adapter's port belongs to, as its descriptors name it.
struct UsbAdapter {
    std::string vendor;        // the vendor number in hex, "0403"
    std::string product;       // the product number in hex, "6001"
    std::string manufacturer;  // "FTDI"
    std::string description;   // the product string, "FT232R USB UART"
    std::string serial;        // "" when the device has none

    friend bool operator==(const UsbAdapter&, const UsbAdapter&) = default;
};

// A process that has the port open.
struct PortHolder {
    int pid = 0;
    std::string command;
};

struct PortInfo {
    std::string name;        // "COM3"
    std::string device;      // the device behind it; "" when nothing is there
    std::string byId;        // a path that finds this adapter whatever number it gets, or ""
    std::string systemName;  // the system's name for the device (PortFriendlyName), or ""
    std::optional<UsbAdapter> usb;
    // Whether it can be opened now, found by taking it and letting it go: OpenError::None when
    // free, NoDevice when absent, NoPermission with the group that may. Its handle is empty.
    PortOpening access;
    // The processes that hold it open, as far as this user may see them; nullopt where the system
    // does not tell (Windows).
    std::optional<std::vector<PortHolder>> holders;
};

// COMn as the window resolves it. Its line settings are left as they are.
PortInfo DescribePort(int portNumber);

// The processes that hold a device open, as in PortInfo::holders.
std::optional<std::vector<PortHolder>> PortHolders(const std::string& device);

// The holders as a person reads them: "minicom 4242, screen 4250".
inline std::string HolderNames(const std::vector<PortHolder>& holders) {
    std::string names;
    for (const PortHolder& holder : holders)
        names += (names.empty() ? "" : ", ") + holder.command + " " + std::to_string(holder.pid);
    return names;
}

// POSIX: the USB adapter of a tty device (/dev/ttyUSB0), read from sysDir (the sysfs root; tests
// give a fake tree). nullopt for a port that is not on USB.
std::optional<UsbAdapter> UsbAdapterOf(const std::string& device,
                                       const std::string& sysDir = "/sys");
