// SPDX-License-Identifier: GPL-3.0-or-later
// The two dialog templates as tables: every control with its id, kind, styles, text and
// rectangle in dialog units, in template order (which is also creation and tab order).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

enum class ControlKind {
    Label,
    CentredText,
    DropDownList,
    EditBox,
    CheckBox,
    PushButton,
    GroupBox,
    Icon
};

// Win32 window style bits, under our own names so that a Win32 build can include windows.h.
namespace style {
inline constexpr uint32_t Child = 0x40000000;
inline constexpr uint32_t Visible = 0x10000000;
inline constexpr uint32_t Disabled = 0x08000000;
inline constexpr uint32_t Border = 0x00800000;
inline constexpr uint32_t VScroll = 0x00200000;
inline constexpr uint32_t Group = 0x00020000;
inline constexpr uint32_t TabStop = 0x00010000;
inline constexpr uint32_t StaticCenter = 0x0001;
inline constexpr uint32_t StaticIcon = 0x0003;
inline constexpr uint32_t StaticNoPrefix = 0x0080;
inline constexpr uint32_t ComboDropDownList = 0x0003;
inline constexpr uint32_t EditCenter = 0x0001;
inline constexpr uint32_t EditAutoHScroll = 0x0080;
inline constexpr uint32_t ButtonDefPush = 0x0001;
inline constexpr uint32_t ButtonAutoCheckBox = 0x0003;
inline constexpr uint32_t ButtonGroupBox = 0x0007;
}  // namespace style

struct DluRect {
    int x, y, w, h;
    friend bool operator==(const DluRect&, const DluRect&) = default;
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    uint32_t styles;   // complete, including Child and Visible
    const char* text;  // UTF-8, marked for translation; "" for none
    DluRect rect;
};

struct DialogTemplate {
    int id;
    const char* caption;  // UTF-8, marked for translation
    DluRect rect;
    const char* fontFace;
    int fontPoints;
    std::span<const ControlTemplate> controls;
};

extern const DialogTemplate kSensorDialog;
extern const DialogTemplate kAboutBox;

// What assistive technology calls the control with this id, when its own text does not say
// (marked for translation); "" otherwise.
const char* AccessibleName(int controlId);

// The initial items of a drop-down list, in order.
std::vector<std::string> ComboItems(int controlId);
