// SPDX-License-Identifier: GPL-3.0-or-later
#include "csv_field.h"

namespace {

// The length of the well-formed UTF-8 sequence at `at`, or 0: no overlong form, no surrogate,
// nothing above U+10FFFF.
size_t Utf8Length(std::string_view text, size_t at) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    size_t length = 0;
    unsigned char low = 0x80;  // the range of the second byte, narrowed where the lead requires
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(1) < low || byte(1) > high)
        return 0;
    for (size_t k = 2; k < length; ++k)
        if (byte(k) < 0x80 || byte(k) > 0xBF)
            return 0;
    return length;
}

}  // namespace

std::string CsvField(std::string_view text) {
    std::string field;
    bool quote = false;
    for (size_t at = 0; at < text.size();) {
        const size_t length = Utf8Length(text, at);
        if (length == 0) {
            field += "\xEF\xBF\xBD";  // U+FFFD
            ++at;
            continue;
        }
        const char c = text[at];
        quote = quote || c == ',' || c == '"' || c == '\r' || c == '\n';
        if (c == '"')
            field += '"';
        field.append(text.substr(at, length));
        at += length;
    }
    return quote ? '"' + field + '"' : field;
}
