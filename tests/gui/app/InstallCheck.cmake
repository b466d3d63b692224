# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a fresh folder and checks that the programs, the
# desktop entry, the icon and the sample land where desktops find them.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P InstallCheck.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(f bin/torvan bin/torvan-cli share/applications/io.github.torvan.Torvan.desktop
          share/metainfo/io.github.torvan.Torvan.metainfo.xml
          share/icons/hicolor/scalable/apps/torvan.svg share/icons/hicolor/48x48/apps/torvan.png
          share/torvan/samples/ibm.txt share/bash-completion/completions/torvan-cli
          share/man/man1/torvan.1.gz share/doc/torvan-cli/copyright)
  if(NOT EXISTS "${PREFIX}/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(READ "${PREFIX}/share/applications/io.github.torvan.Torvan.desktop" entry)
foreach(line "Exec=torvan %f" "Icon=torvan" "Type=Application")
  string(FIND "${entry}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks ${line}")
  endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
