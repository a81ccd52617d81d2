# Installation layout and the Debian package (CPack): binaries, the bitmaps the programs
# load, desktop entries, icons, manual pages, the copyright file and the changelog. The
# package's library dependencies come from dpkg-shlibdeps; only what it cannot see is named.
include(GNUInstallDirs)

set(MOVILOG_MAINTAINER "Movilog programs team <movilog@example.org>" CACHE STRING
    "Maintainer of the Debian package and signer of its changelog: \"Name <address>\"")

# One date for the changelog and the manual pages: the last commit's, so that a package
# built again from the same sources is the same (the time of configuring when there is no git).
set(MOVILOG_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
if(NOT MOVILOG_SOURCE_DATE_EPOCH)
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                    OUTPUT_VARIABLE MOVILOG_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(NOT MOVILOG_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    string(TIMESTAMP MOVILOG_SOURCE_DATE_EPOCH "%s" UTC)
  endif()
endif()

install(TARGETS ambcomm ambview ambsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(EXISTS ${CMAKE_SOURCE_DIR}/data)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/movilog
          FILES_MATCHING PATTERN "*.bmp")
endif()
install(FILES ${CMAKE_SOURCE_DIR}/packaging/ambview.desktop ${CMAKE_SOURCE_DIR}/packaging/ambcomm.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/ambview.png ${CMAKE_SOURCE_DIR}/packaging/ambcomm.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps)
if(EXISTS ${CMAKE_SOURCE_DIR}/docs/user_guide.md)
  install(FILES ${CMAKE_SOURCE_DIR}/docs/user_guide.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
include(${CMAKE_CURRENT_LIST_DIR}/manpages.cmake)

# Debian's machine-readable copyright file, and the changelog made from the version.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} ${MOVILOG_SOURCE_DATE_EPOCH})
string(TIMESTAMP MOVILOG_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/packaging/changelog > ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
  COMMENT "Debian changelog")
add_custom_target(changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "movilog")
set(CPACK_PACKAGE_VENDOR "Movilog programs team")
set(CPACK_PACKAGE_CONTACT "${MOVILOG_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MOVILOG_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "link and analysis programs for the Movilog body-worn recorder")
# The extended description; CPack puts the summary line above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "The Movilog records acceleration, tilt, steps, heart rate, RR intervals and
ECG on the body. This package holds its desktop programs:
 - ambcomm, the link program: reads and changes the recorder's measurement
   conditions over a serial line, clears its memory and downloads the
   recorded data into recording files;
 - ambview, the analysis program: opens a recording and shows a trend graph,
   ECG strips and a waveform monitor, estimates energy expenditure, exports
   text and EDF+, re-saves ranges, saves bitmaps and prints;
 - ambsim, a simulated recorder on a pseudo-terminal, to try the link
   program without hardware.
Both programs also run their operations from the command line, without a
window.")
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# Libraries linked (Qt, the C and C++ runtimes, and any added later) are found by
# dpkg-shlibdeps; what the programs load or use without linking it is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
