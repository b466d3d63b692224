# SPDX-License-Identifier: GPL-3.0-or-later
# What a cross build takes from the build machine's Debian packages, without
# downloading anything: the header-only CLI11 and nlohmann-json (copied into
# the build tree, as the host's include folder must not be searched by the
# cross compiler) and GoogleTest built from its sources (package googletest).
set(TORVAN_HOST_INCLUDE_DIR /usr/include CACHE PATH
    "Where the host's header-only CLI11 and nlohmann-json lie")
set(TORVAN_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH
    "GoogleTest's sources (Debian package googletest)")

set(torvan_cross_include ${CMAKE_BINARY_DIR}/cross-include)
foreach(dir CLI nlohmann)
  if(NOT EXISTS ${TORVAN_HOST_INCLUDE_DIR}/${dir})
    message(FATAL_ERROR "${TORVAN_HOST_INCLUDE_DIR}/${dir} not found "
                        "(Debian: libcli11-dev nlohmann-json3-dev)")
  endif()
  file(COPY ${TORVAN_HOST_INCLUDE_DIR}/${dir} DESTINATION ${torvan_cross_include})
endforeach()
add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
foreach(target CLI11::CLI11 nlohmann_json::nlohmann_json)
  set_target_properties(${target} PROPERTIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES
                                             ${torvan_cross_include}
                                             INTERFACE_INCLUDE_DIRECTORIES ${torvan_cross_include})
endforeach()

if(TORVAN_BUILD_TESTS)
  if(NOT EXISTS ${TORVAN_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest's sources not found in ${TORVAN_GTEST_SOURCE_DIR} "
                        "(Debian: googletest)")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  # Its warnings are not ours to fix. It makes GTest::gtest and GTest::gtest_main.
  add_subdirectory(${TORVAN_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()
