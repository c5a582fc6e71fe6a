// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of the tool windows opened from the main window's context menu (UTF-8): the traffic
// log, the current trend, and what they share.
#pragma once

// Shared by both tool windows.
inline constexpr const char* kToolClear = "清除";
inline constexpr const char* kToolSave = "保存...";
inline constexpr const char* kCsvFilter = "CSV 文件 (*.csv)";
inline constexpr const char* kSaveFailed = "保存文件失败：%1";

// 通讯记录.
inline constexpr const char* kTrafficLogCaption = "通讯记录";
inline constexpr const char* kTrafficLogPause = "暂停";
inline constexpr const char* kTrafficLogResume = "继续";
inline constexpr const char* kTrafficLogSaveTitle = "保存通讯记录";
inline constexpr const char* kTrafficLogRowCount = "共 %1 条";
inline constexpr const char* kTrafficLogHeaders[] = {"时间", "串口", "波特率", "地址",
                                                     "请求", "回显", "应答",   "结果"};
// What became of an exchange, in the 结果 column.
inline constexpr const char* kCauseAccepted = "成功";
inline constexpr const char* kCauseOtherSender = "成功（地址或功能码不符）";
inline constexpr const char* kCauseNoReply = "无应答";
inline constexpr const char* kCauseShort = "应答不完整（%1 字节）";
inline constexpr const char* kCauseTooLong = "应答过长";
inline constexpr const char* kCauseBadCheck = "校验错误";
inline constexpr const char* kCauseEchoCorrupted = "回显错误";
inline constexpr const char* kCauseEchoNoReply = "回显后无应答";
inline constexpr const char* kCauseLateAnswer = "迟到的应答（地址或功能码不符）";

// 电流曲线.
inline constexpr const char* kTrendCaption = "电流曲线";
inline constexpr const char* kTrendReadings = "电流";
inline constexpr const char* kTrendFailures = "失败";
inline constexpr const char* kTrendCurrentTitle = "电流（A）";
inline constexpr const char* kTrendSaveTitle = "保存电流曲线";
inline constexpr const char* kTrendStats = "读数 %1 次，失败 %2 次，最小 %3，平均 %4，最大 %5";
inline constexpr const char* kTrendNoValue = "--";
