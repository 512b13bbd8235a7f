# The install tree and the Debian packages.
#
#   <prefix>/lib/olvaris/       the programs and what must lie beside them
#   <prefix>/bin/olvaris        links to the window, the command-line lookup
#   <prefix>/bin/olvaris-lookup and the database builder (they find their
#   <prefix>/bin/zipbase-build  files beside their real paths)
#   <prefix>/share/applications, share/metainfo, share/icons/hicolor,
#   share/bash-completion, share/man/man1, share/doc/<package>
#
# Three packages split as Debian would, one install component each:
#   olvaris        (window)  the Qt windows (the lookup and the list check),
#                            their desktop files and pointer
#   olvaris-tools  (tools)   olvaris-lookup, olvaris-check, zipbase-build: no
#                            Qt, so they install where no desktop is
#   olvaris-data   (data)    the shipped database, for every architecture

set(OLVARIS_PROGRAM_DIR lib/olvaris)

install(TARGETS olvaris olvaris-lists RUNTIME DESTINATION ${OLVARIS_PROGRAM_DIR} COMPONENT window)
install(TARGETS olvaris-lookup olvaris-check zipbase-build RUNTIME DESTINATION ${OLVARIS_PROGRAM_DIR} COMPONENT tools)
install(FILES ${CMAKE_SOURCE_DIR}/assets/HAND-M.CUR DESTINATION ${OLVARIS_PROGRAM_DIR} COMPONENT window)
install(FILES ${OLVARIS_DATABASE} ${CMAKE_SOURCE_DIR}/db/us-zip-codes.LICENSE ${CMAKE_SOURCE_DIR}/db/us-zip-timezones.LICENSE
              ${CMAKE_SOURCE_DIR}/db/us-zip-census-places.LICENSE DESTINATION ${OLVARIS_PROGRAM_DIR} COMPONENT data)

file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/launcher)
foreach(program olvaris olvaris-lists olvaris-lookup zipbase-build)
    file(CREATE_LINK ../${OLVARIS_PROGRAM_DIR}/${program} ${CMAKE_BINARY_DIR}/launcher/${program} SYMBOLIC)
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/launcher/olvaris ${CMAKE_BINARY_DIR}/launcher/olvaris-lists DESTINATION bin
        COMPONENT window)
install(FILES ${CMAKE_BINARY_DIR}/launcher/olvaris-lookup ${CMAKE_BINARY_DIR}/launcher/zipbase-build DESTINATION bin
        COMPONENT tools)

install(FILES ${CMAKE_SOURCE_DIR}/assets/olvaris.desktop ${CMAKE_SOURCE_DIR}/assets/olvaris-lists.desktop
        DESTINATION share/applications COMPONENT window)
# One software-centre entry for each window, as each has a desktop entry.
install(FILES ${CMAKE_SOURCE_DIR}/assets/example.tarvendel.olvaris.metainfo.xml
              ${CMAKE_SOURCE_DIR}/assets/example.tarvendel.olvaris.lists.metainfo.xml DESTINATION share/metainfo
        COMPONENT window)
install(FILES ${CMAKE_SOURCE_DIR}/assets/icons/olvaris.svg DESTINATION share/icons/hicolor/scalable/apps
        COMPONENT window)
foreach(size 16 24 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/assets/icons/olvaris-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME olvaris.png COMPONENT window)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/packaging/bash-completion/olvaris-lookup
        DESTINATION share/bash-completion/completions COMPONENT tools)

# Debian wants the changelog and the manual pages compressed.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/doc)
foreach(doc changelog olvaris.1 olvaris-lists.1 olvaris-lookup.1 zipbase-build.1)
    add_custom_command(
        OUTPUT ${CMAKE_BINARY_DIR}/doc/${doc}.gz
        COMMAND gzip -9 -n -c ${CMAKE_SOURCE_DIR}/packaging/${doc} > ${CMAKE_BINARY_DIR}/doc/${doc}.gz
        DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${doc})
endforeach()
add_custom_target(package_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.gz ${CMAKE_BINARY_DIR}/doc/olvaris.1.gz
                                          ${CMAKE_BINARY_DIR}/doc/olvaris-lists.1.gz
                                          ${CMAKE_BINARY_DIR}/doc/olvaris-lookup.1.gz
                                          ${CMAKE_BINARY_DIR}/doc/zipbase-build.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/doc/olvaris.1.gz ${CMAKE_BINARY_DIR}/doc/olvaris-lists.1.gz DESTINATION share/man/man1
        COMPONENT window)
install(FILES ${CMAKE_BINARY_DIR}/doc/olvaris-lookup.1.gz ${CMAKE_BINARY_DIR}/doc/zipbase-build.1.gz
        DESTINATION share/man/man1 COMPONENT tools)

# Every package carries its own copyright file and the changelog; the
# programs' notice covers the window and the tools, the data's names each
# source of the database.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/doc/changelog.gz ${CMAKE_SOURCE_DIR}/README.md
        DESTINATION share/doc/olvaris COMPONENT window)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/doc/changelog.gz
        DESTINATION share/doc/olvaris-tools COMPONENT tools)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright-data DESTINATION share/doc/olvaris-data RENAME copyright
        COMPONENT data)
install(FILES ${CMAKE_BINARY_DIR}/doc/changelog.gz ${CMAKE_SOURCE_DIR}/db/PROVENANCE.md ${CMAKE_SOURCE_DIR}/db/DATA.md
              ${CMAKE_SOURCE_DIR}/db/us-zip-codes.LICENSE ${CMAKE_SOURCE_DIR}/db/us-zip-timezones.LICENSE
              ${CMAKE_SOURCE_DIR}/db/us-zip-census-places.LICENSE DESTINATION share/doc/olvaris-data COMPONENT data)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME olvaris)
set(CPACK_PACKAGE_VENDOR "Team Tarvendel")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL window tools data)
# Drops the project's one summary line that CPack would put above each
# package's own description.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/packaging/cpack-options.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE olvaris)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Team Tarvendel <support@tarvendel.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.tarvendel.example/")
# Per package, dpkg-shlibdeps sees only that package's programs: the tools
# get the SQLite and workbook libraries, never Qt or X11.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(olvaris_data_exactly "olvaris-data (= ${PROJECT_VERSION})")
# Up to 0.1.0 one package named olvaris held every file; the tools and the
# data take theirs over from it (Debian policy 7.6.1).
set(olvaris_before_split "olvaris (<< 0.2.0)")

set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME olvaris)
set(CPACK_DEBIAN_WINDOW_DESCRIPTION "US ZIP code lookup window\n\
Finds US cities, states and ZIP codes in a database that ships with\n\
the program, streams the results into a list while staying responsive,\n\
and saves or copies them as plain text.")
# Loaded at run time, so the library scan cannot see them: the platform
# plugins and the metric-compatible Arial.
set(CPACK_DEBIAN_WINDOW_PACKAGE_DEPENDS "${olvaris_data_exactly}, qt6-qpa-plugins, fonts-liberation")
# On a Wayland session the program runs natively with it, and the
# compositor keeps a copied text after the program ends; without it the
# program runs through XWayland, where it may not. The tools were part of
# this package up to 0.1.0: recommending them keeps them on an upgrade.
set(CPACK_DEBIAN_WINDOW_PACKAGE_RECOMMENDS "qt6-wayland, olvaris-tools")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME olvaris-tools)
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "US ZIP code lookup from the command line\n\
olvaris-lookup finds US cities, states and ZIP codes in the database of\n\
olvaris-data, the ZIP codes near a place and the distance between two, and\n\
checks address lists (CSV or workbooks) against it, printing plain text,\n\
CSV or JSON; zipbase-build makes such a database from a list of cities,\n\
states and ZIP codes. Neither needs a desktop.")
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "${olvaris_data_exactly}")
set(CPACK_DEBIAN_TOOLS_PACKAGE_REPLACES "${olvaris_before_split}")
set(CPACK_DEBIAN_TOOLS_PACKAGE_BREAKS "${olvaris_before_split}")

set(CPACK_DEBIAN_DATA_PACKAGE_NAME olvaris-data)
set(CPACK_DEBIAN_DATA_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_DATA_DESCRIPTION "US ZIP code database for olvaris and olvaris-tools\n\
The current ZIP codes of the 50 states, DC, the territories and the\n\
military post offices, with their cities, states, counties and points,\n\
and the ZIP codes retired since 2012, as an SQLite database.")
set(CPACK_DEBIAN_DATA_PACKAGE_REPLACES "${olvaris_before_split}")
set(CPACK_DEBIAN_DATA_PACKAGE_BREAKS "${olvaris_before_split}")
include(CPack)
