// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of the tool windows opened from the main window's context menu (UTF-8): the traffic
// log, the current trend, and what they share.
#pragma once

#include "tr_text.h"

// Shared by both tool windows.
inline constexpr const char* kToolClear = TR_TEXT("Tessaly", "清除");
inline constexpr const char* kToolSave = TR_TEXT("Tessaly", "保存...");
inline constexpr const char* kCsvFilter = TR_TEXT("Tessaly", "CSV 文件 (*.csv)");
inline constexpr const char* kSaveFailed = TR_TEXT("Tessaly", "保存文件失败：%1");

// 通讯记录.
inline constexpr const char* kTrafficLogCaption = TR_TEXT("Tessaly", "通讯记录");
inline constexpr const char* kTrafficLogPause = TR_TEXT("Tessaly", "暂停");
inline constexpr const char* kTrafficLogResume = TR_TEXT("Tessaly", "继续");
inline constexpr const char* kTrafficLogSaveTitle = TR_TEXT("Tessaly", "保存通讯记录");
inline constexpr const char* kTrafficLogRowCount = TR_TEXT("Tessaly", "共 %1 条");
inline constexpr const char* kTrafficLogHeaders[] = {
    TR_TEXT("Tessaly", "时间"), TR_TEXT("Tessaly", "串口"), TR_TEXT("Tessaly", "波特率"),
    TR_TEXT("Tessaly", "地址"), TR_TEXT("Tessaly", "请求"), TR_TEXT("Tessaly", "回显"),
    TR_TEXT("Tessaly", "应答"), TR_TEXT("Tessaly", "结果")};
// What assistive technology says of the table.
inline constexpr const char* kTrafficLogDescription =
    TR_TEXT("Tessaly", "每次通讯的时间、串口、波特率、地址、请求、回显、应答和结果");
// What became of an exchange, in the 结果 column.
inline constexpr const char* kCauseAccepted = TR_TEXT("Tessaly", "成功");
inline constexpr const char* kCauseOtherSender = TR_TEXT("Tessaly", "成功（地址或功能码不符）");
inline constexpr const char* kCauseNoReply = TR_TEXT("Tessaly", "无应答");
inline constexpr const char* kCauseShort = TR_TEXT("Tessaly", "应答不完整（%1 字节）");
inline constexpr const char* kCauseTooLong = TR_TEXT("Tessaly", "应答过长");
inline constexpr const char* kCauseBadCheck = TR_TEXT("Tessaly", "校验错误");
inline constexpr const char* kCauseEchoCorrupted = TR_TEXT("Tessaly", "回显错误");
inline constexpr const char* kCauseEchoNoReply = TR_TEXT("Tessaly", "回显后无应答");
inline constexpr const char* kCauseLateAnswer =
    TR_TEXT("Tessaly", "迟到的应答（地址或功能码不符）");
// A Modbus exception reply, by its code (two hex digits) and, for the codes the protocol names,
// that name.
inline constexpr const char* kCauseException = TR_TEXT("Tessaly", "异常应答 %1：%2");
inline constexpr const char* kCauseExceptionUnnamed = TR_TEXT("Tessaly", "异常应答 %1");
inline constexpr const char* kExceptionIllegalFunction = TR_TEXT("Tessaly", "非法功能");
inline constexpr const char* kExceptionIllegalAddress = TR_TEXT("Tessaly", "非法数据地址");
inline constexpr const char* kExceptionIllegalValue = TR_TEXT("Tessaly", "非法数据值");
inline constexpr const char* kExceptionDeviceFailure = TR_TEXT("Tessaly", "从站设备故障");
inline constexpr const char* kExceptionAcknowledge = TR_TEXT("Tessaly", "确认");
inline constexpr const char* kExceptionDeviceBusy = TR_TEXT("Tessaly", "从站设备忙");
inline constexpr const char* kExceptionParityError = TR_TEXT("Tessaly", "存储奇偶性差错");
inline constexpr const char* kExceptionGatewayPath = TR_TEXT("Tessaly", "网关路径不可用");
inline constexpr const char* kExceptionGatewayTarget = TR_TEXT("Tessaly", "网关目标设备无响应");
// What became of the port itself, in the 结果 column of a row that is not an exchange.
inline constexpr const char* kEventOpenFailed = TR_TEXT("Tessaly", "打开串口失败：%1");
inline constexpr const char* kEventHungUp = TR_TEXT("Tessaly", "线路断开");
inline constexpr const char* kEventBack = TR_TEXT("Tessaly", "线路恢复");
// Why an open failed, after 打开串口失败：.
inline constexpr const char* kOpenNoDevice = TR_TEXT("Tessaly", "设备不存在");
inline constexpr const char* kOpenBusy = TR_TEXT("Tessaly", "串口被占用");
inline constexpr const char* kOpenBusyBy = TR_TEXT("Tessaly", "串口被占用（%1）");
inline constexpr const char* kOpenNoPermission = TR_TEXT("Tessaly", "没有权限");
inline constexpr const char* kOpenNoPermissionGroup =
    TR_TEXT("Tessaly", "没有权限（请加入 %1 组后重新登录）");
inline constexpr const char* kOpenNotSerial = TR_TEXT("Tessaly", "不是串口设备");
inline constexpr const char* kOpenRateRefused = TR_TEXT("Tessaly", "串口不接受此设置");
inline constexpr const char* kOpenBadUrl = TR_TEXT("Tessaly", "服务器地址格式错误");
inline constexpr const char* kOpenUnknownHost = TR_TEXT("Tessaly", "找不到服务器");
inline constexpr const char* kOpenRefused = TR_TEXT("Tessaly", "服务器拒绝连接");
inline constexpr const char* kOpenUnreachable = TR_TEXT("Tessaly", "无法到达服务器");
inline constexpr const char* kOpenTimedOut = TR_TEXT("Tessaly", "连接服务器超时");
inline constexpr const char* kOpenNotRfc2217 = TR_TEXT("Tessaly", "服务器不支持 RFC 2217");
inline constexpr const char* kOpenOther = TR_TEXT("Tessaly", "系统错误：%1");

// 电流曲线.
inline constexpr const char* kTrendCaption = TR_TEXT("Tessaly", "电流曲线");
inline constexpr const char* kTrendReadings = TR_TEXT("Tessaly", "电流");
inline constexpr const char* kTrendFailures = TR_TEXT("Tessaly", "失败");
inline constexpr const char* kTrendCurrentTitle = TR_TEXT("Tessaly", "电流（A）");
inline constexpr const char* kTrendSaveTitle = TR_TEXT("Tessaly", "保存电流曲线");
inline constexpr const char* kTrendStats =
    TR_TEXT("Tessaly", "读数 %1 次，失败 %2 次，最小 %3，平均 %4，最大 %5");
inline constexpr const char* kTrendNoValue = "--";
// What assistive technology says of the chart.
inline constexpr const char* kTrendDescription =
    TR_TEXT("Tessaly", "最近十分钟的电流读数，失败的读数标在时间轴上");
