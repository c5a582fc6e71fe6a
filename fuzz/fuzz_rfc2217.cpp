// SPDX-License-Identifier: GPL-3.0-or-later
// What a serial device server sends, as arbitrary bytes in arbitrary chunks: the decoder gives the
// same line bytes and answers whatever the chunks, never grows without bound, and the line's own
// bytes escaped for the connection come back unchanged with no option talk. A port name of any
// bytes is taken apart or refused, never read past.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "port_url.h"
#include "rfc2217.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const size_t chunk = 1 + data[0] % 16;
    const uint8_t* body = data + 1;
    const int length = static_cast<int>(size - 1);

    rfc2217::Decoder whole, pieces;
    std::vector<uint8_t> wholeData, piecesData;
    whole.Feed(body, length, wholeData);
    for (int at = 0; at < length; at += static_cast<int>(chunk))
        pieces.Feed(body + at, std::min(static_cast<int>(chunk), length - at), piecesData);
    if (wholeData != piecesData || whole.reply() != pieces.reply() ||
        whole.answers().size() != pieces.answers().size() || wholeData.size() > size ||
        whole.reply().size() > 3 * 2 * 256)
        std::abort();

    std::vector<uint8_t> escaped, back;
    rfc2217::AppendEscaped(escaped, body, length);
    rfc2217::Decoder line;
    line.Feed(escaped.data(), static_cast<int>(escaped.size()), back);
    if (back != std::vector<uint8_t>(body, body + length) || !line.reply().empty() ||
        !line.answers().empty() || line.spokeTelnet())
        std::abort();

    const std::string name(reinterpret_cast<const char*>(body), static_cast<size_t>(length));
    if (const auto url = ParsePortUrl(name);
        url &&
        (url->port < 1 || url->port > 65535 || url->host.empty() || url->kind == PortKind::Local))
        std::abort();
    return 0;
}
