# SPDX-License-Identifier: GPL-3.0-or-later
# fish completion for tessalyctl: commands, their commands and options, the values of closed sets
# (rates, formats), and ports as `tessalyctl ports` finds them.

set -l commands ports search read monitor set zero calibrate provision
set -l rates 1200 2400 4800 9600 19200

function __tessalyctl_ports
    tessalyctl ports 2>/dev/null | awk '/^COM/ && $2 != "-" { print $1; print $2 }'
end

complete -c tessalyctl -f
complete -c tessalyctl -s p -l port -x -a '(__tessalyctl_ports)' -d 'serial port'
complete -c tessalyctl -s b -l baud -x -a "$rates" -d "the sensor's baud rate"
complete -c tessalyctl -s a -l address -x -d "the sensor's address, 0-255"
complete -c tessalyctl -l timeout-ms -x -d 'wait this long for each reply'
complete -c tessalyctl -l trace -d 'show every frame on stderr'
complete -c tessalyctl -l json -d 'one JSON object per result on stdout'
complete -c tessalyctl -s q -l quiet -d 'no progress line and no summary'
complete -c tessalyctl -s h -l help -d 'show the help and exit'
complete -c tessalyctl -n "not __fish_seen_subcommand_from $commands" -l version -d 'show the version'

complete -c tessalyctl -n "not __fish_seen_subcommand_from $commands" -a ports -d 'list COM1-COM10'
complete -c tessalyctl -n "not __fish_seen_subcommand_from $commands" -a search -d 'find sensors'
complete -c tessalyctl -n "not __fish_seen_subcommand_from $commands" -a read -d 'read the current'
complete -c tessalyctl -n "not __fish_seen_subcommand_from $commands" -a monitor -d 'read every period'
complete -c tessalyctl -n "not __fish_seen_subcommand_from $commands" -a set -d 'write address, rate or turns'
complete -c tessalyctl -n "not __fish_seen_subcommand_from $commands" -a zero -d 'take the present current as zero'
complete -c tessalyctl -n "not __fish_seen_subcommand_from $commands" -a calibrate -d 'calibrate the sensor'
complete -c tessalyctl -n "not __fish_seen_subcommand_from $commands" -a provision -d 'find the one sensor and configure it'

complete -c tessalyctl -n '__fish_seen_subcommand_from search provision' -l rates -x -a "$rates" -d 'rates to try'
complete -c tessalyctl -n '__fish_seen_subcommand_from search provision' -l from -x -d 'first address'
complete -c tessalyctl -n '__fish_seen_subcommand_from search provision' -l to -x -d 'last address'
complete -c tessalyctl -n '__fish_seen_subcommand_from search provision' -l turnaround-ms -x -d 'the sensor time to answer'
complete -c tessalyctl -n '__fish_seen_subcommand_from search' -l all -d 'list every sensor'
complete -c tessalyctl -n '__fish_seen_subcommand_from search' -l fast -d 'wait only for the wire time'
complete -c tessalyctl -n '__fish_seen_subcommand_from search' -l probe-ms -x -d 'wait for each reply'
complete -c tessalyctl -n '__fish_seen_subcommand_from read' -a turns -d 'read the turns'
complete -c tessalyctl -n '__fish_seen_subcommand_from monitor' -l period -x -d 'milliseconds between readings'
complete -c tessalyctl -n '__fish_seen_subcommand_from monitor' -l count -x -d 'stop after N readings'
complete -c tessalyctl -n '__fish_seen_subcommand_from monitor' -l format -x -a 'text csv json' -d 'output format'
complete -c tessalyctl -n '__fish_seen_subcommand_from set; and not __fish_seen_subcommand_from address baud turns' -a 'address baud turns'
complete -c tessalyctl -n '__fish_seen_subcommand_from address baud turns' -l verify -d 'read back'
complete -c tessalyctl -n '__fish_seen_subcommand_from set; and __fish_seen_subcommand_from baud' -a "$rates"
complete -c tessalyctl -n '__fish_seen_subcommand_from provision' -l address -x -d 'the new address'
complete -c tessalyctl -n '__fish_seen_subcommand_from provision' -l baud -x -a "$rates" -d 'the new rate'
complete -c tessalyctl -n '__fish_seen_subcommand_from provision' -l turns -x -d 'the new turns'
