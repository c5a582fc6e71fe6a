// SPDX-License-Identifier: GPL-3.0-or-later
#include "font_engine.h"

#include <windows.h>

#include <QByteArray>
#include <string>

namespace {

bool HasSimSun() {
    wchar_t windows[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return true;  // nowhere to look: keep Windows' own engine
    const std::wstring font = std::wstring(windows, length) + L"\\Fonts\\simsun.ttc";
    return GetFileAttributesW(font.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

void ChooseFontEngine() {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !HasSimSun())
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("windows:fontengine=freetype"));
}
