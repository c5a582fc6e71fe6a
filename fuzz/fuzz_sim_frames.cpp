// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated sensor's frame parser over arbitrary byte streams: no crash, and every reply it
// makes is a well-formed frame answering the address it was sent to.
#include <cstdint>
#include <cstdlib>

#include "exchange.h"
#include "registers.h"
#include "sensor_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    SensorConfig config;
    config.address = data[0];
    config.echoWrites = (data[1] & 1) != 0;
    SensorEngine sensor(config);
    double now = 0;
    size_t at = 2;
    while (at < size) {
        const size_t chunk = 1 + data[at] % 16;
        const int baud = SENSOR_RATES[data[at] % SENSOR_RATES.size()];
        ++at;
        const size_t length = chunk < size - at ? chunk : size - at;
        for (const FrameEvent& event : sensor.Receive(data + at, length, baud, now)) {
            if (!event.reply)
                continue;
            const auto& reply = *event.reply;
            if (reply.size() < 5 || reply[0] != event.request[0] ||
                Crc16(reply.data(), static_cast<int>(reply.size()) - 2) !=
                    (reply[reply.size() - 2] << 8 | reply.back()))
                std::abort();
        }
        at += length;
        now += (data[at - 1] & 0x3) * 0.03;
    }
    return 0;
}
