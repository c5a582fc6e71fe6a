// SPDX-License-Identifier: GPL-3.0-or-later
#include "port_names.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace fs = std::filesystem;

namespace {

constexpr int kHighestMappedNumber = 99;  // TESSALY_COM1 .. TESSALY_COM99 are looked at

const char* Lookup(const PortNameSources& sources, const std::string& name) {
    return sources.env ? sources.env(name.c_str()) : std::getenv(name.c_str());
}

std::string Override(const PortNameSources& sources, int portNumber) {
    const char* value = Lookup(sources, "TESSALY_COM" + std::to_string(portNumber));
    return value ? std::string(value) : std::string();
}

// The number after the prefix, or -1 when the name is not prefix + digits.
int DeviceNumber(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix) || name.size() == prefix.size() ||
        name.size() > prefix.size() + 6)
        return -1;
    int number = 0;
    for (char c : name.substr(prefix.size())) {
        if (c < '0' || c > '9')
            return -1;
        number = number * 10 + (c - '0');
    }
    return number;
}

// The kernel lists every possible 8250 port as ttyS0..ttyS31; only those whose UART type is known
// (not PORT_UNKNOWN, 0) exist. Reading sysfs tells that without opening the port, which would
// raise its modem lines.
bool HasUart(const PortNameSources& sources, const std::string& name) {
    std::ifstream typeFile(fs::path(sources.ttyClassDir) / name / "type");
    int type = 0;
    return typeFile >> type && type != 0;
}

}  // namespace

std::vector<std::string> ListSerialDevices(const PortNameSources& sources) {
    static constexpr std::string_view kPrefixes[] = {"ttyUSB", "ttyACM", "ttyS"};
    std::vector<std::string> devices;
    std::error_code error;
    for (std::string_view prefix : kPrefixes) {
        std::vector<std::pair<int, std::string>> group;
        for (const auto& entry : fs::directory_iterator(sources.deviceDir, error)) {
            const std::string name = entry.path().filename().string();
            const int number = DeviceNumber(name, prefix);
            if (number < 0 || (prefix == "ttyS" && !HasUart(sources, name)))
                continue;
            group.emplace_back(number, entry.path().string());
        }
        std::sort(group.begin(), group.end());
        for (auto& [number, path] : group)
            devices.push_back(std::move(path));
    }
    return devices;
}

std::string ResolveComPort(int portNumber, const PortNameSources& sources) {
    if (portNumber < 1)
        return {};
    if (std::string path = Override(sources, portNumber); !path.empty())
        return path;

    std::vector<std::string> overrides(kHighestMappedNumber + 1);
    for (int n = 1; n <= kHighestMappedNumber; ++n)
        overrides[n] = Override(sources, n);
    auto claimed = [&](int n) { return n <= kHighestMappedNumber && !overrides[n].empty(); };

    int number = 0;
    for (const std::string& device : ListSerialDevices(sources)) {
        if (std::find(overrides.begin(), overrides.end(), device) != overrides.end())
            continue;
        do
            ++number;
        while (claimed(number));
        if (number == portNumber)
            return device;
        if (number > portNumber)
            break;
    }
    return {};
}

std::string PortFriendlyName(int portNumber) {
    return PortFriendlyName(portNumber, PortNameSources{});
}

std::string PortFriendlyName(int portNumber, const PortNameSources& sources) {
    return ByIdName(ResolveComPort(portNumber, sources), sources);
}

std::string ByIdName(const std::string& device, const PortNameSources& sources) {
    std::error_code error;
    const fs::path target = fs::canonical(device, error);
    if (device.empty() || error)
        return {};
    // udev names each USB adapter by vendor, model and serial number in serial/by-id.
    for (const auto& entry :
         fs::directory_iterator(fs::path(sources.deviceDir) / "serial" / "by-id", error)) {
        std::error_code ignored;
        if (fs::canonical(entry.path(), ignored) == target)
            return entry.path().filename().string();
    }
    return {};
}
