// SPDX-License-Identifier: GPL-3.0-or-later
// Resource identifiers: the dialog templates, their controls, the icon, strings and menu commands.
#pragma once

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDD_SENSOR_DIALOG = 102;
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr unsigned IDM_ABOUTBOX = 0x0010;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDC_STATIC = -1;

inline constexpr int IDC_PORT = 1001;
inline constexpr int IDC_BAUD = 1002;
inline constexpr int IDC_ADDRESS = 1003;
inline constexpr int IDC_SCAN_1200 = 1004;
inline constexpr int IDC_SCAN_2400 = 1005;
inline constexpr int IDC_SCAN_4800 = 1006;
inline constexpr int IDC_SCAN_9600 = 1007;
inline constexpr int IDC_SEARCH = 1008;
inline constexpr int IDC_SCAN_FROM = 1009;
inline constexpr int IDC_SCAN_TO = 1010;
inline constexpr int IDC_SEARCH_RESULT = 1011;
inline constexpr int IDC_NEW_ADDRESS = 1012;
inline constexpr int IDC_SET_ADDRESS = 1013;
inline constexpr int IDC_NEW_BAUD = 1014;
inline constexpr int IDC_SET_BAUD = 1015;
inline constexpr int IDC_TURNS = 1017;
inline constexpr int IDC_PERIOD = 1020;
inline constexpr int IDC_OK_COUNT = 1021;
inline constexpr int IDC_FAIL_COUNT = 1022;
inline constexpr int IDC_ACQUIRE = 1023;
inline constexpr int IDC_CURRENT = 1024;
inline constexpr int IDC_SET_TURNS = 1028;
inline constexpr int IDC_READ_TURNS = 1029;
inline constexpr int IDC_ZERO = 1030;
inline constexpr int IDC_CALIBRATE = 1031;

// System command values (WM_SYSCOMMAND) the main window answers besides its About entry.
inline constexpr unsigned SC_MINIMIZE = 0xF020;
inline constexpr unsigned SC_CLOSE = 0xF060;
inline constexpr unsigned SC_RESTORE = 0xF120;
