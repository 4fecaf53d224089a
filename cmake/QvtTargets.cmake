# Helpers that keep every target's flags in one place.

function(qvt_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wold-style-cast -Woverloaded-virtual
    -Wmissing-declarations -Wconversion $<$<CXX_COMPILER_ID:Clang>:-Wno-sign-conversion>)
  if(QVT_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# The folders in layers, each above the ones before it: platform/ (the base, the interfaces and
# their implementations), shared/, then the programs, player/ and updater/. A library sees only
# its own layer's folder and those of the libraries it links, through a folder of its layer that
# holds a link to the top folder's folder of that name (include/player/player -> ../../player),
# so that an include of a layer above does not compile.
function(qvt_layer_include_dir layer out)
  set(_dir ${CMAKE_BINARY_DIR}/include/${layer})
  if(NOT EXISTS ${_dir}/${layer})
    file(MAKE_DIRECTORY ${_dir})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${layer} ${_dir}/${layer} SYMBOLIC)
  endif()
  set(${out} ${_dir} PARENT_SCOPE)
endfunction()

# The definitions and warnings of every static library of the project.
function(qvt_library_flags name)
  target_compile_definitions(${name} PUBLIC
    QVT_UPDATE_BASE_URL="${QVT_UPDATE_BASE_URL}"
    QT_NO_KEYWORDS)
  # Every conversion of bytes to text names its encoding. Private, so that the tests that link
  # the library keep Qt's implicit conversions.
  target_compile_definitions(${name} PRIVATE QT_NO_CAST_FROM_ASCII)
  qvt_warnings(${name})
endfunction()

# qvt_library(name SOURCES file... LINK target...)
# A static library of the listed sources (paths from the top folder, all in one layer's
# folder); none gives an interface library.
function(qvt_library name)
  cmake_parse_arguments(Q "" "" "SOURCES;LINK" ${ARGN})
  set(_srcs ${Q_SOURCES})
  if(_srcs)
    add_library(${name} STATIC ${_srcs})
    list(GET _srcs 0 _first)
    cmake_path(ABSOLUTE_PATH _first BASE_DIRECTORY ${CMAKE_SOURCE_DIR})
    file(RELATIVE_PATH _first ${CMAKE_SOURCE_DIR} ${_first})
    string(REGEX MATCH "^[^/]+" _layer ${_first})
    qvt_layer_include_dir(${_layer} _include)
    target_include_directories(${name} PUBLIC ${_include})
    target_link_libraries(${name} PUBLIC ${Q_LINK})
    qvt_library_flags(${name})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${Q_LINK})
    target_compile_definitions(${name} INTERFACE
      QVT_UPDATE_BASE_URL="${QVT_UPDATE_BASE_URL}"
      QT_NO_KEYWORDS)
  endif()
endfunction()

# qvt_folder_library(name FOLDER folder SOURCES file... FOLDERS library... LINK target...)
# A static library of one folder of a program (or of one file of its top folder). It sees its
# own folder and the folders of the libraries named in FOLDERS, which it links privately: a
# consumer sees no folder it does not link itself, so an include of a folder that is not linked
# (an upward include, or a cycle between folders) does not compile. LINK names the lower layers
# (shared/, platform/, Qt), linked publicly.
function(qvt_folder_library name)
  cmake_parse_arguments(Q "" "FOLDER" "SOURCES;FOLDERS;LINK" ${ARGN})
  add_library(${name} STATIC ${Q_SOURCES})
  string(REPLACE "/" "_" _tag ${Q_FOLDER})
  string(REPLACE "." "_" _tag ${_tag})
  set(_root ${CMAKE_BINARY_DIR}/include/${_tag})
  if(NOT EXISTS ${_root}/${Q_FOLDER})
    get_filename_component(_parent ${_root}/${Q_FOLDER} DIRECTORY)
    file(MAKE_DIRECTORY ${_parent})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${Q_FOLDER} ${_root}/${Q_FOLDER} SYMBOLIC)
  endif()
  target_include_directories(${name} PUBLIC ${_root})
  target_link_libraries(${name} PUBLIC ${Q_LINK} PRIVATE ${Q_FOLDERS})
  qvt_library_flags(${name})
endfunction()
