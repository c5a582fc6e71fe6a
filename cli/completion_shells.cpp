// SPDX-License-Identifier: GPL-3.0-or-later
// The completion scripts of bash, zsh and fish: each shell's own way of saying the same grammar.
// A fixed part does the work; what the tool takes is filled in from the grammar.
#include <initializer_list>

#include "completion.h"

namespace {

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

// 'text' for bash and zsh.
std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// 'text' for fish, which knows \' and \\ inside single quotes.
std::string FishQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' || c == '\\' ? std::string("\\") + c : std::string(1, c);
    return quoted + "'";
}

// `text` with a backslash before each of `specials`.
std::string Escaped(const std::string& text, const std::string& specials) {
    std::string escaped;
    for (const char c : text)
        escaped +=
            specials.find(c) != std::string::npos ? std::string("\\") + c : std::string(1, c);
    return escaped;
}

std::string Filled(std::string text,
                   std::initializer_list<std::pair<std::string, std::string>> fields) {
    for (const auto& [field, value] : fields)
        text.replace(text.find(field), field.size(), value);
    return text;
}

const char* const kBash =
    R"(# bash completion for tessalyctl, written by `tessalyctl completion bash` from the tool's own
# command line. Plain bash: it needs nothing from the bash-completion package.

# What may follow the command path $1: its commands; its options, the tool's own too; the options
# that take a value, as NAME:KIND; its arguments' kinds in order. KIND - is a value with nothing to
# offer, such as a number.
_tessalyctl_grammar() {
  case $1 in
@GRAMMAR@  esac
}

# COMPREPLY: the values of kind $1 that complete $2, each after $3.
_tessalyctl_values() {
  local words='' list='' paths='' cur=$2 prefix=$3 given w
  case $1 in
@VALUES@  esac
  if [[ $list ]]; then
    # A comma-separated list: its last item, from the words not in the list yet.
    if [[ $cur == *,* ]]; then
      given=${cur%,*} prefix+=${cur%,*}, cur=${cur##*,} words=" $words "
      for w in ${given//,/ }; do words=${words/ "$w" / }; done
    fi
    compopt -o nospace 2>/dev/null # the list may go on after a comma
  fi
  mapfile -t COMPREPLY < <(compgen -P "$prefix" -W "$words" -- "$cur")
  if [[ $paths && $cur == */* ]]; then
    compopt -o filenames 2>/dev/null
    mapfile -t -O ${#COMPREPLY[@]} COMPREPLY < <(compgen -P "$prefix" -f -- "$cur")
  fi
}

# REPLY: the kind of value option $1 takes, as $valued lists it; nothing for a flag.
_tessalyctl_kind() {
  REPLY=''
  [[ " $valued " == *" $1:"* ]] || return 0
  REPLY=" $valued"
  REPLY=${REPLY#*" $1:"}
  REPLY=${REPLY%% *}
}

_tessalyctl() {
  # The words as the tool reads them: bash breaks --baud=9600 at the '=', the tool does not.
  local -a words=()
  local i w cword=0 joined=''
  for ((i = 0; i < ${#COMP_WORDS[@]}; i++)); do
    w=${COMP_WORDS[i]}
    if [[ $joined ]]; then
      words[-1]+=$w joined=''
    elif [[ $w == = && ${words[-1]} == --* ]]; then
      words[-1]+='=' joined=1
    else
      words+=("$w")
    fi
    ((i == COMP_CWORD)) && cword=$((${#words[@]} - 1))
  done

  local cur=${words[cword]} path='' commands options valued arguments kind='' n=0 prefix=''
  _tessalyctl_grammar ''
  # The command path, past the options' values and the arguments (n of them after the last command).
  for ((i = 1; i < cword; i++)); do
    w=${words[i]}
    if [[ $kind ]]; then
      kind=''
    elif [[ $w == -* ]]; then
      [[ $w == *=* ]] || { _tessalyctl_kind "$w"; kind=$REPLY; }
    elif [[ " $commands " == *" $w "* ]]; then
      path+=${path:+ }$w n=0
      _tessalyctl_grammar "$path"
    else
      ((n++))
    fi
  done

  if [[ ! $kind && $cur == --*=* ]]; then
    _tessalyctl_kind "${cur%%=*}"
    kind=${REPLY:--}
    # Where bash did not break the word at the '=', the whole word is replaced.
    [[ ${COMP_WORDS[COMP_CWORD]} == "$cur" ]] && prefix=${cur%%=*}=
    cur=${cur#*=}
  elif [[ ! $kind && $cur != -* ]]; then
    local -a kinds=($arguments)
    kind=${kinds[n]-}
  fi
  if [[ $kind ]]; then
    _tessalyctl_values "$kind" "$cur" "$prefix"
  else
    mapfile -t COMPREPLY < <(compgen -W "$commands $options" -- "$cur")
  fi
}

complete -F _tessalyctl tessalyctl
)";

const char* const kZsh = R"(#compdef tessalyctl
# zsh completion for tessalyctl, written by `tessalyctl completion zsh` from the tool's own command
# line.

# The values of the kind named last, after the options _arguments gives for compadd.
_tessalyctl_values() {
  local kind=$argv[-1]
  argv[-1]=()
  case $kind in
@VALUES@  esac
}

# What follows the command path $1; _arguments' *:: has left the words from its last command on.
_tessalyctl_after() {
  local curcontext=$curcontext state line
  local -a subcommands
  case $1 in
@GRAMMAR@  esac
  [[ $state == command ]] && _tessalyctl_after "${1:+$1 }$words[1]"
}

_tessalyctl() { _tessalyctl_after '' }

# Autoloaded from the file the package installs, or sourced from `tessalyctl completion zsh`.
if [[ $zsh_eval_context[-1] == loadautofunc ]]; then
  _tessalyctl "$@"
else
  compdef _tessalyctl tessalyctl
fi
)";

const char* const kFish =
    R"(# fish completion for tessalyctl, written by `tessalyctl completion fish` from the tool's own
# command line.

# The values of kind $argv[1] for the word under the cursor.
function __tessalyctl_values
    set -l word (commandline -ct | string replace -r -- '^--[^=]*=' '')
    switch $argv[1]
@VALUES@    end
end

complete -c tessalyctl -f
@GRAMMAR@)";

const char* const kFishList =
    R"(            # A comma-separated list: its last item, from the words not in it yet.
            set -l given (string split , -- $word)
            set -e given[-1]
            for w in @WORDS@
                contains -- $w $given; or string join , -- $given $w
            end
)";

std::string FishValues(const std::string& kind) {
    return FishQuoted("(__tessalyctl_values " + kind + ")");
}

std::string OrDash(const std::string& kind) {
    return kind.empty() ? "-" : kind;
}

}  // namespace

std::string BashCompletion(const CompletionGrammar& g) {
    std::string grammar, values;
    for (const CompletedCommand& c : g.commands) {
        std::vector<std::string> commands, options, valued, arguments;
        for (const auto& [name, help] : c.commands)
            commands.push_back(name);
        for (const CompletedOption& o : c.options)
            for (const std::string& name : o.names) {
                options.push_back(name);
                if (o.valued)
                    valued.push_back(name + ":" + OrDash(o.kind));
            }
        for (const CompletedArgument& a : c.arguments)
            arguments.push_back(OrDash(a.kind));
        grammar += "    " + Quoted(Joined(c.path)) +
                   ")\n      commands=" + Quoted(Joined(commands)) +
                   "\n      options=" + Quoted(Joined(options)) +
                   "\n      valued=" + Quoted(Joined(valued)) +
                   "\n      arguments=" + Quoted(Joined(arguments)) + " ;;\n";
    }
    for (const ValueKind& k : g.kinds)
        values += "    " + k.id + ") words=" + Quoted(Joined(k.words)) + (k.list ? " list=1" : "") +
                  (k.paths ? " paths=1" : "") + " ;;\n";
    return Filled(kBash, {{"@GRAMMAR@", grammar}, {"@VALUES@", values}});
}

std::string ZshCompletion(const CompletionGrammar& g) {
    std::string grammar, values;
    const auto action = [](const std::string& kind) {
        return kind.empty() ? std::string(" ") : "_tessalyctl_values " + kind;
    };
    for (const CompletedCommand& c : g.commands) {
        std::string specs;
        for (const CompletedOption& o : c.options)
            for (const std::string& name : o.names) {
                // --port=: the value after an '=' or as the next word; -p+: attached or next.
                std::string argument = "(" + Joined(o.names) + ")" + name;
                if (o.valued)
                    argument += name.compare(0, 2, "--") == 0 ? "=" : "+";
                argument += "[" + Escaped(o.help, "\\[]") + "]";
                if (o.valued)
                    argument += ":" + Escaped(o.typeName, "\\:") + ":" + action(o.kind);
                specs += " \\\n        " + Quoted(argument);
            }
        for (size_t i = 0; i < c.arguments.size(); ++i)
            specs += " \\\n        " +
                     Quoted(std::to_string(i + 1) + ":" + Escaped(c.arguments[i].name, "\\:") +
                            ":" + action(c.arguments[i].kind));
        std::string commands;
        if (!c.commands.empty()) {
            for (const auto& [name, help] : c.commands)
                commands += " " + Quoted(Escaped(name, "\\:") + ":" + help);
            specs +=
                " \\\n        ':command:{_describe -t commands command subcommands}' "
                "'*:: :->command'";
        }
        grammar += "    " + Quoted(Joined(c.path)) + ")\n" +
                   (commands.empty() ? "" : "      subcommands=(" + commands.substr(1) + ")\n") +
                   "      _arguments -C" + specs + " ;;\n";
    }
    for (const ValueKind& k : g.kinds) {
        std::string words;
        for (const std::string& word : k.words)
            words += " " + Quoted(word);
        // _sequence leaves out the items already in the list.
        values += "    " + k.id + ") " +
                  (k.list ? "_sequence \"$@\" compadd -" : "compadd \"$@\" -") + words +
                  (k.paths ? "; [[ $PREFIX == */* ]] && _files \"$@\"" : "") + " ;;\n";
    }
    return Filled(kZsh, {{"@GRAMMAR@", grammar}, {"@VALUES@", values}});
}

std::string FishCompletion(const CompletionGrammar& g) {
    std::string grammar, values;
    for (const CompletedCommand& c : g.commands) {
        // At exactly this command: its path seen, none of its own commands yet.
        std::string condition;
        const auto also = [&condition](const std::string& test) {
            condition += (condition.empty() ? "" : "; and ") + test;
        };
        for (const std::string& word : c.path)
            also("__fish_seen_subcommand_from " + word);
        std::vector<std::string> names;
        for (const auto& [name, help] : c.commands)
            names.push_back(name);
        if (!names.empty())
            also("not __fish_seen_subcommand_from " + Joined(names));
        const std::string head = "complete -c tessalyctl -n " + FishQuoted(condition);
        for (const auto& [name, help] : c.commands)
            grammar += head + " -a " + FishQuoted(name) + " -d " + FishQuoted(help) + "\n";
        for (const CompletedOption& o : c.options) {
            std::string line = head;
            for (const std::string& name : o.names)
                line += name.compare(0, 2, "--") == 0 ? " -l " + name.substr(2)
                                                      : " -s " + name.substr(1);
            line += " -d " + FishQuoted(o.help);
            if (o.valued)
                line += " -x";
            if (!o.kind.empty())
                line += " -a " + FishValues(o.kind);
            grammar += line + "\n";
        }
        for (const CompletedArgument& a : c.arguments)
            if (!a.kind.empty())
                grammar += head + " -a " + FishValues(a.kind) + "\n";
    }
    for (const ValueKind& k : g.kinds) {
        values += "        case " + k.id + "\n";
        if (k.list)
            values += Filled(kFishList, {{"@WORDS@", Joined(k.words)}});
        else
            values += "            printf '%s\\n' " + Joined(k.words) + "\n";
        if (k.paths)
            values +=
                "            string match -q -- '*/*' $word; and __fish_complete_path $word\n";
    }
    return Filled(kFish, {{"@GRAMMAR@", grammar}, {"@VALUES@", values}});
}
