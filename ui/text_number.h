// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers typed by the operator are read the way the C runtime's atoi reads them, which the
// operators are used to: leading blanks skipped, an optional sign, digits up to the first
// non-digit. Values beyond int saturate instead of being undefined.
#pragma once

#include <QString>
#include <optional>

// The number the text starts with; nothing when it starts with no number ("", "abc", "２５５").
std::optional<int> LeadingNumber(const QString& text);

// atoi: 0 when the text starts with no number. For values the window keeps to itself (the period).
int Atoi(const QString& text);

// For a value that goes to the sensor or names the device of an exchange: a text with no leading
// number is out of every range the window checks, rather than the 0 atoi would make of it (which
// would write address 0, or talk to device 0).
int ValueToSend(const QString& text);
