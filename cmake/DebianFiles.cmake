# Run by CPack in the staging tree, after the install and before the package
# is made: what Debian policy asks of a package but `cmake --install` should
# not do. Programs are stripped, also of the .comment and .note sections,
# manual pages are gzipped (-n: no name or time stamp, so the same
# source gives the same package), and the copyright and changelog files go
# into /usr/share/doc/vantira.
set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
find_program(gzip gzip REQUIRED)
file(GLOB programs "${root}/bin/*")
foreach(program IN LISTS programs)
  execute_process(COMMAND ${CPACK_VANTIRA_STRIP} --remove-section=.comment --remove-section=.note "${program}"
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
file(GLOB pages "${root}/share/man/man*/*.[1-9]")
foreach(page IN LISTS pages)
  execute_process(COMMAND ${gzip} -9nf "${page}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()

set(doc "${root}/share/doc/${CPACK_PACKAGE_NAME}")
file(MAKE_DIRECTORY "${doc}")
file(COPY_FILE "${CPACK_VANTIRA_DEBIAN_DIR}/copyright" "${doc}/copyright")
file(COPY_FILE "${CPACK_VANTIRA_DEBIAN_DIR}/changelog" "${doc}/changelog.Debian")
execute_process(COMMAND ${gzip} -9nf "${doc}/changelog.Debian" COMMAND_ERROR_IS_FATAL ANY)
file(CHMOD "${doc}/copyright" "${doc}/changelog.Debian.gz" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# The package is made by the project, not uploaded to Debian: its first
# changelog entry has no ITP bug to close.
file(WRITE "${root}/share/lintian/overrides/${CPACK_PACKAGE_NAME}" "${CPACK_PACKAGE_NAME}: initial-upload-closes-no-bugs\n")
