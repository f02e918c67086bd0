# Installed files and the Debian package (cpack -G DEB in a build directory).

install(DIRECTORY data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/veyra
        FILES_MATCHING PATTERN "*.sql" PATTERN "*.csv")
install(PROGRAMS packaging/veyra-launch DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/org.veyra.Veyra.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/veyra.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES packaging/icons/veyra-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME veyra.png)
endforeach()
# The command-line transfer (installed by its own directory), where the tree has it.
set(VEYRA_METAINFO_EXTRA_BINARIES "")
if(TARGET veyra-transfer)
  set(VEYRA_METAINFO_EXTRA_BINARIES "\n    <binary>veyra-transfer</binary>")
endif()
configure_file(packaging/org.veyra.Veyra.metainfo.xml.in org.veyra.Veyra.metainfo.xml @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/org.veyra.Veyra.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/veyra)

set(CPACK_PACKAGE_NAME veyra)
set(CPACK_PACKAGE_VENDOR "The Veyra developers")
set(CPACK_PACKAGE_CONTACT "The Veyra developers <veyra@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "registration of employers and retired staff for a medical pooling scheme")
set(CPACK_PACKAGE_DESCRIPTION
    "Veyra registers employers and their retired staff for a medical pooling scheme,\n\
checks every record, finds and corrects records, prints the registration forms\n\
and exchanges registers with other sites through submission files.\n\
The user interface is Chinese.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from dpkg-shlibdeps; what is loaded at run time without
# being linked is listed here: the forms' fonts and Qt's own translations.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-zenhei, fonts-liberation2, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups-client")
include(CPack)
