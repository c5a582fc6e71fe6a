// SPDX-License-Identifier: GPL-3.0-or-later
#include "text_number.h"

#include <climits>

std::optional<int> LeadingNumber(const QString& text) {
    int i = 0;
    const int n = static_cast<int>(text.size());
    auto isBlank = [](QChar c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); };
    while (i < n && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    if (i == n || text[i] < u'0' || text[i] > u'9')
        return std::nullopt;
    long long value = 0;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i)
        if (value <= INT_MAX)  // stop growing once past any int; the sign decides the bound
            value = value * 10 + (text[i].unicode() - u'0');
    if (negative)
        return value > -static_cast<long long>(INT_MIN) ? INT_MIN : static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

int Atoi(const QString& text) {
    return LeadingNumber(text).value_or(0);
}

int ValueToSend(const QString& text) {
    return LeadingNumber(text).value_or(INT_MIN);
}
