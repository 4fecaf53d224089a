# The man page quavertone.1 (gzipped for installs): data/man/quavertone.1.in with the version,
# and its OPTIONS section written by qvt_manpage from the option table that also drives --help
# (player/cli/CommandLineOptions.h). Sets QVT_MANPAGE and QVT_MANPAGE_GZ.

set(QVT_MANPAGE ${CMAKE_BINARY_DIR}/man/quavertone.1)
set(QVT_MANPAGE_GZ ${QVT_MANPAGE}.gz)
configure_file(${CMAKE_SOURCE_DIR}/data/man/quavertone.1.in ${CMAKE_BINARY_DIR}/man/quavertone.1.in
  @ONLY)
add_executable(qvt_manpage player/cli/ManPage.cpp)
target_include_directories(qvt_manpage PRIVATE ${CMAKE_SOURCE_DIR})
qvt_warnings(qvt_manpage)
add_custom_command(OUTPUT ${QVT_MANPAGE} ${QVT_MANPAGE_GZ}
  COMMAND qvt_manpage ${CMAKE_BINARY_DIR}/man/quavertone.1.in ${QVT_MANPAGE}
  COMMAND gzip -9n -c ${QVT_MANPAGE} > ${QVT_MANPAGE_GZ}
  DEPENDS qvt_manpage ${CMAKE_BINARY_DIR}/man/quavertone.1.in
  COMMENT "Writing the man page quavertone.1")
add_custom_target(qvt_man ALL DEPENDS ${QVT_MANPAGE} ${QVT_MANPAGE_GZ})
