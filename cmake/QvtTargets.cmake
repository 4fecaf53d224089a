# Helpers that keep every target's flags in one place.

function(qvt_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wold-style-cast -Woverloaded-virtual
    -Wmissing-declarations -Wconversion $<$<CXX_COMPILER_ID:Clang>:-Wno-sign-conversion>)
  if(QVT_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# qvt_library(name SOURCES file... LINK target...)
# A static library of the listed sources (paths from the top folder); none gives an interface
# library.
function(qvt_library name)
  cmake_parse_arguments(Q "" "" "SOURCES;LINK" ${ARGN})
  set(_srcs ${Q_SOURCES})
  if(_srcs)
    add_library(${name} STATIC ${_srcs})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${Q_LINK})
    target_compile_definitions(${name} PUBLIC
      QVT_UPDATE_BASE_URL="${QVT_UPDATE_BASE_URL}"
      QT_NO_KEYWORDS)
    # Every conversion of bytes to text names its encoding. Private, so that the tests that
    # link the library keep Qt's implicit conversions.
    target_compile_definitions(${name} PRIVATE QT_NO_CAST_FROM_ASCII)
    qvt_warnings(${name})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${Q_LINK})
    target_compile_definitions(${name} INTERFACE
      QVT_UPDATE_BASE_URL="${QVT_UPDATE_BASE_URL}"
      QT_NO_KEYWORDS)
  endif()
endfunction()
