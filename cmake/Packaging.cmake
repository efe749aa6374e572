# Installation and the Debian packages (scripts/package.sh runs cpack on the build):
#   zel-appserver  the server, its systemd unit, configuration and man page
#   zel-desktop    zel-host, zel-script, the module's package and the libraries they load,
#                  the desktop entry, man pages and the example scripts
# Each package keeps its own copy of the libraries both link (core, db) in a folder of its
# own, so either installs alone and neither owns the other's files.
include(GNUInstallDirs)

set(ZEL_SERVER_LIBDIR lib/zel-appserver)
set(ZEL_DESKTOP_LIBDIR lib/zel)

set_target_properties(zel-appserver PROPERTIES INSTALL_RPATH "$ORIGIN/../${ZEL_SERVER_LIBDIR}")
set_target_properties(zel-host zel-script PROPERTIES INSTALL_RPATH "$ORIGIN/../${ZEL_DESKTOP_LIBDIR}")
set(zel_desktop_libraries zel_core zel_db zel_platform zel_shared zel_platform_qt Pkg_Zel00100)
set_target_properties(${zel_desktop_libraries} PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS zel-appserver RUNTIME DESTINATION bin COMPONENT appserver)
install(TARGETS zel_core zel_db LIBRARY DESTINATION ${ZEL_SERVER_LIBDIR} COMPONENT appserver)
install(FILES packaging/appserver/appserver.conf DESTINATION /etc/zel COMPONENT appserver)
install(FILES packaging/appserver/zel-appserver.service DESTINATION lib/systemd/system
        COMPONENT appserver)
install(FILES packaging/man/zel-appserver.1 DESTINATION share/man/man1 COMPONENT appserver)

install(TARGETS zel-host zel-script RUNTIME DESTINATION bin COMPONENT desktop)
install(TARGETS ${zel_desktop_libraries} LIBRARY DESTINATION ${ZEL_DESKTOP_LIBDIR}
        COMPONENT desktop)
install(FILES packaging/desktop/zel-host.desktop DESTINATION share/applications COMPONENT desktop)
install(FILES packaging/desktop/zel.svg DESTINATION share/icons/hicolor/scalable/apps
        COMPONENT desktop)
install(FILES packaging/man/zel-host.1 packaging/man/zel-script.1 DESTINATION share/man/man1
        COMPONENT desktop)
install(FILES docs/zel-script.md DESTINATION share/doc/zel-desktop COMPONENT desktop)
install(DIRECTORY examples/ DESTINATION share/doc/zel-desktop/examples COMPONENT desktop
        FILES_MATCHING PATTERN "*.zel")
# The help pages install with the desktop (help/CMakeLists.txt).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Equipe de faturamento")
set(CPACK_PACKAGE_CONTACT "Equipe de faturamento <faturamento@localhost>")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL appserver desktop)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${CMAKE_BINARY_DIR}/lib
    "${CMAKE_BINARY_DIR}/_CPack_Packages/Linux/DEB/zel-${PROJECT_VERSION}-Linux/appserver/usr/${ZEL_SERVER_LIBDIR}"
    "${CMAKE_BINARY_DIR}/_CPack_Packages/Linux/DEB/zel-${PROJECT_VERSION}-Linux/desktop/usr/${ZEL_DESKTOP_LIBDIR}")

set(CPACK_DEBIAN_APPSERVER_PACKAGE_NAME zel-appserver)
# The SQL drivers and TLS are loaded at run time, out of dpkg-shlibdeps' sight.
set(CPACK_DEBIAN_APPSERVER_PACKAGE_DEPENDS "adduser, libqt6sql6-sqlite, libqt6sql6-psql, libssl3")
set(CPACK_COMPONENT_APPSERVER_DESCRIPTION
    "Servidor de aplicação da apuração de faturamento\nAtende o módulo remoto de apuração por TCP sobre SQLite ou PostgreSQL; roda como\no serviço systemd zel-appserver, com o usuário de sistema zel.")
set(CPACK_DEBIAN_APPSERVER_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/packaging/appserver/conffiles
    ${CMAKE_SOURCE_DIR}/packaging/appserver/postinst
    ${CMAKE_SOURCE_DIR}/packaging/appserver/prerm
    ${CMAKE_SOURCE_DIR}/packaging/appserver/postrm)
set(CPACK_DEBIAN_APPSERVER_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME zel-desktop)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql, libssl3")
set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS "zel-appserver (= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_DESKTOP_DESCRIPTION
    "Aplicação de faturamento: apuração, taxas aeroportuárias e notas apuradas\nzel-host (a janela principal), zel-script (as telas dirigidas por roteiro) e o pacote\ndo módulo que ambos carregam, com roteiros de exemplo.")

include(CPack)
