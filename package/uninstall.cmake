# `make uninstall`: removes every file that the last `cmake --install` from a build folder put
# under $DESTDIR$PREFIX, as listed in that folder's install_manifest.txt, and then the program's
# own folders (those named tarvelon) when nothing else is left in them, so that what the program
# wrote beside itself, settings.dat and System/, stays with the user.
# Usage: PREFIX=... [DESTDIR=...] cmake -DMANIFEST=<build>/install_manifest.txt -P uninstall.cmake

set(prefix "$ENV{PREFIX}")
set(destdir "$ENV{DESTDIR}")
if(NOT prefix MATCHES "^/")
  message(FATAL_ERROR "PREFIX must be an absolute path: ${prefix}")
endif()
string(REGEX REPLACE "/+$" "" prefix "${prefix}")
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "${MANIFEST} is missing: nothing was installed from this build folder")
endif()

file(STRINGS "${MANIFEST}" installed)
# Every file must lie under the PREFIX given, so that a wrong PREFIX removes nothing at all.
foreach(file IN LISTS installed)
  string(FIND "${file}" "${prefix}/" at)
  if(NOT at EQUAL 0)
    message(FATAL_ERROR "${MANIFEST} lists ${file}, which is not under PREFIX ${prefix}: "
                        "uninstall with the PREFIX that was installed to")
  endif()
endforeach()

set(folders)
foreach(file IN LISTS installed)
  set(path "${destdir}${file}")
  if(IS_SYMLINK "${path}" OR EXISTS "${path}")
    message(STATUS "Removing ${path}")
    file(REMOVE "${path}")
  endif()
  get_filename_component(folder "${path}" DIRECTORY)
  get_filename_component(name "${folder}" NAME)
  if(name STREQUAL "tarvelon")
    list(APPEND folders "${folder}")
  endif()
endforeach()

list(REMOVE_DUPLICATES folders)
foreach(folder IN LISTS folders)
  file(GLOB left LIST_DIRECTORIES true "${folder}/*" "${folder}/.*")
  if(IS_DIRECTORY "${folder}" AND NOT left)
    file(REMOVE_RECURSE "${folder}")
  endif()
endforeach()
