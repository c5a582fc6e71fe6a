// SPDX-License-Identifier: GPL-3.0-or-later
// The simulators a Windows test reaches: it can start none (a Linux program) nor remap a COM port
// under Wine, so scripts/test-windows starts one per role, maps a COM port to each and names them
// in TESSALY_SIM_<ROLE>=<COM number>|<log file>. They live for the whole run.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

struct WineSim {
    int portNumber = 0;   // 0: the run did not start this simulator
    std::string logPath;  // the simulator's JSON log, as a Windows path

    explicit operator bool() const { return portNumber > 0; }
    std::string comName() const { return "COM" + std::to_string(portNumber); }

    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::ifstream log(logPath);
        for (std::string line; std::getline(log, line);)
            lines.push_back(line);
        return lines;
    }
};

inline WineSim FindSim(const std::string& role) {
    WineSim sim;
    const char* value = std::getenv(("TESSALY_SIM_" + role).c_str());
    if (!value)
        return sim;
    const std::string entry = value;
    const auto bar = entry.find('|');
    sim.portNumber = std::atoi(entry.substr(0, bar).c_str());
    if (bar != std::string::npos)
        sim.logPath = entry.substr(bar + 1);
    return sim;
}
