// SPDX-License-Identifier: GPL-3.0-or-later
// Every JSON object the tests of this process saw tessalyctl print is checked, once they have
// run, against the schema that ships with the program, by an independent validator.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "cli_run.h"

namespace {

class SchemaCheck : public ::testing::Environment {
public:
    void TearDown() override {
        const std::vector<std::string>& objects = PrintedJson();
        if (objects.empty())
            return;
        const std::string file =
            testing::TempDir() + "tessalyctl-printed-" + std::to_string(getpid()) + ".jsonl";
        {
            std::ofstream out(file);
            for (const std::string& object : objects)
                out << object << '\n';
        }
        const std::string command = std::string("python3 ") + VALIDATE_JSON + " " +
                                    TESSALYCTL_SCHEMA + " " + file + " 2>&1";
        std::string report;
        FILE* validator = popen(command.c_str(), "r");
        ASSERT_NE(validator, nullptr);
        char buffer[4096];
        while (size_t n = fread(buffer, 1, sizeof buffer, validator))
            report.append(buffer, n);
        const int status = pclose(validator);
        std::remove(file.c_str());
        EXPECT_EQ(status, 0) << objects.size() << " objects checked:\n" << report;
    }
};

const auto* const kSchemaCheck = ::testing::AddGlobalTestEnvironment(new SchemaCheck);

}  // namespace
