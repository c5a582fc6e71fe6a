// SPDX-License-Identifier: GPL-3.0-or-later
#include "options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
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

// R1,R2,...: the list as given, split at every comma; "" when it is a list of rates, each once.
// The list is taken whole, so that an empty item is seen rather than skipped, and a repeat (which
// would probe every address again, and list a sensor twice) is refused.
std::string ParseRates(const std::string& text, std::vector<int>& rates) {
    rates.clear();
    for (size_t start = 0;;) {
        const size_t comma = text.find(',', start);
        std::string item = text.substr(start, comma == std::string::npos ? comma : comma - start);
        if (item.empty())
            return "'" + text + "' has an empty item";
        if (const std::string error = SensorRate()(item); !error.empty())
            return error;
        const int rate = std::stoi(item);
        if (std::find(rates.begin(), rates.end(), rate) != rates.end())
            return "'" + text + "' names " + item + " twice";
        rates.push_back(rate);
        if (comma == std::string::npos)
            return {};
        start = comma + 1;
    }
}

CLI::Validator RatesList() {
    return CLI::Validator(
        [](std::string& text) {
            std::vector<int> rates;
            return ParseRates(text, rates);
        },
        "");
}

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

CLI::App* AddCommand(CLI::App& parent, const std::string& name, const std::string& help,
                     const std::string& details = {}) {
    CLI::App* command = parent.add_subcommand(name, help);
    // The global options may follow the command too: tessalyctl read -p COM3.
    command->fallthrough();
    command->group("Commands");
    command->footer(details.empty() ? kGlobalNote : details + "\n\n" + kGlobalNote);
    return command;
}

void AddVerify(CLI::App& command, bool& verify) {
    command.add_flag("--verify", verify, "read back; a write acknowledged but not taken fails");
}

}  // namespace

std::optional<int> ParseCommandLine(int argc, char** argv, CliOptions& o) {
    CLI::App app(kToolHelp, "tessalyctl");
    app.set_version_flag("--version", std::string("tessalyctl ") + TESSALYCTL_VERSION,
                         "show the version and exit");
    app.require_subcommand(1);
    auto formatter = std::make_shared<HelpFormatter>();
    formatter->column_width(24);
    formatter->label("SUBCOMMAND", "COMMAND");
    formatter->label("Positionals", "Arguments");
    app.formatter(formatter);
    app.set_help_flag("-h,--help", "show this help and exit");

    std::string port;
    app.add_option("-p,--port", port, "serial port (default COM1)")
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

    CLI::App* ports =
        AddCommand(app, "ports", "list COM1-COM10: device, USB adapter, free or busy");

    CLI::App* search = AddCommand(
        app, "search", "find sensors: every address at every rate until one answers",
        "Addresses go in the outer loop, rates in the inner one, as in the window. A probe is one\n"
        "read of the current. Each sensor is printed when found: \"address 3, 4800 baud\", or\n"
        "{\"address\":3,\"baud\":4800} with --json. On a terminal a progress line shows on "
        "stderr.\n"
        "Ctrl-C stops the search. Exit status 1 when no sensor answered.");
    search
        ->add_option_function<std::string>(
            "--rates", [&o](const std::string& text) { ParseRates(text, o.search.rates); },
            "rates to try at each address, in this order (default " + RatesText(SEARCH_RATES, ",") +
                ")")
        ->type_name("R1,R2,...")
        ->check(RatesList());
    search->add_option("--from", o.search.from, "first address (default 0)")
        ->type_name("N")
        ->transform(Whole(ADDRESS_MIN, ADDRESS_MAX));
    search->add_option("--to", o.search.to, "last address (default 255)")
        ->type_name("N")
        ->transform(Whole(ADDRESS_MIN, ADDRESS_MAX));
    search->add_flag("--all", o.search.all, "go on after a find: list every sensor on the line");
    CLI::Option* probeMs =
        search
            ->add_option("--probe-ms", o.search.probeMs,
                         "wait this long for each reply (default " + std::to_string(SHORT_WAIT_MS) +
                             ", as the window waits)")
            ->type_name("MS")
            ->transform(Whole(1, 60000));
    CLI::Option* fast = search->add_flag("--fast", o.search.fast,
                                         "wait only for a reply's time on the wire plus the "
                                         "turnaround, and give up when its first byte is overdue");
    search
        ->add_option("--turnaround-ms", o.search.turnaroundMs,
                     "with --fast: the sensor's time to answer (default 50)")
        ->type_name("MS")
        ->transform(Whole(0, 10000))
        ->needs(fast);
    fast->excludes(probeMs);

    CLI::App* read =
        AddCommand(app, "read", "read the current in amperes (or, read turns, the turns)");
    read->require_subcommand(0, 1);
    CLI::App* readTurns = AddCommand(*read, "turns", "read the primary-coil turns");

    CLI::App* monitor = AddCommand(
        app, "monitor", "read the current every period; a summary at the end",
        "Formats: text (time and current); csv (a header line, then the columns\n"
        "time,port,baud,address,ok,current_a,cause); json (one object a reading, the CSV columns "
        "as\n"
        "keys). Times are ISO 8601 UTC with milliseconds. A line that hangs up (adapter pulled) "
        "is\n"
        "opened again when the device comes back. Exit status 1 when no reading succeeded.");
    monitor
        ->add_option("--period", o.monitor.periodMs, "milliseconds between readings (default 500)")
        ->type_name("MS")
        ->transform(Whole(1, 86400000));
    monitor->add_option("--count", o.monitor.count, "stop after N readings (default: never)")
        ->type_name("N")
        ->transform(Whole(1, 1000000000));
    std::string formatName;
    CLI::Option* format =
        monitor->add_option("--format", formatName, "text, csv or json (default text)")
            ->type_name("FORMAT")
            ->check(CLI::IsMember({"text", "csv", "json"}).description(""));

    CLI::App* set = AddCommand(app, "set", "write the address, the baud rate or the turns",
                               "--verify reads back the current at the new address, the current at "
                               "the new rate,\nor the turns.");
    set->require_subcommand(1);
    CLI::App* setAddress = AddCommand(*set, "address", "give the sensor a new address",
                                      "The new address takes effect after the sensor's reply; "
                                      "--verify reads the current\nthere.");
    AddVerify(*setAddress, o.verify);
    setAddress->add_option("ADDRESS", o.value, "0-255")
        ->required()
        ->transform(Whole(ADDRESS_MIN, ADDRESS_MAX));
    CLI::App* setBaud = AddCommand(*set, "baud", "make the sensor talk at a new rate",
                                   "The new rate takes effect after the sensor's reply; --verify "
                                   "reads the current at it.");
    AddVerify(*setBaud, o.verify);
    setBaud->add_option("RATE", o.value, RatesText())->required()->transform(SensorRate());
    CLI::App* setTurns =
        AddCommand(*set, "turns", "set the primary-coil turns", "--verify reads the turns back.");
    AddVerify(*setTurns, o.verify);
    setTurns
        ->add_option("TURNS", o.value, std::to_string(TURNS_MIN) + "-" + std::to_string(TURNS_MAX))
        ->required()
        ->transform(Whole(TURNS_MIN, TURNS_MAX));

    CLI::App* zero = AddCommand(app, "zero", "take the present current as the sensor's zero");
    CLI::App* calibrate = AddCommand(app, "calibrate", "calibrate the sensor");

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
    // The innermost command given decides: "read turns" before "read".
    const std::pair<CLI::App*, Command> commands[] = {
        {ports, Command::Ports},         {search, Command::Search},
        {readTurns, Command::ReadTurns}, {read, Command::Read},
        {monitor, Command::Monitor},     {setAddress, Command::SetAddress},
        {setBaud, Command::SetBaud},     {setTurns, Command::SetTurns},
        {zero, Command::Zero},           {calibrate, Command::Calibrate},
    };
    for (const auto& [command, name] : commands) {
        if (command->parsed()) {
            o.command = name;
            break;
        }
    }
    if (format->count() > 0)
        o.monitor.format = formatName == "csv"    ? Format::Csv
                           : formatName == "json" ? Format::Json
                                                  : Format::Text;
    else if (o.json)
        o.monitor.format = Format::Json;
    if (!SearchRangeValid(o.search.from, o.search.to)) {
        std::fprintf(stderr,
                     "tessalyctl: search range %d-%d is empty: --from must not be above --to\n"
                     "Try 'tessalyctl search --help'.\n",
                     o.search.from, o.search.to);
        return EXIT_USAGE;
    }
    if (!port.empty())
        ParsePort(port, o.line);
    return std::nullopt;
}
