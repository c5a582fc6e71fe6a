// SPDX-License-Identifier: GPL-3.0-or-later
// Marks a text for translation while res/ stays free of Qt. The texts are Chinese, the windows'
// source language. Qt's lupdate reads TR_TEXT as its QT_TRANSLATE_NOOP and collects every marked
// text into res/tessaly_en.ts (scripts/update-translations); the windows translate each one where
// they show it, always in the context kTextContext.
#pragma once

#define TR_TEXT(context, text) text

inline constexpr const char* kTextContext = "Tessaly";
