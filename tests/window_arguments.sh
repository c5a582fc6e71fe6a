#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The window's command line with no display at all: a wrong option or an argument is refused with
# status 2 before any window system is touched (reaching one here would abort); Qt's own options
# reach Qt; every option --help lists is in the manual page.
#   window_arguments.sh TESSALY MANUAL_PAGE_POD
tessaly=$1 pod=$2 failed=0
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 3 "$tessaly" "$@"; }
# row STATUS STDERR_PART ARGS...
row() {
  expected=$1 said=$2
  shift 2
  err=$(run "$@" 2>&1 >/dev/null)
  status=$?
  [ "$status" -eq "$expected" ] && { [ -z "$said" ] || printf '%s' "$err" | grep -qF -- "$said"; } &&
    return
  echo "tessaly $*: status $status, stderr '$err'; expected $expected and '$said'" && failed=1
}
row 2 "Unknown option 'help-all'" --help-all
row 2 "Unknown option 'bogus'" --bogus
row 2 "takes no arguments: extra" --lang en extra
row 2 "Missing value after '--lang'" --lang
row 2 "--lang fr: the window speaks en or zh" --lang fr
row 124 "" -platform offscreen  # still running when timeout ends it
row 124 "" --lang zh -platform offscreen
for option in $(run --help | grep -oE -- '--[a-z-]+'); do
  grep -qF -- "B<$option>" "$pod" || { echo "$option is not in the manual page" && failed=1; }
done
exit $failed
