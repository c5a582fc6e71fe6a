// SPDX-License-Identifier: GPL-3.0-or-later
// tessalyctl's commands. Each command's file adds its command to the tool with its own options and
// the function that runs it (RunsWhenGiven); main() parses the command line and runs the one given.
#pragma once

#include "options.h"

void AddPortsCommand(CLI::App& app, const GlobalOptions& global, CommandRun& run);
void AddSearchCommand(CLI::App& app, const GlobalOptions& global, CommandRun& run);
void AddReadCommand(CLI::App& app, const GlobalOptions& global, CommandRun& run);
void AddMonitorCommand(CLI::App& app, const GlobalOptions& global, CommandRun& run);
void AddSetCommand(CLI::App& app, const GlobalOptions& global, CommandRun& run);
void AddZeroCommand(CLI::App& app, const GlobalOptions& global, CommandRun& run);
void AddCalibrateCommand(CLI::App& app, const GlobalOptions& global, CommandRun& run);
void AddProvisionCommand(CLI::App& app, const GlobalOptions& global, CommandRun& run);
// help COMMAND: the command's --help.
void AddHelpCommand(CLI::App& app, const GlobalOptions& global, CommandRun& run);
// completion bash|zsh|fish: the shell's completion script.
void AddCompletionCommand(CLI::App& app, const GlobalOptions& global, CommandRun& run);
