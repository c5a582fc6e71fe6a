// SPDX-License-Identifier: GPL-3.0-or-later
#include "options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "cli_version.h"
#include "commands.h"
#include "output.h"
#include "port_url.h"
#include "registers.h"

namespace {

const char* const kToolHelp =
    "Find, read and configure KORVAN current sensors on an RS-485 line.\n\n"
    "PORT is COM1 ... COM10 (or just the number), resolved as the window resolves it, or a\n"
    "device path such as /dev/ttyUSB0, or a line through a serial device server:\n"
    "rfc2217://HOST:PORT (the server sets the rate) or tcp://HOST:PORT (the server's rate, which\n"
    "-b must name). TESSALY_PORT, TESSALY_BAUD and TESSALY_ADDRESS give -p, -b and -a when the\n"
    "option is absent; the command line wins.";

const char* const kToolFooter =
    "Exit status:\n"
    "  0  done\n"
    "  1  the sensor did not answer or refused\n"
    "  2  bad command line; nothing was sent\n"
    "  3  the port could not be opened\n"
    "  4  the output could not be written (a full disk); the work stopped there\n"
    "  128+N  ended by signal N after its summary (130: Ctrl-C)\n\n"
    "Examples:\n"
    "  tessalyctl ports\n"
    "  tessalyctl -p COM3 search --fast --all\n"
    "  tessalyctl -p COM3 -b 4800 -a 3 read\n"
    "  tessalyctl -p COM3 -b 4800 -a 3 set address 17 --verify\n"
    "  tessalyctl -p COM3 -b 4800 -a 17 monitor --period 1000 --format csv > current.csv\n"
    "  tessalyctl -p COM3 -b 19200 -a 3,7,200 monitor --json\n"
    "  tessalyctl -p COM3 provision --address 1 --baud 9600 --turns 2\n\n"
    "Run 'tessalyctl help COMMAND' (or 'tessalyctl COMMAND --help') for a command's own options.";

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
                return "'" + text + "' is out of range " + range;
            // CLI11 reads a leading 0 as octal: hand it the number as the person meant it.
            text = std::to_string(value);
            return {};
        },
        "");
}

CLI::Validator OneOf(const std::vector<std::string>& words) {
    return CLI::Validator(
        [words](std::string& text) -> std::string {
            if (std::find(words.begin(), words.end(), text) != words.end())
                return {};
            std::string list;
            for (const std::string& word : words)
                list += (list.empty() ? "" : ", ") + word;
            return "'" + text + "' is not one of " + list;
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

// The typing distance between two words: letters inserted, deleted or changed.
size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0]++;
        for (size_t j = 1; j <= b.size(); ++j)
            diagonal = std::exchange(
                row[j], std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])}));
    }
    return row[b.size()];
}

// COM3, com3 or 3; rfc2217://HOST:PORT or tcp://HOST:PORT; anything else with a slash is a device
// path.
bool ParsePort(const std::string& text, LineSettings& line) {
    if (LooksLikeUrl(text) && !ParsePortUrl(text))
        return false;
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
            std::string problem;
            if (LooksLikeUrl(text) && !ParsePortUrl(text, &problem))
                return "'" + text + "' is not a remote port: " + problem;
            return ParsePort(text, line)
                       ? std::string()
                       : "'" + text + "' is not COM1-COM" + std::to_string(COM_PORT_COUNT) +
                             ", a device path or a remote port";
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
        return "Usage: tessalyctl [-p PORT] [-b RATE] [-a ADDRESS] [--timeout-ms MS] [--trace] "
               "[--json] [-q] COMMAND [ARGS]\n";
    }
};

const char* const kGlobalNote =
    "The global options (-p, -b, -a, --timeout-ms, --trace, --json, -q) may come before or after\n"
    "the command; see 'tessalyctl --help'.";

// "unknown command 'serch'; did you mean 'search'?": among `parent`'s commands, those a typo or
// two away (or that the word begins).
std::string UnknownCommand(const CLI::App& parent, const std::string& word) {
    std::string message = "unknown command '" + word + "'";
    std::string close;
    for (const CLI::App* command : parent.get_subcommands({})) {
        const std::string& name = command->get_name();
        if (EditDistance(word, name) <= (word.size() > 5 ? 2u : 1u) ||
            (word.size() >= 2 && name.rfind(word, 0) == 0))
            close += (close.empty() ? "'" : " or '") + name + "'";
    }
    return close.empty() ? message : message + "; did you mean " + close + "?";
}

// The message for people: CLI11's words where they are unclear, in a Unix tool's lower case.
std::string UsageMessage(const CLI::App& app, std::string message) {
    // A mistyped command is left over rather than parsed; say so, not that one is missing.
    const std::vector<std::string> left = app.remaining();
    if (!left.empty() && (app.get_subcommands().empty() ||
                          message.find("subcommand is required") != std::string::npos)) {
        const CLI::App* parent = &app;
        while (!parent->get_subcommands().empty())
            parent = parent->get_subcommands().front();
        message = UnknownCommand(*parent, left.front());
    }
    // "search excludes --baud": an option the command would not use.
    if (const size_t excludes = message.find(" excludes "); excludes != std::string::npos)
        message =
            message.substr(excludes + 10) + " is not used with " + message.substr(0, excludes);
    // CLI11 starts its messages with a capital; a Unix tool's follow its name in lower case.
    // A name in capitals ("TURNS: 0 out of range") stays as it is.
    if (message.size() > 1 && message[0] >= 'A' && message[0] <= 'Z' &&
        !(message[1] >= 'A' && message[1] <= 'Z'))
        message[0] = static_cast<char>(message[0] - 'A' + 'a');
    return message;
}

// Reports a usage error with the help that describes what was wrong: the tool's for a global
// option (wherever it was typed), else the innermost command's.
int UsageError(const CLI::App& app, const std::string& message) {
    const std::string option = message.substr(0, message.find(':'));
    const bool global = option.rfind("-", 0) == 0 && app.get_option_no_throw(option) != nullptr;
    // The help command's own errors are about the tool's commands.
    const std::string command = CommandPath(app);
    const bool tool = global || command == "tessalyctl help";
    PrintError(message);
    std::fprintf(stderr, "Try '%s --help'.\n", tool ? "tessalyctl" : command.c_str());
    return EXIT_USAGE;
}

// -p, -b and -a from the environment when the command line leaves them out, checked as on the
// command line; a bad value is a usage error that names the variable it came from.
std::optional<int> TakeEnvironment(CLI::App& app) {
    const std::pair<const char*, const char*> defaults[] = {
        {"--port", "TESSALY_PORT"}, {"--baud", "TESSALY_BAUD"}, {"--address", "TESSALY_ADDRESS"}};
    for (const auto& [name, variable] : defaults) {
        CLI::Option* option = app.get_option(name);
        const char* value = std::getenv(variable);
        if (option->count() > 0 || value == nullptr)
            continue;
        try {
            option->add_result(value);
            option->run_callback();
        } catch (const CLI::ParseError& e) {
            PrintError(std::string(variable) + ": " + e.what());
            std::fputs("Try 'tessalyctl --help'.\n", stderr);
            return EXIT_USAGE;
        }
    }
    return std::nullopt;
}

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
    app.set_version_flag("-V,--version", std::string("tessalyctl ") + TESSALYCTL_VERSION,
                         "show the version and exit");
    // As in most tools, an option given twice takes its last value: a script's default, then the
    // person's own.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.require_subcommand(1);
    auto formatter = std::make_shared<HelpFormatter>();
    formatter->column_width(24);
    formatter->label("SUBCOMMAND", "COMMAND");
    formatter->label("Positionals", "Arguments");
    app.formatter(formatter);
    app.set_help_flag("-h,--help", "show this help and exit");

    app.add_option_function<std::string>(
           "-p,--port", [&o](const std::string& port) { ParsePort(port, o.line); },
           "serial port (default COM1, or TESSALY_PORT)")
        ->type_name("PORT")
        ->check(PortName());
    app.add_option("-b,--baud", o.line.baud,
                   "the sensor's baud rate: " + RatesText() + " (default 9600, or TESSALY_BAUD)")
        ->type_name("RATE")
        ->transform(SensorRate());
    const auto addresses = [](const std::string& text, std::vector<int>& list) {
        return ParseList(text, Whole(ADDRESS_MIN, ADDRESS_MAX), list);
    };
    app.add_option_function<std::string>(
           "-a,--address",
           [&o, addresses](const std::string& text) {
               addresses(text, o.addresses);
               o.address = o.addresses.front();
           },
           "the sensor's address, 0-255 (default 0, or TESSALY_ADDRESS); read and monitor take "
           "a list, 3,7,200")
        ->type_name("N")
        ->check(CLI::Validator(
            [addresses](std::string& text) {
                std::vector<int> list;
                return addresses(text, list);
            },
            ""));
    app.add_option("--timeout-ms", o.line.budgetMs,
                   "wait this long for each reply (default: the window's wait, " +
                       std::to_string(LONG_WAIT_MS) + " ms; search: --probe-ms)")
        ->type_name("MS")
        ->transform(Whole(1, 60000));
    app.add_flag("--trace", o.trace, "show every frame on stderr, with each reply's cause");
    app.add_flag("--json", o.json,
                 "write one JSON object per result on stdout, failures too, instead of text");
    app.add_flag("-q,--quiet", o.quiet, "no progress line and no summary on stderr");
}

std::optional<int> ParseCommandLine(CLI::App& app, const GlobalOptions& global, int argc,
                                    char** argv) {
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
        return UsageError(app, UsageMessage(app, e.what()));
    }
    if (const auto status = TakeEnvironment(app))
        return status;
    // Only read and monitor go round several sensors; any other command would use the first.
    const std::string command = CommandPath(app);
    if (global.addresses.size() > 1 && command.rfind("tessalyctl read", 0) != 0 &&
        command != "tessalyctl monitor")
        return UsageError(app,
                          "--address: " + command.substr(11) + " takes one address, not a list");
    return std::nullopt;
}

void Refuses(CLI::App& command, const std::vector<std::string>& globals) {
    for (const std::string& name : globals)
        command.excludes(command.get_parent()->get_option(name));
}

void AddHelpCommand(CLI::App& app, const GlobalOptions&, CommandRun& run) {
    auto path = std::make_shared<std::vector<std::string>>();
    CLI::App* help = AddCommand(app, "help", "show a command's help: help set baud");
    help->add_option("COMMAND", *path, "the command (and its command)")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    help->callback([&app, &run, path] {
        const CLI::App* shown = &app;
        for (const std::string& name : *path) {
            const CLI::App* next = nullptr;
            for (const CLI::App* command : shown->get_subcommands({}))
                next = command->get_name() == name ? command : next;
            if (next == nullptr)
                throw CLI::ValidationError(UnknownCommand(*shown, name));
            shown = next;
        }
        // Named by its whole path in its usage line, as its own --help names it. The formatter
        // is asked directly: App::help() would show the command given, help itself.
        std::string path = shown->get_name();
        for (const CLI::App* up = shown->get_parent(); up != nullptr; up = up->get_parent())
            path = up->get_name() + " " + path;
        run = [shown, path] {
            return StatusAfter(PrintText(shown->get_formatter()->make_help(
                                   shown, path, CLI::AppFormatMode::Normal)),
                               EXIT_DONE);
        };
    });
}

// V1,V2,...: the list as given, split at every comma, each item checked by `item`; "" when it is
// such a list, each value once. The list is taken whole, so that an empty item is seen rather than
// skipped, and a repeat (which would probe every address again, list a sensor twice, or read one
// sensor twice a period) is refused.
std::string ParseList(const std::string& text, const CLI::Validator& item,
                      std::vector<int>& values) {
    values.clear();
    for (size_t start = 0;;) {
        const size_t comma = text.find(',', start);
        std::string one = text.substr(start, comma == std::string::npos ? comma : comma - start);
        if (one.empty())
            return "'" + text + "' has an empty item";
        if (const std::string error = item(one); !error.empty())
            return error;
        const int value = std::stoi(one);
        if (std::find(values.begin(), values.end(), value) != values.end())
            return "'" + text + "' names " + one + " twice";
        values.push_back(value);
        if (comma == std::string::npos)
            return {};
        start = comma + 1;
    }
}

std::string ParseRates(const std::string& text, std::vector<int>& rates) {
    return ParseList(text, SensorRate(), rates);
}

CLI::Validator RatesList() {
    return CLI::Validator(
        [](std::string& text) {
            std::vector<int> rates;
            return ParseRates(text, rates);
        },
        "");
}
