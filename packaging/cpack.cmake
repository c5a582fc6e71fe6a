# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian packages: `cpack` in the release build (scripts/package) makes
# tessaly-cli_<version>_<arch>.deb and tessaly_<version>_<arch>.deb, one for each install component.
# Included from packaging/CMakeLists.txt, which has read the changelog, the web address and the
# packages' names.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaly)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "${changelog_Maintainer}")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_CLI_PACKAGE_NAME ${deb_package_cli})
set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME ${deb_package_window})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TESSALY_HOMEPAGE})
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)

# Each package's description begins with its own summary line. CPack would put a summary common to
# both before it, the project's description unless this one is empty.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_DEBIAN_CLI_DESCRIPTION
    "command-line tools for the KORVAN Hall-effect DC current sensor
tessalyctl works a KORVAN Hall-effect DC current sensor on an RS-485 line
from a shell, for production lines and diagnosis: it finds the sensor when
its address and baud rate are unknown, reads and logs its current (text, CSV
or JSON Lines), changes its address, baud rate and primary-coil turns, zeroes
and calibrates it, and provisions a new sensor in one step, with an exit
status a script can test. The sensor speaks a small Modbus RTU subset.
.
tessaly-sim is a simulated sensor on a pseudo-terminal, for trying every
feature without hardware.
.
Neither needs Qt or a desktop; the operator window is in the package
tessaly. Opening a USB serial adapter needs membership of the dialout group;
the package leaves group memberships to the administrator.")
set(CPACK_DEBIAN_WINDOW_DESCRIPTION
    "operator tool for the KORVAN Hall-effect DC current sensor
Tessaly finds a KORVAN Hall-effect DC current sensor on an RS-485 line when
its address and baud rate are unknown, changes its address, baud rate and
primary-coil turns, zeroes and calibrates it, and shows the measured current
with counts of good and failed readings. The sensor speaks a small Modbus RTU
subset.
.
This package holds the operator window (tessaly, in Simplified Chinese or in
English) with its menu entry. The sensor from a shell (tessalyctl) and the
simulated sensor for trying every feature without hardware (tessaly-sim) come
with it in the package tessaly-cli.
.
Opening a USB serial adapter needs membership of the dialout group; the
package leaves group memberships to the administrator.")

# The libraries the programs link are found by dpkg-shlibdeps, package by package: the
# command-line programs link no Qt, so tessaly-cli pulls in none. What no link shows is named here:
# - tessaly needs tessaly-cli of the same version (CPACK_COMPONENT_WINDOW_DEPENDS): installing the
#   window installs all three programs.
# - fonts-arphic-uming: the window's layout is measured in its Song face (AR PL UMing), whose
#   6 x 12 px base units size every control as on the original platform; with another font the
#   fixed-size window's texts no longer fit their controls.
# - the X11 platform plugin (libqxcb) comes with libqt6gui6, which the window links; on a Wayland
#   desktop Qt prefers its native plugin in qt6-wayland and otherwise runs through XWayland, so
#   that package is recommended, not required.
# - bash reads tessalyctl's completion only through bash-completion, which bash itself merely
#   recommends; zsh and fish read theirs on their own.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_WINDOW_DEPENDS cli)
set(CPACK_DEBIAN_WINDOW_PACKAGE_DEPENDS "fonts-arphic-uming, qt6-translations-l10n")
set(CPACK_DEBIAN_WINDOW_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_CLI_PACKAGE_RECOMMENDS bash-completion)

include(CPack)
