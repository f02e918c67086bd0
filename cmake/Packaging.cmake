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

# The README, the changelog and the manual pages as Debian keeps them: gzipped
# with -9n (no name or time stamp, so the package builds the same every time).
set(VEYRA_MAN_PAGES veyra veyra-launch veyra-newdb veyra-transfer)
set(gzipped "")
function(veyra_gzip from to)
  add_custom_command(OUTPUT ${to} COMMAND gzip -9n -c ${from} > ${to} DEPENDS ${from} VERBATIM)
  set(gzipped ${gzipped} ${to} PARENT_SCOPE)
endfunction()
foreach(page IN LISTS VEYRA_MAN_PAGES)
  configure_file(packaging/man/${page}.1.in man/${page}.1 @ONLY)
  veyra_gzip(${CMAKE_CURRENT_BINARY_DIR}/man/${page}.1 ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.1.gz)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
veyra_gzip(${CMAKE_SOURCE_DIR}/README.md ${CMAKE_CURRENT_BINARY_DIR}/doc/README.md.gz)
veyra_gzip(${CMAKE_SOURCE_DIR}/packaging/changelog ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz)
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/doc)
add_custom_target(veyra_docs ALL DEPENDS ${gzipped})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/doc/README.md.gz ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/veyra)

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
