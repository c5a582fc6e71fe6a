// SPDX-License-Identifier: GPL-3.0-or-later
// Reception over arbitrary bytes arriving in arbitrary chunks, bare or after the adapter's echo of
// the request (whole or damaged): never reads past what came, accepts only frames whose length and
// check agree, sets an echo apart only when the bytes begin as the request, and judges a line
// without echo exactly as before.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "exchange.h"
#include "support/scripted_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    const int replyLength = 3 + data[0] % 20;
    const uint8_t shape = data[1];  // bit 0: echo first; bits 1-3: a byte of it damaged; 4-7: chunk
    const auto request = BuildRequest(data[2], data[3] & 1 ? 0x06 : 0x04, 0, data[3]);
    std::vector<uint8_t> bytes;
    if (shape & 1) {
        bytes.assign(request.begin(), request.end());
        if (shape & 0x0E)
            bytes[(shape >> 1) & 7] ^= 0x5A;
    }
    bytes.insert(bytes.end(), data + 4, data + size);
    std::vector<std::vector<uint8_t>> chunks;
    const size_t chunk = 1 + (shape >> 4);
    for (size_t at = 0; at < bytes.size(); at += chunk)
        chunks.emplace_back(bytes.begin() + at, bytes.begin() + std::min(at + chunk, bytes.size()));

    ExchangeRecord record;
    record.request = request;
    ScriptedLine line(chunks);
    ReplySource source = line.Source();
    ReceiveReply(record, source, replyLength, SHORT_WAIT_MS, 0, 1);

    const bool echoFirst =
        bytes.size() >= 3 && std::equal(request.begin(), request.begin() + 3, bytes.begin());
    if (record.echo.empty() == echoFirst)
        std::abort();
    if (record.echo.size() + record.reply.size() > bytes.size())
        std::abort();
    const bool echoWhole = record.echo.size() == request.size() &&
                           std::equal(record.echo.begin(), record.echo.end(), request.begin());
    if ((record.cause == ExchangeCause::EchoCorrupted) != (echoFirst && !echoWhole))
        std::abort();
    if (record.cause == ExchangeCause::EchoNoReply && !(echoWhole && record.reply.empty()))
        std::abort();
    if (record.accepted()) {
        const uint8_t* reply = record.reply.data();
        const uint16_t check = Crc16(reply, replyLength - 2);
        if (static_cast<int>(record.reply.size()) != replyLength || record.queued != replyLength ||
            reply[replyLength - 2] != (check >> 8) || reply[replyLength - 1] != (check & 0xFF))
            std::abort();
        if ((record.cause == ExchangeCause::Accepted) !=
            (reply[0] == request[0] && reply[1] == request[1]))
            std::abort();
    }
    if (!echoFirst && (line.waits != 1 || line.reads != 1))  // as on a line without echo, ever
        std::abort();
    return 0;
}
