# What a user installs: the Debian package from a Linux tree (cpack -G DEB), the portable zip
# from the Windows tree (cpack -G ZIP). scripts/package builds both.

set(CPACK_PACKAGE_NAME quorvan)
set(CPACK_PACKAGE_VENDOR "The quorvan developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "monitor of the Wi-Fi networks around the machine")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
# One source of the words that both packages carry, turned into what each platform reads.
set(QUORVAN_MAINTAINER "The quorvan developers <quorvan@example.org>"
    CACHE STRING "Maintainer of the Debian package")

if(WIN32)
  # quorvan-<version>-windows-x64.zip: a folder with the program, a README and the license,
  # in text files with Windows line ends.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME quorvan-${PROJECT_VERSION}-windows-x64)
  install(TARGETS quorvan RUNTIME DESTINATION .)
  foreach(pair "res/README-windows.txt:README.txt" "LICENSE:LICENSE.txt")
    string(REPLACE ":" ";" pair ${pair})
    list(GET pair 0 source)
    list(GET pair 1 name)
    file(READ ${PROJECT_SOURCE_DIR}/${source} text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${PROJECT_BINARY_DIR}/zip/${name} "${text}")
    install(FILES ${PROJECT_BINARY_DIR}/zip/${name} DESTINATION .)
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${PROJECT_SOURCE_DIR}/res/README-windows.txt ${PROJECT_SOURCE_DIR}/LICENSE)
else()
  # quorvan_<version>_amd64.deb, its dependencies computed by dpkg-shlibdeps.
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUORVAN_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION net)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "network-manager")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
  # Below the summary in the control file; CPack indents it and marks the empty line.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
quorvan shows the Wi-Fi networks around the machine, one access-point radio
(BSS) per row: activity factor, signal over the last five scan cycles, link
quality, channel and beacon timestamps. Every 20 seconds it reads the BSS list
of the first wireless interface over nl80211 and merges it into its table;
half way between two reads it asks for a fresh scan, through NetworkManager
where it manages the interface.

It opens a Qt window on a desktop and draws in the terminal without one;
--list prints the list once as TSV, CSV or JSON for scripts.

The quorvan-sensor service, installed but not enabled, runs it without either
and serves its table to Prometheus on port 9412.")

  include(GNUInstallDirs)
  install(TARGETS quorvan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/res/quorvan.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size 16 32 48 96)
    install(FILES ${PROJECT_SOURCE_DIR}/res/icons/quorvan-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME quorvan.png)
  endforeach()
  # The manual and the changelog, compressed as Debian keeps them: no name, no time stamp.
  set(docs ${PROJECT_BINARY_DIR}/docs)
  add_custom_command(
    OUTPUT ${docs}/quorvan.1.gz ${docs}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${docs}
    COMMAND sh -c "gzip -9n -c \"$1\" >\"$2\"" sh ${PROJECT_SOURCE_DIR}/docs/quorvan.1
            ${docs}/quorvan.1.gz
    COMMAND sh -c "gzip -9n -c \"$1\" >\"$2\"" sh ${PROJECT_SOURCE_DIR}/res/debian/changelog
            ${docs}/changelog.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/quorvan.1 ${PROJECT_SOURCE_DIR}/res/debian/changelog
    VERBATIM)
  add_custom_target(quorvan_docs ALL DEPENDS ${docs}/quorvan.1.gz ${docs}/changelog.gz)
  install(FILES ${docs}/quorvan.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${docs}/changelog.gz ${PROJECT_SOURCE_DIR}/res/debian/copyright
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/res/org.quorvan.quorvan.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  # The sensor service, installed but not enabled: where Debian 12's systemd looks for the
  # units of packages, and its options as a conffile, which an upgrade does not overwrite.
  install(FILES ${PROJECT_SOURCE_DIR}/res/systemd/quorvan-sensor.service
          DESTINATION /lib/systemd/system)
  install(FILES ${PROJECT_SOURCE_DIR}/res/systemd/quorvan-sensor.default
          DESTINATION /etc/default RENAME quorvan-sensor)
  file(WRITE ${PROJECT_BINARY_DIR}/deb/conffiles "/etc/default/quorvan-sensor\n")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/deb/conffiles)
endif()

include(CPack)
