// SPDX-License-Identifier: GPL-3.0-or-later
#include "options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdio>

#include "cli_version.h"
#include "registers.h"

namespace {

const char* const kToolHelp =
    "Find, read and configure KORVAN current sensors on an RS-485 line.\n\n"
    "PORT is COM1 ... COM10 (or just the number), resolved as the window resolves it, or a\n"
    "device path such as /dev/ttyUSB0.";

const char* const kToolFooter =
    "Exit status:\n"
    "  0  done\n"
    "  1  the sensor did not answer or refused\n"
    "  2  bad command line; nothing was sent\n"
    "  3  the port could not be opened\n\n"
    "Examples:\n"
    "  tessalyctl ports\n"
    "  tessalyctl -p COM3 search --fast --all\n"
    "  tessalyctl -p /dev/ttyUSB0 -b 4800 -a 3 read\n"
    "  tessalyctl -a 3 set address 17 --verify\n"
    "  tessalyctl -a 3 monitor --period 1000 --format csv > current.csv\n\n"
    "Run 'tessalyctl COMMAND --help' for a command's own options.";

// A whole decimal number, nothing before or after it.
bool ParseWhole(const std::string& text, long& out) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return !text.empty() && ec == std::errc() && ptr == end;
}

}  // namespace

CLI::Validator Whole(long low, long high) {
    const std::string range = std::to_string(low) + "-" + std::to_string(high);
    return CLI::Validator(
        [low, high, range](std::string& text) -> std::string {
            long value = 0;
            if (!ParseWhole(text, value))
                return "'" + text + "' is not a whole number in " + range;
            if (value < low || value > high)
                return text + " out of range " + range;
            // CLI11 reads a leading 0 as octal: hand it the number as the person meant it.
            text = std::to_string(value);
            return {};
        },
        "");
}

std::string RatesText(const std::vector<int>& rates, const char* separator) {
    std::string text;
    for (int rate : rates)
        text += (text.empty() ? "" : separator) + std::to_string(rate);
    return text;
}

std::string RatesText() {
    return RatesText({SENSOR_RATES.begin(), SENSOR_RATES.end()}, ", ");
}

CLI::Validator SensorRate() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            long value = 0;
            if (!ParseWhole(text, value) || value > SENSOR_RATES.back() ||
                BaudIndex(static_cast<int>(value)) < 0)
                return "'" + text + "' is not one of " + RatesText();
            text = std::to_string(value);
            return {};
        },
        "");
}

namespace {

// COM3, com3 or 3; anything with a slash is a device path.
bool ParsePort(const std::string& text, LineSettings& line) {
    if (text.find('/') != std::string::npos) {
        line.path = text;
        return true;
    }
    std::string number = text;
    if (number.size() > 3 && (number.compare(0, 3, "COM") == 0 || number.compare(0, 3, "com") == 0))
        number.erase(0, 3);
    long n = 0;
    if (!ParseWhole(number, n) || n < 1 || n > COM_PORT_COUNT)
        return false;
    line.portNumber = static_cast<int>(n);
    line.path.clear();
    return true;
}

CLI::Validator PortName() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            LineSettings line;
            return ParsePort(text, line) ? std::string()
                                         : "'" + text + "' is not COM1-COM" +
                                               std::to_string(COM_PORT_COUNT) + " or a device path";
        },
        "");
}

// The innermost command given, for the hint after a usage error.
std::string CommandPath(const CLI::App& app) {
    std::string path = app.get_name();
    for (const CLI::App* sub = &app; !sub->get_subcommands().empty();) {
        sub = sub->get_subcommands().front();
        path += " " + sub->get_name();
    }
    return path;
}

// Option lines as a Unix tool shows them: the value's name, without CLI11's type and flags.
class HelpFormatter : public CLI::Formatter {
public:
    std::string make_option_opts(const CLI::Option* option) const override {
        if (option->get_positional() || option->get_type_size() == 0)
            return {};
        return " " + option->get_type_name();
    }
    std::string make_description(const CLI::App* app) const override {
        return app->get_description() + "\n\n";
    }
    std::string make_usage(const CLI::App* app, std::string name) const override {
        if (app->get_parent())
            return CLI::Formatter::make_usage(app, name);
        return "Usage: tessalyctl [-p PORT] [-b RATE] [-a ADDRESS] [--trace] [--json] [-q] COMMAND "
               "[ARGS]\n";
    }
};

const char* const kGlobalNote =
    "The global options (-p, -b, -a, --trace, --json, -q) may come before or after the command;\n"
    "see 'tessalyctl --help'.";

}  // namespace

CLI::App* AddCommand(CLI::App& parent, const std::string& name, const std::string& help,
                     const std::string& details) {
    CLI::App* command = parent.add_subcommand(name, help);
    // The global options may follow the command too: tessalyctl read -p COM3.
    command->fallthrough();
    command->group("Commands");
    command->footer(details.empty() ? kGlobalNote : details + "\n\n" + kGlobalNote);
    return command;
}

void RunsWhenGiven(CLI::App& command, CommandRun& run, CommandRun body) {
    command.callback([&run, body = std::move(body)] { run = body; });
}

void AddGlobalOptions(CLI::App& app, GlobalOptions& o) {
    app.name("tessalyctl");
    app.description(kToolHelp);
    app.set_version_flag("--version", std::string("tessalyctl ") + TESSALYCTL_VERSION,
                         "show the version and exit");
    app.require_subcommand(1);
    auto formatter = std::make_shared<HelpFormatter>();
    formatter->column_width(24);
    formatter->label("SUBCOMMAND", "COMMAND");
    formatter->label("Positionals", "Arguments");
    app.formatter(formatter);
    app.set_help_flag("-h,--help", "show this help and exit");

    app.add_option_function<std::string>(
           "-p,--port", [&o](const std::string& port) { ParsePort(port, o.line); },
           "serial port (default COM1)")
        ->type_name("PORT")
        ->check(PortName());
    app.add_option("-b,--baud", o.line.baud,
                   "the sensor's baud rate: " + RatesText() + " (default 9600)")
        ->type_name("RATE")
        ->transform(SensorRate());
    app.add_option("-a,--address", o.address, "the sensor's address, 0-255 (default 0)")
        ->type_name("N")
        ->transform(Whole(ADDRESS_MIN, ADDRESS_MAX));
    app.add_flag("--trace", o.trace, "show every frame on stderr, with each reply's cause");
    app.add_flag("--json", o.json, "write JSON Lines on stdout instead of text");
    app.add_flag("-q,--quiet", o.quiet, "no progress line and no summary on stderr");
}

std::optional<int> ParseCommandLine(CLI::App& app, int argc, char** argv) {
    app.footer(kToolFooter);  // after the commands, which would inherit it

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        // A mistyped command is left over rather than parsed; say so, not that one is missing.
        const std::vector<std::string> left = app.remaining();
        std::string message = app.get_subcommands().empty() && !left.empty()
                                  ? "unknown command '" + left.front() + "'"
                                  : std::string(e.what());
        // CLI11 starts its messages with a capital; a Unix tool's follow its name in lower case.
        // A name in capitals ("TURNS: 0 out of range") stays as it is.
        if (message.size() > 1 && message[0] >= 'A' && message[0] <= 'Z' &&
            !(message[1] >= 'A' && message[1] <= 'Z'))
            message[0] = static_cast<char>(message[0] - 'A' + 'a');
        std::fprintf(stderr, "tessalyctl: %s\nTry '%s --help'.\n", message.c_str(),
                     CommandPath(app).c_str());
        return EXIT_USAGE;
    }
    return std::nullopt;
}
