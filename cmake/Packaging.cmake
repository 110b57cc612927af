# Debian package of what `cmake --install` installs: vantira, vantira-dot and
# their manual pages, plus what Debian policy asks of a package (gzipped
# manual pages, stripped binaries, copyright and changelog files). Build it
# with `cpack -G DEB` in the build tree.
set(CPACK_PACKAGE_NAME vantira)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the vantira authors")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "decomposes a Petri net into minimal functional subnets")
# The first paragraph says what the program is for, the second what it does.
set(CPACK_PACKAGE_DESCRIPTION
    "vantira splits a Petri net into its minimal functional subnets: the\n\
smallest sets of transitions that exchange tokens only through places\n\
that they alone consume or produce.\n\
\n\
It reads a net in the .net or .ndr text format or as a PNML document and\n\
writes a text or JSON report: every subnet with its input, internal and\n\
output places, and the graph of subnets. It can also write every subnet\n\
as a net file of its own, in the format it read. The companion tool\n\
vantira-dot draws the graph of subnets of a report as Graphviz DOT.")
# The address the README names for bug reports.
set(CPACK_PACKAGE_CONTACT "vantira maintainers <maintainers@vantira.org>")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# A Debian revision makes it a packaging of the upstream release, whose
# changelog Debian expects as changelog.Debian.gz.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS graphviz)
find_program(VANTIRA_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(VANTIRA_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libexpat1, libgcc-s1, libglpk40, libgmp10, libsimdjson14, libstdc++6")
endif()

# The files only the package holds, made in the staging tree by a script
# that CPack runs there; `cmake --install` stays at the four plain files.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE vantira_licence)
string(FIND "${vantira_licence}" "Permission" vantira_grant)
string(SUBSTRING "${vantira_licence}" ${vantira_grant} -1 vantira_licence)
string(STRIP "${vantira_licence}" vantira_licence)
# A licence text in the copyright file: every line indented, blank lines as " .".
string(REPLACE "\n\n" "\n.\n" vantira_licence "${vantira_licence}")
string(REPLACE "\n" "\n " VANTIRA_LICENSE_TEXT " ${vantira_licence}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian-copyright.in ${CMAKE_BINARY_DIR}/debian/copyright @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian-changelog.in ${CMAKE_BINARY_DIR}/debian/changelog @ONLY)
set(CPACK_VANTIRA_DEBIAN_DIR ${CMAKE_BINARY_DIR}/debian)
set(CPACK_VANTIRA_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebianFiles.cmake)
include(CPack)
