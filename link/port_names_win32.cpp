// SPDX-License-Identifier: GPL-3.0-or-later
// What Windows calls the device behind COMn. The Device Manager's friendly name ("USB Serial Port
// (COM3)") is what an operator recognises; a port that Plug and Play does not list (a legacy or
// emulated port) still has its kernel device in the registry's serial map.
#include <windows.h>
// windows.h first: the SetupAPI headers need its types.
#include <initguid.h>
// initguid.h before devguid.h defines GUID_DEVCLASS_PORTS here instead of needing a library.
#include <devguid.h>
#include <setupapi.h>

#include <string>

#include "port_names.h"

namespace {

std::string Utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back();  // the terminator
    return utf8;
}

std::wstring ComName(int portNumber) {
    return L"COM" + std::to_wstring(portNumber);
}

// The PortName value that the Ports class keeps in each device's key says which COMn it is.
bool IsPort(HDEVINFO devices, SP_DEVINFO_DATA& device, const std::wstring& name) {
    const HKEY key =
        SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE)
        return false;
    wchar_t portName[64] = {};
    DWORD size = sizeof portName - sizeof(wchar_t);
    DWORD type = 0;
    const bool read = RegQueryValueExW(key, L"PortName", nullptr, &type,
                                       reinterpret_cast<BYTE*>(portName), &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return read && type == REG_SZ && _wcsicmp(portName, name.c_str()) == 0;
}

std::string PlugAndPlayName(int portNumber) {
    const HDEVINFO devices =
        SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return {};
    const std::wstring name = ComName(portNumber);
    std::string friendly;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; friendly.empty() && SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
        wchar_t text[256] = {};
        if (IsPort(devices, device, name) &&
            SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                              reinterpret_cast<BYTE*>(text),
                                              sizeof text - sizeof(wchar_t), nullptr))
            friendly = Utf8(text);
    }
    SetupDiDestroyDeviceInfoList(devices);
    return friendly;
}

// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM: each value is named after a kernel device and holds the
// COM name it was given.
std::string SerialMapName(int portNumber) {
    HKEY map = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                      &map) != ERROR_SUCCESS)
        return {};
    const std::wstring name = ComName(portNumber);
    std::string device;
    for (DWORD i = 0; device.empty(); ++i) {
        wchar_t valueName[256] = {};
        wchar_t data[64] = {};
        DWORD nameLength = 255;
        DWORD dataSize = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        if (RegEnumValueW(map, i, valueName, &nameLength, nullptr, &type,
                          reinterpret_cast<BYTE*>(data), &dataSize) != ERROR_SUCCESS)
            break;
        if (type == REG_SZ && _wcsicmp(data, name.c_str()) == 0)
            device = Utf8(valueName);
    }
    RegCloseKey(map);
    return device;
}

}  // namespace

std::string PortFriendlyName(int portNumber) {
    if (portNumber < 1)
        return {};
    std::string name = PlugAndPlayName(portNumber);
    return name.empty() ? SerialMapName(portNumber) : name;
}
