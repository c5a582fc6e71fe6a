// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog_templates.h"

#include <string>
#include <utility>

#include "registers.h"
#include "resource.h"
#include "tr_text.h"

namespace {

using namespace style;
using K = ControlKind;

constexpr uint32_t kLabel = Child | Visible | Group;  // SS_LEFT is 0
constexpr uint32_t kCentred = Child | Visible | Group | StaticCenter;
constexpr uint32_t kList = Child | Visible | ComboDropDownList | VScroll | TabStop;
constexpr uint32_t kEdit = Child | Visible | EditCenter | EditAutoHScroll | Border | TabStop;
constexpr uint32_t kCheck = Child | Visible | ButtonAutoCheckBox | TabStop;
constexpr uint32_t kButton = Child | Visible | TabStop;  // BS_PUSHBUTTON is 0
constexpr uint32_t kFrame = Child | Visible | ButtonGroupBox;

constexpr ControlTemplate kSensorControls[] = {
    {IDC_STATIC, K::Label, kLabel, TR_TEXT("Tessaly", "串口号："), {14, 15, 33, 8}},
    {IDC_PORT, K::DropDownList, kList, "", {59, 12, 48, 138}},
    {IDC_STATIC, K::Label, kLabel, TR_TEXT("Tessaly", "波特率："), {151, 15, 33, 8}},
    {IDC_BAUD, K::DropDownList, kList, "", {187, 12, 58, 91}},
    {IDC_STATIC, K::Label, kLabel, TR_TEXT("Tessaly", "地址："), {292, 14, 25, 8}},
    {IDC_ADDRESS, K::EditBox, kEdit, "", {325, 12, 47, 14}},
    {IDC_STATIC, K::GroupBox, kFrame, "", {7, 2, 373, 29}},
    {IDC_SCAN_1200, K::CheckBox, kCheck, "1200", {65, 37, 32, 10}},
    {IDC_SCAN_2400, K::CheckBox, kCheck, "2400", {104, 37, 32, 10}},
    {IDC_SCAN_4800, K::CheckBox, kCheck, "4800", {145, 37, 32, 10}},
    {IDC_SCAN_9600, K::CheckBox, kCheck, "9600", {189, 37, 32, 10}},
    {IDC_SEARCH, K::PushButton, kButton, TR_TEXT("Tessaly", "搜索"), {99, 50, 26, 14}},
    {IDC_STATIC, K::Label, kLabel, TR_TEXT("Tessaly", "波特率范围："), {13, 38, 49, 8}},
    {IDC_STATIC, K::Label, kLabel, TR_TEXT("Tessaly", "地址范围  ："), {237, 37, 51, 8}},
    {IDC_SCAN_FROM, K::EditBox, kEdit, "", {298, 34, 22, 14}},
    {IDC_STATIC, K::Label, kLabel, "--", {321, 37, 9, 8}},
    {IDC_SCAN_TO, K::EditBox, kEdit, "", {331, 34, 22, 14}},
    {IDC_SEARCH_RESULT,
     K::CentredText,
     kCentred,
     TR_TEXT("Tessaly", "搜索结果"),
     {172, 53, 160, 8}},
    {IDC_STATIC, K::GroupBox, kFrame, "", {7, 26, 373, 44}},
    {IDC_STATIC, K::Label, kLabel, TR_TEXT("Tessaly", "地址："), {14, 79, 25, 8}},
    {IDC_NEW_ADDRESS, K::EditBox, kEdit, "", {39, 76, 27, 14}},
    {IDC_SET_ADDRESS, K::PushButton, kButton, TR_TEXT("Tessaly", "设置"), {73, 75, 26, 14}},
    {IDC_STATIC, K::Label, kLabel, TR_TEXT("Tessaly", "波特率："), {109, 79, 33, 8}},
    {IDC_NEW_BAUD, K::DropDownList, kList, "", {142, 75, 45, 76}},
    {IDC_SET_BAUD, K::PushButton, kButton, TR_TEXT("Tessaly", "设置"), {190, 75, 26, 14}},
    {IDC_STATIC, K::GroupBox, kFrame, "", {7, 64, 373, 32}},
    {IDC_STATIC, K::Label, kLabel, TR_TEXT("Tessaly", "原边线圈匝数:"), {226, 79, 53, 8}},
    {IDC_TURNS, K::EditBox, kEdit, "", {283, 76, 27, 15}},
    {IDC_STATIC, K::GroupBox, kFrame, "", {7, 90, 373, 31}},
    {IDC_STATIC, K::Label, kLabel, TR_TEXT("Tessaly", "采集周期："), {15, 103, 41, 8}},
    {IDC_PERIOD, K::EditBox, kEdit, "", {58, 100, 28, 14}},
    {IDC_STATIC, K::Label, kLabel, "ms", {89, 102, 9, 8}},
    {IDC_STATIC, K::Label, kLabel, TR_TEXT("Tessaly", "成功："), {107, 102, 25, 8}},
    {IDC_OK_COUNT, K::CentredText, kCentred, "0", {132, 102, 27, 8}},
    {IDC_STATIC, K::Label, kLabel, TR_TEXT("Tessaly", "次"), {163, 102, 9, 8}},
    {IDC_STATIC, K::Label, kLabel, TR_TEXT("Tessaly", "失败："), {185, 102, 25, 8}},
    {IDC_FAIL_COUNT, K::CentredText, kCentred, "0", {210, 102, 27, 8}},
    {IDC_STATIC, K::Label, kLabel, TR_TEXT("Tessaly", "次"), {241, 102, 9, 8}},
    {IDC_ACQUIRE, K::PushButton, kButton, TR_TEXT("Tessaly", "采集"), {262, 100, 29, 14}},
    {IDC_STATIC, K::Label, kLabel, TR_TEXT("Tessaly", "电流值:"), {304, 102, 29, 8}},
    {IDC_CURRENT, K::EditBox, kEdit, "", {335, 99, 40, 14}},
    {IDC_STATIC, K::GroupBox, kFrame, "", {7, 116, 373, 35}},
    {IDC_SET_TURNS, K::PushButton, kButton, TR_TEXT("Tessaly", "设置"), {316, 76, 30, 15}},
    {IDC_READ_TURNS, K::PushButton, kButton, TR_TEXT("Tessaly", "读取"), {350, 74, 27, 17}},
    {IDC_ZERO, K::PushButton, kButton, TR_TEXT("Tessaly", "调零"), {128, 128, 50, 14}},
    {IDC_CALIBRATE,
     K::PushButton,
     kButton | Disabled,
     TR_TEXT("Tessaly", "较机"),
     {198, 128, 50, 14}},
};

constexpr ControlTemplate kAboutControls[] = {
    {IDC_STATIC, K::Icon, Child | Visible | StaticIcon, "", {11, 17, 20, 20}},
    {IDC_STATIC,
     K::Label,
     Child | Visible | StaticNoPrefix | Group,
     TR_TEXT("Tessaly", "Tessaly 1.0 版"),
     {40, 10, 119, 8}},
    {IDC_STATIC,
     K::Label,
     Child | Visible | Group,
     TR_TEXT("Tessaly", "版权所有 (C) 2026 Tessaly"),
     {40, 25, 119, 8}},
    {IDOK,
     K::PushButton,
     Child | Visible | ButtonDefPush | Group | TabStop,
     TR_TEXT("Tessaly", "确定"),
     {178, 7, 50, 14}},
};

// What assistive technology calls the controls that take input or show a value and have no text of
// their own: the label beside each. The second address and baud boxes, the range boxes and the
// buttons beside the turns say which they are, as the group they sit in shows the eye.
constexpr std::pair<int, const char*> kAccessibleNames[] = {
    {IDC_PORT, TR_TEXT("Tessaly", "串口号")},
    {IDC_BAUD, TR_TEXT("Tessaly", "波特率")},
    {IDC_ADDRESS, TR_TEXT("Tessaly", "地址")},
    {IDC_SCAN_FROM, TR_TEXT("Tessaly", "搜索起始地址")},
    {IDC_SCAN_TO, TR_TEXT("Tessaly", "搜索结束地址")},
    {IDC_NEW_ADDRESS, TR_TEXT("Tessaly", "新地址")},
    {IDC_SET_ADDRESS, TR_TEXT("Tessaly", "设置地址")},
    {IDC_NEW_BAUD, TR_TEXT("Tessaly", "新波特率")},
    {IDC_SET_BAUD, TR_TEXT("Tessaly", "设置波特率")},
    {IDC_TURNS, TR_TEXT("Tessaly", "原边线圈匝数")},
    {IDC_SET_TURNS, TR_TEXT("Tessaly", "设置原边线圈匝数")},
    {IDC_READ_TURNS, TR_TEXT("Tessaly", "读取原边线圈匝数")},
    {IDC_PERIOD, TR_TEXT("Tessaly", "采集周期（ms）")},
    {IDC_OK_COUNT, TR_TEXT("Tessaly", "成功")},
    {IDC_FAIL_COUNT, TR_TEXT("Tessaly", "失败")},
    {IDC_CURRENT, TR_TEXT("Tessaly", "电流值")},
};

constexpr const char* kPorts[] = {"COM1", "COM2", "COM3", "COM4", "COM5",
                                  "COM6", "COM7", "COM8", "COM9", "COM10"};

}  // namespace

const DialogTemplate kSensorDialog = {IDD_SENSOR_DIALOG,
                                      TR_TEXT("Tessaly", "KORVAN霍尔直流电流传感器(发行版)"),
                                      {0, 0, 387, 158},
                                      "宋体",
                                      9,
                                      kSensorControls};

const DialogTemplate kAboutBox = {
    IDD_ABOUTBOX, TR_TEXT("Tessaly", "关于 Tessaly"), {0, 0, 235, 55}, "宋体", 9, kAboutControls};

const char* AccessibleName(int controlId) {
    for (auto [id, name] : kAccessibleNames)
        if (id == controlId)
            return name;
    return "";
}

std::vector<std::string> ComboItems(int controlId) {
    std::vector<std::string> items;
    switch (controlId) {
        case IDC_PORT: items.assign(std::begin(kPorts), std::end(kPorts)); break;
        case IDC_BAUD:
        case IDC_NEW_BAUD:
            // The baud lists hold the sensor's rates, in their order.
            for (int baud : SENSOR_RATES)
                items.push_back(std::to_string(baud));
            break;
        default: break;
    }
    return items;
}
