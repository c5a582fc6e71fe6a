// SPDX-License-Identifier: GPL-3.0-or-later
#include "sensor_bus.h"

#include <utility>

SensorBus::SensorBus(const std::vector<SensorConfig>& sensors)
    : sensors_(sensors.begin(), sensors.end()) {}

std::vector<FrameEvent> SensorBus::Receive(const uint8_t* bytes, size_t length, int baudSeen,
                                           double nowS) {
    std::vector<FrameEvent> events;
    for (std::vector<uint8_t>& request : framer_.Feed(bytes, length, nowS)) {
        FrameEvent event{std::move(request), baudSeen, std::nullopt};
        for (SensorEngine& sensor : sensors_) {
            const auto reply = sensor.Hear(event.request, baudSeen, nowS);
            if (!reply)
                continue;
            if (!event.reply)
                event.reply.emplace();
            event.reply->insert(event.reply->end(), reply->begin(), reply->end());
        }
        events.push_back(std::move(event));
    }
    return events;
}
