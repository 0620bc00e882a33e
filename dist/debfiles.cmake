# SPDX-License-Identifier: MIT
# Run by cpack between installing into its staging folder and packing: a
# Debian package keeps a game's program in /usr/games, and its manual pages
# and changelog compressed with gzip -9n (no name or time inside, so the
# package is the same from the same build).
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")

file(MAKE_DIRECTORY "${root}/games")
file(RENAME "${root}/${CPACK_TORMEL_BINDIR}/tormel" "${root}/games/tormel")
file(GLOB left "${root}/${CPACK_TORMEL_BINDIR}/*")
if(NOT left)
  file(REMOVE_RECURSE "${root}/${CPACK_TORMEL_BINDIR}")
endif()

file(GLOB compress "${root}/${CPACK_TORMEL_MANDIR}/man6/*.6" "${root}/${CPACK_TORMEL_DOCDIR}/changelog")
foreach(f ${compress})
  execute_process(COMMAND gzip -9n "${f}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "gzip -9n ${f} failed")
  endif()
endforeach()
