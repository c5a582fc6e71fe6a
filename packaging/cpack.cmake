# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack` in the release build (scripts/package) makes tessaly_<version>_<arch>.deb.
# Included from packaging/CMakeLists.txt, which has read the changelog and the web address.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaly)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "${changelog_Maintainer}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TESSALY_HOMEPAGE})
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "operator tool for the KORVAN Hall-effect DC current sensor")
set(CPACK_PACKAGE_DESCRIPTION
    "Tessaly finds a KORVAN Hall-effect DC current sensor on an RS-485 line when
its address and baud rate are unknown, changes its address, baud rate and
primary-coil turns, zeroes and calibrates it, and shows the measured current
with counts of good and failed readings. The sensor speaks a small Modbus RTU
subset.
.
The package holds the operator window (tessaly, in Simplified Chinese), the
sensor from a shell for production lines and diagnosis (tessalyctl), and a
simulated sensor on a pseudo-terminal for trying every feature without
hardware (tessaly-sim).
.
Opening a USB serial adapter needs membership of the dialout group; the
package leaves group memberships to the administrator.")

# The libraries the programs link are found by dpkg-shlibdeps. What no link shows is named here:
# - fonts-arphic-uming: the window's layout is measured in its Song face (AR PL UMing), whose
#   6 x 12 px base units size every control as on the original platform; with another font the
#   fixed-size window's texts no longer fit their controls.
# - the X11 platform plugin (libqxcb) comes with libqt6gui6, which the window links; on a Wayland
#   desktop Qt prefers its native plugin in qt6-wayland and otherwise runs through XWayland, so
#   that package is recommended, not required.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-arphic-uming, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)

include(CPack)
