# Installation and the Debian package.
#
#   cmake --install build/default --prefix /usr/local     (or DESTDIR=... cmake --install ...)
#   cd build/default && cpack                               (zanvor-hub_<version>_<arch>.deb)
#
# Programs go to bin/, their data to share/zanvor-hub/ (found from the program's own folder),
# plus the desktop entry, the icons, the AppStream metainfo, the manual pages, the bash
# completion, the udev rule that gives the user at the seat access to the keyboards and the
# user service that runs zanvorctl serve.

set(zanvor_packaging ${CMAKE_SOURCE_DIR}/packaging)
set(zanvor_dist ${CMAKE_BINARY_DIR}/dist)

install(TARGETS zanvorctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(ZANVOR_BUILD_GUI)
  install(TARGETS zanvor-hub RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/zanvor-hub)

install(FILES ${zanvor_packaging}/zanvor-hub.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${zanvor_packaging}/com.zanvor.hub.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${zanvor_packaging}/icons/zanvor-hub.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${zanvor_packaging}/icons/zanvor-hub-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME zanvor-hub.png)
endforeach()
install(FILES ${zanvor_packaging}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zanvor-hub)
# The user service running zanvorctl serve (installed, not enabled). Its program path is made
# when installing, since the package and `cmake --install --prefix` choose the prefix then.
install(CODE "
  file(READ \"${zanvor_packaging}/zanvor-hub.service.in\" unit)
  string(REPLACE \"@CMAKE_INSTALL_FULL_BINDIR@\" \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\"
         unit \"\${unit}\")
  file(WRITE \"${zanvor_dist}/zanvor-hub.service\" \"\${unit}\")
")
install(FILES ${zanvor_dist}/zanvor-hub.service DESTINATION lib/systemd/user)

if(NOT ZANVOR_BUILD_DIST)
  return()
endif()

# Made from the program itself at build time: the udev rule from the keyboard catalogue,
# zanvorctl's manual page and completion from its grammar.
set(zanvor_rule ${zanvor_dist}/70-zanvor-hub.rules)
add_custom_command(
  OUTPUT ${zanvor_rule} ${zanvor_dist}/zanvorctl.1 ${zanvor_dist}/zanvorctl
  COMMAND zanvor-distfiles ${CMAKE_SOURCE_DIR}/data ${CMAKE_SOURCE_DIR}/docs/zanvorctl.1.in
          ${zanvor_dist}
  DEPENDS zanvor-distfiles ${CMAKE_SOURCE_DIR}/data/config.xml
          ${CMAKE_SOURCE_DIR}/docs/zanvorctl.1.in
  COMMENT "Making the udev rule, zanvorctl's manual page and bash completion")

# Manual pages and the changelog compressed as Debian installs them (man reads them so too);
# -n keeps the archives the same from one build to the next.
set(zanvor_compressed)
foreach(source ${zanvor_dist}/zanvorctl.1 ${CMAKE_SOURCE_DIR}/docs/zanvor-hub.1
               ${zanvor_packaging}/changelog)
  get_filename_component(name ${source} NAME)
  add_custom_command(
    OUTPUT ${zanvor_dist}/${name}.gz
    COMMAND gzip -9nc ${source} > ${zanvor_dist}/${name}.gz
    DEPENDS ${source}
    VERBATIM)
  list(APPEND zanvor_compressed ${zanvor_dist}/${name}.gz)
endforeach()
add_custom_target(dist_files ALL DEPENDS ${zanvor_rule} ${zanvor_dist}/zanvorctl
                                         ${zanvor_compressed})

install(FILES ${zanvor_rule} DESTINATION lib/udev/rules.d)
install(FILES ${zanvor_dist}/zanvorctl.1.gz ${zanvor_dist}/zanvor-hub.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${zanvor_dist}/zanvorctl
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${zanvor_dist}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zanvor-hub)

# The Debian package. Its library dependencies come from dpkg-shlibdeps; the Qt platform
# plugins are named because Qt loads them at run time (the linker never sees them).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zanvor-hub)
set(CPACK_PACKAGE_VENDOR Zanvor)
set(CPACK_PACKAGE_CONTACT "Zanvor HUB developers <hub@zanvor.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration utility for Zanvor gaming keyboards")
# The summary above is the synopsis line; CPack puts it before these lines.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Zanvor HUB remaps the keys of Zanvor gaming keyboards on four layers, sets\n"
  "up their knob, keeps up to ten profiles and changes the keyboard's settings,\n"
  "by USB cable or through the 2.4 GHz receiver.\n"
  ".\n"
  "It comes as a Qt desktop program (zanvor-hub) and a command-line tool for\n"
  "scripts (zanvorctl) with JSON output, and installs a udev rule that lets the\n"
  "user at the seat reach the keyboards without root rights.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.zanvor.com/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Qt's own texts (dialog buttons, file dialogs) in the user's language, and the fonts the
# Chinese and Japanese texts need.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "qt6-wayland, xdg-utils, qt6-translations-l10n, fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${zanvor_packaging}/postinst ${zanvor_packaging}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_STRIP_FILES TRUE)
include(CPack)
