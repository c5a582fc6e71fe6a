// SPDX-License-Identifier: GPL-3.0-or-later
// Reply acceptance over arbitrary bytes and counts: never reads past the reply, and accepts only
// frames whose length and check agree.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "exchange.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    const int replyLength = 3 + data[0] % 20;
    const int queued = data[1] % 32;
    const std::vector<uint8_t> reply(data + 2, data + size);
    const int got = static_cast<int>(reply.size() < static_cast<size_t>(replyLength) ? reply.size()
                                                                                     : replyLength);
    std::vector<uint8_t> buffer(replyLength, 0);
    std::copy(reply.begin(), reply.begin() + got, buffer.begin());
    const auto request = BuildRequest(data[0], data[1], 0, 1);
    const ExchangeCause cause = JudgeReply(request.data(), buffer.data(), got, queued, replyLength);
    if (cause == ExchangeCause::Accepted || cause == ExchangeCause::OtherSender) {
        const uint16_t check = Crc16(buffer.data(), replyLength - 2);
        if (got != replyLength || queued != replyLength ||
            buffer[replyLength - 2] != (check >> 8) || buffer[replyLength - 1] != (check & 0xFF))
            std::abort();
        if ((cause == ExchangeCause::Accepted) !=
            (buffer[0] == request[0] && buffer[1] == request[1]))
            std::abort();
    }
    return 0;
}
