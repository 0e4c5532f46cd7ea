# Runs at install time, from cmake --install and from CPack: writes the launcher for the prefix
# being installed into, which `cmake --install --prefix` may choose long after configuring, then
# installs it like any other file (so it is in install_manifest.txt and honours DESTDIR).
# Set by the install rules before this runs:
#   tarvelon_launcher_template  the launcher with Exec=@EXEC@
#   tarvelon_launcher_work      a folder of the build to write the finished launcher into
#   tarvelon_launcher_program   the program's path under the prefix, or empty when the program
#                               lies on the PATH and Exec names it plainly

if(tarvelon_launcher_program)
  set(program "${CMAKE_INSTALL_PREFIX}/${tarvelon_launcher_program}")
  # A launcher line holds no line break or other control character, so such a prefix cannot be
  # written into it.
  foreach(code RANGE 1 31)
    string(ASCII ${code} control)
    string(FIND "${program}" "${control}" at)
    if(NOT at EQUAL -1)
      message(FATAL_ERROR "The install prefix holds a control character: ${CMAKE_INSTALL_PREFIX}")
    endif()
  endforeach()
  # The path as the one quoted argument of Exec: inside the quotes a backslash, double quote,
  # backtick or dollar sign takes a backslash, the file's own string escaping then doubles every
  # backslash, and a percent sign is doubled so that it is not read as a field code.
  string(REPLACE "\\" "\\\\\\\\" escaped "${program}")
  string(REPLACE "\"" "\\\\\"" escaped "${escaped}")
  string(REPLACE "`" "\\\\`" escaped "${escaped}")
  string(REPLACE "$" "\\\\$" escaped "${escaped}")
  string(REPLACE "%" "%%" escaped "${escaped}")
  set(exec "\"${escaped}\"")
else()
  set(exec tarvelon)
endif()

file(READ "${tarvelon_launcher_template}" launcher)
string(REPLACE "Exec=@EXEC@" "Exec=${exec}" launcher "${launcher}")
file(WRITE "${tarvelon_launcher_work}/tarvelon.desktop" "${launcher}")
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
     FILES "${tarvelon_launcher_work}/tarvelon.desktop")
