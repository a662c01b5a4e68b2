# The Debian package: `cpack -G DEB` in the build folder makes
# vantor-cp_<version>_amd64.deb with the three programs, the desktop entry,
# the icon, a man page for each program and the files Debian asks of every
# package. Its Depends line is worked out by dpkg-shlibdeps from the shared
# libraries the programs link, so it follows the build, not a list kept by hand;
# only Qt's SQLite driver, a plugin loaded at run time for the change journal,
# is named here.
include(GNUInstallDirs)

set(VANTOR_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/vantor-cp)
set(CPACK_PACKAGE_CONTACT "Vantor control panel team <panel@vantor.invalid>")

# Man pages and the changelog go in compressed, as Debian wants them.
set(vantor_gz_files)
function(vantor_gzip source output)
    add_custom_command(OUTPUT ${output}
        COMMAND gzip -9n -c ${source} > ${output}
        DEPENDS ${source} VERBATIM)
    set(vantor_gz_files ${vantor_gz_files} ${output} PARENT_SCOPE)
endfunction()
foreach(program vantor-cp vantor-cli vantor-board-sim)
    vantor_gzip(${CMAKE_SOURCE_DIR}/doc/man/${program}.1 ${CMAKE_BINARY_DIR}/man/${program}.1.gz)
    install(FILES ${CMAKE_BINARY_DIR}/man/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
string(TIMESTAMP VANTOR_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CMAKE_CURRENT_LIST_DIR}/deb/changelog.in ${CMAKE_BINARY_DIR}/deb/changelog @ONLY)
vantor_gzip(${CMAKE_BINARY_DIR}/deb/changelog ${CMAKE_BINARY_DIR}/deb/changelog.gz)
add_custom_target(vantor_package_files ALL DEPENDS ${vantor_gz_files})
install(FILES ${CMAKE_BINARY_DIR}/deb/changelog.gz ${CMAKE_CURRENT_LIST_DIR}/deb/copyright
    DESTINATION ${VANTOR_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantor-cp)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vantor")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for the Vantor autopilot board")
# The summary is the first line; cpack indents these lines and marks the
# empty one as a paragraph break.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "vantor-cp connects to the board over a serial port to read and edit its
settings, save them to flash, back the configuration up and load it back,
calibrate the sensors, watch live telemetry and download flight logs.

vantor-cli does the backups, loads, log downloads and single settings from
scripts; vantor-board-sim is a simulated board for demos, training and tests.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS libqt6sql6-sqlite)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
