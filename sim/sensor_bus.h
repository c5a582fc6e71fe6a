// SPDX-License-Identifier: GPL-3.0-or-later
// Several simulated sensors on one bus, as an RS-485 line can hold them: every request is heard
// by every sensor, and the one whose address and rate it matches answers.
#pragma once

#include <vector>

#include "sensor_engine.h"

class SensorBus {
public:
    explicit SensorBus(const std::vector<SensorConfig>& sensors);

    // As SensorEngine::Receive, for the whole line. Sensors that came to share an address and a
    // rate (one was given the other's address) all answer, and their replies run together on the
    // line one after the other, as they would on a real one.
    std::vector<FrameEvent> Receive(const uint8_t* bytes, size_t length, int baudSeen, double nowS);

    const SensorEngine& sensor(size_t index) const { return sensors_.at(index); }

private:
    RequestFramer framer_;
    std::vector<SensorEngine> sensors_;
};
