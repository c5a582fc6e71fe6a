// How COMn maps to a device path on POSIX systems. An operator's adapter usually appears as
// /dev/ttyUSB0; giving it the number 1 lets the window's "COM1" reach it with no configuration.
#pragma once

#include <functional>
#include <string>
#include <vector>

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
