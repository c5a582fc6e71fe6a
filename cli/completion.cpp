// SPDX-License-Identifier: GPL-3.0-or-later
// completion bash|zsh|fish: the shell's completion script, written from the tool's own command line
// as it stands, so that the three shells offer what the tool takes and nothing it refuses.
#include "completion.h"

#include <memory>
#include <set>

#include "commands.h"
#include "output.h"
#include "registers.h"

namespace {

const std::pair<std::string, std::string (*)(const CompletionGrammar&)> kShells[] = {
    {"bash", BashCompletion}, {"zsh", ZshCompletion}, {"fish", FishCompletion}};

std::vector<std::string> ShellNames() {
    std::vector<std::string> names;
    for (const auto& [name, write] : kShells)
        names.push_back(name);
    return names;
}

// The values behind each name an option gives its value, taken from what the tool checks the
// value against. Numbers have none: a shell offering 0 ... 255 helps nobody.
std::vector<ValueKind> Kinds() {
    std::vector<std::string> rates, ports;
    for (const int rate : SENSOR_RATES)
        rates.push_back(std::to_string(rate));
    for (int n = 1; n <= COM_PORT_COUNT; ++n)
        ports.push_back("COM" + std::to_string(n));
    return {
        {"PORT", "port", ports, false, true}, {"RATE", "rate", rates},
        {"R1,R2,...", "rates", rates, true},  {"FORMAT", "format", MONITOR_FORMATS},
        {"SHELL", "shell", ShellNames()},
    };
}

std::string KindOf(const std::vector<ValueKind>& kinds, const std::string& typeName) {
    for (const ValueKind& kind : kinds)
        if (kind.typeName == typeName)
            return kind.id;
    return {};
}

// `app` at `path`, then each of its commands: what may follow each.
void Walk(const CLI::App& app, std::vector<std::string>& path, CompletionGrammar& grammar) {
    CompletedCommand command;
    command.path = path;
    const auto shown = [](const CLI::App* sub) { return !sub->get_group().empty(); };
    for (const CLI::App* sub : app.get_subcommands(shown))
        command.commands.emplace_back(sub->get_name(), sub->get_description());
    // Its own options, then, as a command falls through to its parent, the parent's under the
    // names the command leaves to it: provision's --baud is its own, its -b still the tool's.
    std::set<std::string> taken;
    for (const CLI::App* a = &app; a != nullptr;
         a = a->get_fallthrough() ? a->get_parent() : nullptr) {
        for (const CLI::Option* o : a->get_options()) {
            if (o->get_group().empty())
                continue;  // hidden
            if (o->get_positional()) {
                if (a == &app)
                    command.arguments.push_back(
                        {o->get_name(), KindOf(grammar.kinds, o->get_name())});
                continue;
            }
            // CLI11 appends the validators' descriptions after a colon.
            const std::string full = o->get_type_name();
            const std::string typeName = full.substr(0, full.find(':'));
            CompletedOption option{{},
                                   o->get_description(),
                                   o->get_items_expected_max() != 0,
                                   typeName,
                                   KindOf(grammar.kinds, typeName)};
            for (const std::string& name : o->get_snames())
                if (taken.insert("-" + name).second)
                    option.names.push_back("-" + name);
            for (const std::string& name : o->get_lnames())
                if (taken.insert("--" + name).second)
                    option.names.push_back("--" + name);
            if (!option.names.empty())
                command.options.push_back(option);
        }
    }
    grammar.commands.push_back(command);
    for (const CLI::App* sub : app.get_subcommands(shown)) {
        path.push_back(sub->get_name());
        Walk(*sub, path, grammar);
        path.pop_back();
    }
}

}  // namespace

void AddCompletionCommand(CLI::App& app, const GlobalOptions&, CommandRun& run) {
    auto shell = std::make_shared<std::string>();
    CLI::App* completion = AddCommand(
        app, "completion", "print the completion script for bash, zsh or fish",
        "The package installs the three scripts where the shells look for them. To try one:\n"
        "  bash: source <(tessalyctl completion bash)\n"
        "  zsh:  source <(tessalyctl completion zsh)\n"
        "  fish: tessalyctl completion fish | source");
    completion->add_option("SHELL", *shell, "bash, zsh or fish")
        ->required()
        ->check(OneOf(ShellNames()));
    Refuses(*completion, LINE_OPTIONS);
    RunsWhenGiven(*completion, run, [&app, shell]() -> int {
        CompletionGrammar grammar{Kinds(), {}};
        // help COMMAND: the tool's commands.
        ValueKind commands{"COMMAND", "command", {}};
        for (const CLI::App* sub : app.get_subcommands({}))
            commands.words.push_back(sub->get_name());
        grammar.kinds.push_back(commands);
        std::vector<std::string> path;
        Walk(app, path, grammar);
        for (const auto& [name, write] : kShells)
            if (name == *shell)
                return StatusAfter(PrintText(write(grammar)), EXIT_DONE);
        return EXIT_DONE;
    });
}
