# Installation layout and the Debian package (CPack): binaries, the bitmaps the programs
# load, desktop entries and icons, and the package dependencies on Qt and the gothic font.
include(GNUInstallDirs)

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

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "movilog")
set(CPACK_PACKAGE_VENDOR "Movilog programs team")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Movilog recorder link (ambcomm), analysis (ambview) and simulator (ambsim)")
set(CPACK_PACKAGE_CONTACT "movilog-team@localhost")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Movilog programs team")
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6printsupport6 (>= 6.4), libqt6serialport6 (>= 6.4), qt6-qpa-plugins, fonts-ipafont-gothic, libc6, libstdc++6")
include(CPack)
