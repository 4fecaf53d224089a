# The Debian package: `cpack -G DEB` in the build folder (tools/package.sh does it from a clean
# tree). Its files are the install component "deb", which a plain `cmake --install` leaves out
# (that one installs for one user); CPack installs it under /usr:
#   lib/quavertone/                 the program folder: both programs and their data files,
#                                   read-only for users (settings go to ~/.local/share/quavertone)
#   bin/quavertone                  a link to lib/quavertone/Quavertone
#   share/applications/quavertone.desktop, share/icons/hicolor/..., share/metainfo/...
#   share/man/man1/quavertone.1.gz, share/doc/quavertone/{copyright,changelog.gz}
# The package's dependencies come from the libraries the programs link (dpkg-shlibdeps), and
# libmpv, which the player opens when it plays its first song, and the Liberation fonts.
# Expects _data_files, QVT_METAINFO and QVT_MANPAGE_GZ.
set(_program_dir lib/quavertone)
set(_deb COMPONENT deb EXCLUDE_FROM_ALL)
install(TARGETS Quavertone Updater RUNTIME DESTINATION ${_program_dir} ${_deb})
install(FILES ${_data_files} DESTINATION ${_program_dir} ${_deb})
# The mark of a system-wide install: with it every user, root included, keeps settings in
# ~/.local/share/quavertone and the program never updates itself.
set(_system_marker ${CMAKE_BINARY_DIR}/package/SystemInstall.qvc)
file(WRITE ${_system_marker}
  "Installed system-wide by the package manager, which also updates it.\r\n")
install(FILES ${_system_marker} DESTINATION ${_program_dir} ${_deb})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/desktop/hicolor DESTINATION share/icons ${_deb})
install(FILES ${QVT_METAINFO} DESTINATION share/metainfo ${_deb})
install(FILES ${QVT_MANPAGE_GZ} DESTINATION share/man/man1 ${_deb})

set(QVT_MAINTAINER "Quavertone developers <quavertone@users.noreply.github.com>")
execute_process(COMMAND date -R -u -d ${QVT_RELEASE_DATE} OUTPUT_VARIABLE QVT_CHANGELOG_DATE
  OUTPUT_STRIP_TRAILING_WHITESPACE)
set(_changelog ${CMAKE_BINARY_DIR}/package/changelog)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${_changelog} @ONLY)
add_custom_command(OUTPUT ${_changelog}.gz
  COMMAND gzip -9n -c ${_changelog} > ${_changelog}.gz
  DEPENDS ${_changelog})
add_custom_target(qvt_changelog ALL DEPENDS ${_changelog}.gz)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${_changelog}.gz
  DESTINATION share/doc/quavertone ${_deb})

# The command's link and the desktop entry: the entry is the one the installed program writes
# (as for an install for one user), pointed at the command.
install(CODE "
  set(_root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  file(MAKE_DIRECTORY \"\${_root}/bin\")
  file(CREATE_LINK ../${_program_dir}/Quavertone \"\${_root}/bin/quavertone\" SYMBOLIC)
  message(STATUS \"Installing: \${_root}/share/applications/quavertone.desktop\")
  execute_process(COMMAND \${CMAKE_COMMAND} -E env \"XDG_DATA_HOME=\${_root}/share\"
      \"\${_root}/${_program_dir}/Quavertone\" --install-desktop-entry RESULT_VARIABLE _result)
  if(NOT _result EQUAL 0)
    message(FATAL_ERROR \"The desktop entry could not be written\")
  endif()
  set(_entry \"\${_root}/share/applications/quavertone.desktop\")
  file(READ \"\${_entry}\" _text)
  string(REGEX REPLACE \"\\nExec=[^\\n]*\" \"\\nExec=quavertone %f\" _text \"\${_text}\")
  file(WRITE \"\${_entry}\" \"\${_text}\")
  # The desktop's caches are the package manager's (its triggers), not the package's.
  file(REMOVE \"\${_root}/share/applications/mimeinfo.cache\")
" ${_deb})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quavertone)
set(CPACK_PACKAGE_VENDOR "The Quavertone developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${QVT_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL deb)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_DEB_PACKAGE_NAME quavertone)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QVT_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/quavertone/quavertone)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libmpv is opened at run time (not seen by dpkg-shlibdeps); the windows are laid out for the
# Liberation fonts (Arial's and Courier New's metrics), which a minimal system lacks.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libmpv2, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "music player built around play lists")
set(CPACK_PACKAGE_DESCRIPTION "Quavertone builds play lists from the audio files on your drives,
saves them as .qvl files and plays them in order or at random, with looping,
and with songs that will not play skipped or removed. A small quick play window
plays single files opened from the file manager, and the desktop's media keys
reach the player.")
include(CPack)
