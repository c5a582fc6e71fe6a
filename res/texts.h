// SPDX-License-Identifier: GPL-3.0-or-later
// The operator-visible texts that the program sets at run time (UTF-8), each marked for translation
// (tr_text.h). The templates hold the rest. Full-width and ASCII punctuation differ on purpose:
// these are the texts operators know.
#pragma once

#include "tr_text.h"

// String table.
inline constexpr const char* IDS_ABOUTBOX_TEXT = TR_TEXT("Tessaly", "关于 Tessaly(&A)...");
// The context menu's diagnostics entries, above the About entry.
inline constexpr const char* kTrafficLogMenu = TR_TEXT("Tessaly", "通讯记录(&T)...");
inline constexpr const char* kCurrentTrendMenu = TR_TEXT("Tessaly", "电流曲线(&G)...");

inline constexpr const char* kAcquireCaption = TR_TEXT("Tessaly", "采集");
inline constexpr const char* kSearchCaption = TR_TEXT("Tessaly", "搜索");
inline constexpr const char* kStopCaption = TR_TEXT("Tessaly", "停止");
inline constexpr const char* kNoReading = "***";
// The OK button of the message boxes.
inline constexpr const char* kOkCaption = TR_TEXT("Tessaly", "确定");

inline constexpr const char* kOpenFailed = TR_TEXT("Tessaly", "打开串口失败，此串口不存在或被占用");
inline constexpr const char* kWorkerOpenFailed = TR_TEXT("Tessaly", "没有发现此串口或此串口被占用");
inline constexpr const char* kBadRange = TR_TEXT("Tessaly", "请输入正确的地址范围0~255!!!");
inline constexpr const char* kSearching = TR_TEXT("Tessaly", "正在搜索：波特率%1--地址%2");
inline constexpr const char* kFoundBox = TR_TEXT("Tessaly", "通讯参数为 波特率：%1 地址：%2");
inline constexpr const char* kFoundResult = TR_TEXT("Tessaly", "波特率：%1 地址：%2");
inline constexpr const char* kSearchFailedBox =
    TR_TEXT("Tessaly", "搜索通讯参数失败,请检查接线和串口是否正确!!!");
inline constexpr const char* kSearchFailedResult = TR_TEXT("Tessaly", "未搜索到通讯参数");
inline constexpr const char* kSearchStopped = TR_TEXT("Tessaly", "已经停止搜索");

inline constexpr const char* kBadNewAddress = TR_TEXT("Tessaly", "地址范围为0~255,请正确输入!!!");
inline constexpr const char* kSetAddressFailed = TR_TEXT("Tessaly", "设置地址失败!!!");
inline constexpr const char* kSetAddressDone = TR_TEXT("Tessaly", "设置地址成功!!!");
inline constexpr const char* kReadFailed = TR_TEXT("Tessaly", "读数据失败!!!");
inline constexpr const char* kSetBaudDone = TR_TEXT("Tessaly", "设置波特率成功!!!");
inline constexpr const char* kBadTurns = TR_TEXT("Tessaly", "原边线圈匝数范围为1~10");
inline constexpr const char* kSetTurnsDone = TR_TEXT("Tessaly", "设置原边线圈匝数范围成功!!!");
inline constexpr const char* kZeroDone = TR_TEXT("Tessaly", "调零成功!!!");
inline constexpr const char* kZeroFailed = TR_TEXT("Tessaly", "调零失败！");
inline constexpr const char* kCalibrateDone = TR_TEXT("Tessaly", "较机成功!!!");
inline constexpr const char* kCalibrateFailed = TR_TEXT("Tessaly", "较机失败！");

// The port list's tooltip for a COM number that has no device behind it (our own wording).
inline constexpr const char* kNoDevice = TR_TEXT("Tessaly", "此串口号下没有设备");
