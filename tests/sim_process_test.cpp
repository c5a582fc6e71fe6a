// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly-sim as a process: a stop signal ends it promptly in every state and removes its link,
// which no second simulator takes over, and a dead client's exclusive flag goes with its last
// close.
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <chrono>
#include <filesystem>
#include <stdexcept>

#include "exchange.h"
#include "support/sim_process.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Requests, read by nobody, until the line takes no more: the simulator is then held up writing
// replies. False if the line never filled.
bool FillLine(int fd) {
    const auto request = BuildRequest(1, 0x04, 0, 1);
    size_t written = 0;
    for (auto lastTaken = Clock::now(); Clock::now() - lastTaken < 300ms;) {
        if (written >= 1024 * 1024)
            return false;
        if (write(fd, request.data(), request.size()) == REQUEST_LENGTH) {
            written += REQUEST_LENGTH;
            lastTaken = Clock::now();
        } else {
            usleep(1000);
        }
    }
    return written >= 4096;
}

// Once blocked on a client that stopped reading, tessaly-sim lived on after SIGTERM and kept its
// link, and the helper that stopped it hung.
TEST(SimProcess, StopSignalEndsItInEveryState) {
    struct Row {
        const char* state;
        std::vector<std::string> options;
        int signal;
    } rows[] = {
        {"waiting for a request", {}, SIGHUP},
        {"holding a reply for its turnaround", {"--turnaround-ms", "10000"}, SIGINT},
        {"holding replies for their time on the wire", {"--wire-timing", "--baud", "1200"}, SIGINT},
        {"blocked writing replies nobody reads", {}, SIGTERM},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.state);
        const std::string link = "/tmp/tessaly-sim-stop-" + std::to_string(getpid());
        std::vector<std::string> options{"--link", link};
        options.insert(options.end(), row.options.begin(), row.options.end());
        SimProcess sim(options);
        const int fd = open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        if (row.signal == SIGTERM) {
            ASSERT_TRUE(FillLine(fd));
        } else if (row.signal == SIGINT) {
            // The client's side keeps the rate the simulator set on it: the sensor hears these.
            const auto request = BuildRequest(1, 0x04, 0, 1);
            for (int k = 0; k < 64; ++k)
                ASSERT_EQ(write(fd, request.data(), request.size()), REQUEST_LENGTH);
            usleep(100000);
        }
        const auto start = Clock::now();
        const int status = sim.Stop(2s, row.signal);
        const auto took = Clock::now() - start;
        close(fd);
        struct stat left {};
        const bool linkLeft = lstat(link.c_str(), &left) == 0;
        unlink(link.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        EXPECT_LT(took, 2s);
        EXPECT_FALSE(linkLeft);
    }
}

// Two simulators on one --link: the second replaced the first's link, and the first, stopping,
// then removed the link that was no longer its own.
TEST(SimProcess, ALiveSimulatorKeepsItsLink) {
    const std::string link = testing::TempDir() + "tessaly-sim-link-" + std::to_string(getpid());
    SimProcess first({"--link", link});
    EXPECT_THROW(SimProcess({"--link", link}), std::runtime_error) << "the second must refuse";
    EXPECT_EQ(std::filesystem::read_symlink(link), first.ptyPath());
}

// A client killed with the line exclusive (SIGKILL: it can do nothing) leaves the line as a real
// adapter's last close does: free for the next client, not "busy" until the simulator restarts.
TEST(SimProcess, ADeadClientsExclusiveFlagGoesWithIt) {
    SimProcess sim({});
    const int fd = open(sim.ptyPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ioctl(fd, TIOCEXCL), 0);
    close(fd);  // as the kernel closes a dead client's handles, leaving the flag set
    int exclusive = 1;
    for (int k = 0; k < 100 && exclusive; ++k) {
        usleep(10000);
        const int again = open(sim.ptyPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (again >= 0) {  // root opens whatever the flag; others are refused while it is set
            ioctl(again, TIOCGEXCL, &exclusive);
            close(again);
        }
    }
    EXPECT_EQ(exclusive, 0);
}

}  // namespace
