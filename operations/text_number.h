// Numbers typed by the operator are read the way the C runtime's atoi reads them, which the
// operators are used to: leading blanks skipped, an optional sign, digits up to the first
// non-digit, 0 when there are none. Values beyond int saturate instead of being undefined.
#pragma once

#include <QString>

int Atoi(const QString& text);
