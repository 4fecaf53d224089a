# Run by `cmake --install` after the program folder is in place: puts the desktop's files in
# the user's data folder ($XDG_DATA_HOME, default ~/.local/share) and writes the list of every
# file the install wrote into the program folder, for tools/uninstall.sh.
#   applications/quavertone.desktop   written by the installed program itself, the same entry
#                                     as the options window's "Associate Now!" writes
#   icons/hicolor/<size>/apps/quavertone.{png,svg}
#   metainfo/io.github.quavertone.Quavertone.metainfo.xml
# Expects QVT_DESKTOP_SOURCE (data/desktop) and QVT_METAINFO (the configured metainfo file).
set(_data_home "$ENV{XDG_DATA_HOME}")
if(NOT IS_ABSOLUTE "${_data_home}")
  set(_data_home "$ENV{HOME}/.local/share")
endif()
set(_prefix "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")

file(INSTALL "${QVT_DESKTOP_SOURCE}/hicolor" DESTINATION "${_data_home}/icons")
file(INSTALL "${QVT_METAINFO}" DESTINATION "${_data_home}/metainfo")

set(_entry "${_data_home}/applications/quavertone.desktop")
message(STATUS "Installing: ${_entry}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env "XDG_DATA_HOME=${_data_home}" "${_prefix}/Quavertone"
    --install-desktop-entry
  RESULT_VARIABLE _result)
if(NOT _result EQUAL 0)
  message(FATAL_ERROR "The desktop entry could not be written")
endif()
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_entry}")

set(_manifest "${_prefix}/install_manifest.txt")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_manifest}")
set(_files "")
foreach(_file IN LISTS CMAKE_INSTALL_MANIFEST_FILES)
  cmake_path(NORMAL_PATH _file)
  list(APPEND _files "${_file}")
endforeach()
list(REMOVE_DUPLICATES _files)
string(REPLACE ";" "\n" _lines "${_files}")
file(WRITE "${_manifest}" "${_lines}\n")
