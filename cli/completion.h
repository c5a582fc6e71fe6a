// SPDX-License-Identifier: GPL-3.0-or-later
// tessalyctl's command line as a shell's completion needs it, read from the CLI11 definitions at
// run time, and the script each shell reads it from. The scripts hold no command or option of
// their own: a command added to the tool is completed once the scripts are written again.
#pragma once

#include <string>
#include <utility>
#include <vector>

// Values to offer: a closed set, a comma-separated list of it, or device paths.
struct ValueKind {
    std::string typeName;  // the option's value as the help names it: RATE, R1,R2,...
    std::string id;        // its name in the scripts
    std::vector<std::string> words;
    bool list = false;   // R1,R2,...: each word at most once, as the tool refuses a repeat
    bool paths = false;  // a word with a slash is a file, as -p reads one
};

// An option as one command takes it: the names that reach it there, and what its value is.
struct CompletedOption {
    std::vector<std::string> names;  // "-p", "--port"
    std::string help;
    bool valued = false;   // false for a flag
    std::string typeName;  // N, RATE: what zsh shows while a number is typed
    std::string kind;      // the ValueKind's id; empty when there is nothing to offer
};

struct CompletedArgument {
    std::string name;
    std::string kind;
};

// A command path (none for the tool itself, "set", "set baud") and what may follow it.
struct CompletedCommand {
    std::vector<std::string> path;
    std::vector<std::pair<std::string, std::string>> commands;  // name and help
    std::vector<CompletedOption> options;  // its own, then those its parents take for it
    std::vector<CompletedArgument> arguments;
};

struct CompletionGrammar {
    std::vector<ValueKind> kinds;
    std::vector<CompletedCommand> commands;  // the tool first, each command before its own
};

std::string BashCompletion(const CompletionGrammar& grammar);
std::string ZshCompletion(const CompletionGrammar& grammar);
std::string FishCompletion(const CompletionGrammar& grammar);
