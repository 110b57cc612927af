# Debian package of what `cmake --install` installs: vantira, vantira-dot and
# the manual page vantira(1). Build it with `cpack -G DEB` in the build tree.
set(CPACK_PACKAGE_NAME vantira)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "decomposes a Petri net into minimal functional subnets")
set(CPACK_PACKAGE_DESCRIPTION
    "vantira reads a Petri net in the .net or .ndr text format or as a PNML\n\
document, decomposes it into minimal functional subnets and writes a text\n\
report; it can also write every subnet as a net file of its own, in the\n\
format it read. vantira-dot draws the graph of subnets of a report as\n\
Graphviz DOT.")
set(CPACK_PACKAGE_CONTACT "vantira developers <vantira@localhost>")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS graphviz)
find_program(VANTIRA_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(VANTIRA_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libexpat1, libgcc-s1, libsimdjson14, libstdc++6")
endif()
include(CPack)
