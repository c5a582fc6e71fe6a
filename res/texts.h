// SPDX-License-Identifier: GPL-3.0-or-later
// The operator-visible texts that the program sets at run time (UTF-8). The templates hold the
// rest. Full-width and ASCII punctuation differ on purpose: these are the texts operators know.
#pragma once

// String table.
inline constexpr const char* IDS_ABOUTBOX_TEXT = "关于 Tessaly(&A)...";
// The context menu's diagnostics entries, above the About entry.
inline constexpr const char* kTrafficLogMenu = "通讯记录(&T)...";
inline constexpr const char* kCurrentTrendMenu = "电流曲线(&G)...";

inline constexpr const char* kAcquireCaption = "采集";
inline constexpr const char* kSearchCaption = "搜索";
inline constexpr const char* kStopCaption = "停止";
inline constexpr const char* kNoReading = "***";

inline constexpr const char* kOpenFailed = "打开串口失败，此串口不存在或被占用";
inline constexpr const char* kWorkerOpenFailed = "没有发现此串口或此串口被占用";
inline constexpr const char* kBadRange = "请输入正确的地址范围0~255!!!";
inline constexpr const char* kSearching = "正在搜索：波特率%1--地址%2";
inline constexpr const char* kFoundBox = "通讯参数为 波特率：%1 地址：%2";
inline constexpr const char* kFoundResult = "波特率：%1 地址：%2";
inline constexpr const char* kSearchFailedBox = "搜索通讯参数失败,请检查接线和串口是否正确!!!";
inline constexpr const char* kSearchFailedResult = "未搜索到通讯参数";
inline constexpr const char* kSearchStopped = "已经停止搜索";

inline constexpr const char* kBadNewAddress = "地址范围为0~255,请正确输入!!!";
inline constexpr const char* kSetAddressFailed = "设置地址失败!!!";
inline constexpr const char* kSetAddressDone = "设置地址成功!!!";
inline constexpr const char* kReadFailed = "读数据失败!!!";
inline constexpr const char* kSetBaudDone = "设置波特率成功!!!";
inline constexpr const char* kBadTurns = "原边线圈匝数范围为1~10";
inline constexpr const char* kSetTurnsDone = "设置原边线圈匝数范围成功!!!";
inline constexpr const char* kZeroDone = "调零成功!!!";
inline constexpr const char* kZeroFailed = "调零失败！";
inline constexpr const char* kCalibrateDone = "较机成功!!!";
inline constexpr const char* kCalibrateFailed = "较机失败！";

// The port list's tooltip for a COM number that has no device behind it (our own wording).
inline constexpr const char* kNoDevice = "此串口号下没有设备";
