// SPDX-License-Identifier: GPL-3.0-or-later
// What the system calls the device behind COMn, and how COMn maps to a device path on POSIX
// systems. An operator's adapter usually appears as /dev/ttyUSB0; giving it the
// number 1 lets the window's "COM1" reach it with no configuration.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The name the system gives the device behind COMn, for a person choosing a port, or "" when it
// gives none: on Windows the device's friendly name ("USB Serial Port (COM3)"), else its kernel
// name from the serial map (\Device\VCP0); on POSIX its /dev/serial/by-id name
// ("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0").
std::string PortFriendlyName(int portNumber);

// The rest is the POSIX mapping; Windows has COM names of its own.

// Returns the value of an environment variable, or nullopt-like "" when unset.
using EnvLookup = std::function<const char*(const char*)>;

struct PortNameSources {
    std::string deviceDir = "/dev";              // where ttyUSB*, ttyACM*, ttyS* live
    std::string ttyClassDir = "/sys/class/tty";  // where the kernel says which ttyS* have a UART
    EnvLookup env;                               // TESSALY_COMn overrides; null means getenv
};

// The serial devices present, in the order they take COM numbers: ttyUSB*, ttyACM*, then ttyS*
// with a real UART, each group by number.
std::vector<std::string> ListSerialDevices(const PortNameSources& sources);

// COMn's device: TESSALY_COMn if set, otherwise the devices present fill the numbers that no
// variable claims, in ListSerialDevices order. "" when nothing maps to n.
std::string ResolveComPort(int portNumber, const PortNameSources& sources);

// PortFriendlyName with the sources given: the link in deviceDir/serial/by-id to COMn's device.
std::string PortFriendlyName(int portNumber, const PortNameSources& sources);

// The name of the link in deviceDir/serial/by-id that leads to this device, or "".
std::string ByIdName(const std::string& device, const PortNameSources& sources);
