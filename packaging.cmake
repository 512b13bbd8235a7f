# The install tree and the Debian package.
#
#   <prefix>/lib/olvaris/       the program and what must lie beside it
#   <prefix>/bin/olvaris        links to the program and the command-line
#   <prefix>/bin/olvaris-lookup lookup and the database builder (they find
#   <prefix>/bin/zipbase-build  their files beside their real paths)
#   <prefix>/share/applications, share/metainfo, share/icons/hicolor,
#   share/bash-completion, share/doc/olvaris

set(OLVARIS_PROGRAM_DIR lib/olvaris)

install(TARGETS olvaris olvaris-lookup olvaris-check zipbase-build RUNTIME DESTINATION ${OLVARIS_PROGRAM_DIR})
install(FILES ${OLVARIS_DATABASE} ${CMAKE_SOURCE_DIR}/assets/HAND-M.CUR ${CMAKE_SOURCE_DIR}/db/us-zip-codes.LICENSE
              ${CMAKE_SOURCE_DIR}/db/us-zip-timezones.LICENSE
        DESTINATION ${OLVARIS_PROGRAM_DIR})

file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/launcher)
foreach(program olvaris olvaris-lookup zipbase-build)
    file(CREATE_LINK ../${OLVARIS_PROGRAM_DIR}/${program} ${CMAKE_BINARY_DIR}/launcher/${program} SYMBOLIC)
    install(FILES ${CMAKE_BINARY_DIR}/launcher/${program} DESTINATION bin)
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/assets/olvaris.desktop DESTINATION share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/assets/example.tarvendel.olvaris.metainfo.xml DESTINATION share/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/assets/icons/olvaris.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/bash-completion/olvaris-lookup
        DESTINATION share/bash-completion/completions)
foreach(size 16 24 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/assets/icons/olvaris-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME olvaris.png)
endforeach()

configure_file(${CMAKE_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/doc/copyright COPYONLY)
install(FILES ${CMAKE_BINARY_DIR}/doc/copyright ${CMAKE_SOURCE_DIR}/README.md
              ${CMAKE_SOURCE_DIR}/db/PROVENANCE.md ${CMAKE_SOURCE_DIR}/db/DATA.md ${CMAKE_SOURCE_DIR}/db/us-zip-codes.LICENSE
              ${CMAKE_SOURCE_DIR}/db/us-zip-timezones.LICENSE
        DESTINATION share/doc/olvaris)
# Debian wants the changelog and the manual page compressed.
foreach(doc changelog olvaris.1 olvaris-lookup.1 zipbase-build.1)
    add_custom_command(
        OUTPUT ${CMAKE_BINARY_DIR}/doc/${doc}.gz
        COMMAND gzip -9 -n -c ${CMAKE_SOURCE_DIR}/packaging/${doc} > ${CMAKE_BINARY_DIR}/doc/${doc}.gz
        DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${doc})
endforeach()
add_custom_target(package_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.gz ${CMAKE_BINARY_DIR}/doc/olvaris.1.gz
                                          ${CMAKE_BINARY_DIR}/doc/olvaris-lookup.1.gz
                                          ${CMAKE_BINARY_DIR}/doc/zipbase-build.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/doc/changelog.gz DESTINATION share/doc/olvaris)
install(FILES ${CMAKE_BINARY_DIR}/doc/olvaris.1.gz ${CMAKE_BINARY_DIR}/doc/olvaris-lookup.1.gz
              ${CMAKE_BINARY_DIR}/doc/zipbase-build.1.gz
        DESTINATION share/man/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME olvaris)
set(CPACK_PACKAGE_VENDOR "Team Tarvendel")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "US ZIP code lookup")
set(CPACK_PACKAGE_DESCRIPTION "Finds US cities, states and ZIP codes in a database that ships with\n\
the program, streams the results into a list while staying responsive,\n\
and saves or copies them as plain text.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Team Tarvendel <support@tarvendel.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.tarvendel.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so the library scan cannot see them: the platform
# plugins and the metric-compatible Arial.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation")
# On a Wayland session the program runs natively with it, and the
# compositor keeps a copied text after the program ends; without it the
# program runs through XWayland, where it may not.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
include(CPack)
