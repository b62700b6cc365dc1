# What an installation holds, and the package CPack makes of it:
#   cmake --build --preset default --target package   a .deb: both programs, the desktop
#       entry and its icons, the command line's manual page, the scheduled-backup units
#   cmake --build --preset windows --target package   a zip: both programs and the README

set(CPACK_PACKAGE_NAME harrowlander)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Harrowlander developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Back up, restore, delete and shrink Microsoft SQL Server databases")
set(CPACK_PACKAGE_DESCRIPTION
  "A window (harrowlander) and a command line (harrowlander-cli) with which a database
administrator looks after Microsoft SQL Server databases from a workstation: back up
a database and bring the .bak to the workstation through the server's share, restore
a .bak as a named database, delete a database with its files, shrink a database, drop
the tables whose names match patterns. Systemd units run nightly backups with the
command line.")

if(WIN32)
  # The programs are linked statically and stripped: the zip is all a workstation needs.
  install(TARGETS harrowlander_exe harrowlander_cli_program RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME Harrowlander-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  include(CPack)
  return()
endif()

include(GNUInstallDirs)
set(HARROWLANDER_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/harrowlander)
set(HARROWLANDER_PACKAGE_FILES ${CMAKE_BINARY_DIR}/package-files)

install(TARGETS harrowlander harrowlander_cli_program RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/contrib/desktop/harrowlander.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/contrib/systemd/harrowlander-backup@.service
              ${PROJECT_SOURCE_DIR}/contrib/systemd/harrowlander-backup@.timer
        DESTINATION lib/systemd/system)
install(FILES ${PROJECT_SOURCE_DIR}/contrib/systemd/harrowlander-backup.conf.example
        DESTINATION ${HARROWLANDER_DOC_DIR}/examples)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${HARROWLANDER_DOC_DIR})

# The manual page, compressed as Debian keeps them.
configure_file(${PROJECT_SOURCE_DIR}/docs/harrowlander-cli.1.in
               ${HARROWLANDER_PACKAGE_FILES}/harrowlander-cli.1 @ONLY)
find_program(HARROWLANDER_GZIP gzip REQUIRED)
add_custom_command(
  OUTPUT ${HARROWLANDER_PACKAGE_FILES}/harrowlander-cli.1.gz
  COMMAND ${HARROWLANDER_GZIP} -9 -n -f -k ${HARROWLANDER_PACKAGE_FILES}/harrowlander-cli.1
  DEPENDS ${HARROWLANDER_PACKAGE_FILES}/harrowlander-cli.1
  VERBATIM)
set(HARROWLANDER_GENERATED_FILES ${HARROWLANDER_PACKAGE_FILES}/harrowlander-cli.1.gz)
install(FILES ${HARROWLANDER_PACKAGE_FILES}/harrowlander-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The desktop's icons are the window's own, drawn from the same XPM images, one PNG a
# size; without ImageMagick the installation has none.
find_program(HARROWLANDER_CONVERT convert)
if(HARROWLANDER_CONVERT)
  foreach(size 16 32)
    set(png ${HARROWLANDER_PACKAGE_FILES}/icons/${size}x${size}/harrowlander.png)
    add_custom_command(
      OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${HARROWLANDER_PACKAGE_FILES}/icons/${size}x${size}
      COMMAND ${HARROWLANDER_CONVERT} ${PROJECT_SOURCE_DIR}/src/res/harrowlander_${size}.xpm
              -strip -define png:exclude-chunks=date,time png32:${png}
      DEPENDS ${PROJECT_SOURCE_DIR}/src/res/harrowlander_${size}.xpm
      VERBATIM)
    list(APPEND HARROWLANDER_GENERATED_FILES ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
else()
  message(WARNING "ImageMagick's convert is missing: the installation has no icons")
endif()
add_custom_target(harrowlander_package_files ALL DEPENDS ${HARROWLANDER_GENERATED_FILES})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Harrowlander developers <noreply@harrowlander.invalid>")
# The libraries the programs link come from dpkg-shlibdeps; the SQL Server driver is
# loaded by name at run time, so it is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS tdsodbc)
# The client button opens ~/.freetds.conf through xdg-open; packing calls rar.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS rar)
include(CPack)
