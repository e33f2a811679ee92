# SPDX-License-Identifier: GPL-3.0-or-later
# Read by cpack for each package it makes. The program knows the prefix it
# was built for (it keeps its state in the user's folder only when it lies
# there), and a Debian package installs into /usr: a package built for any
# other prefix would put the program where it does not count as installed.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_PACKAGING_INSTALL_PREFIX STREQUAL "/usr")
  message(FATAL_ERROR
    "A Debian package installs into /usr, but this build is for "
    "${CPACK_PACKAGING_INSTALL_PREFIX}: configure it with -DCMAKE_INSTALL_PREFIX=/usr")
endif()
