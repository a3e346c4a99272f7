# SPDX-License-Identifier: GPL-3.0-or-later
# The 32-bit saver program, built from this same source tree in a sub-build
# with the mingw toolchain, for the builds that carry it: glimmer puts it in
# front of every package it writes, the web site hands it to the page's maker.
#   glimmer_saver_sub_build(NAME)  adds target NAME; its padded program is
#                                  ${NAME}_PROGRAM (61440 bytes)
include(ExternalProject)

function(glimmer_saver_sub_build name)
  set(folder ${CMAKE_BINARY_DIR}/${name})
  ExternalProject_Add(${name}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${folder}
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/toolchain-mingw-i686.cmake
      -DCMAKE_BUILD_TYPE=MinSizeRel
      -DGLIMMER_BUILD_TESTS=OFF
      -DGLIMMER_EXTERNAL_PACKAGE=OFF
      -DGLIMMER_SITE_HOST=${GLIMMER_SITE_HOST}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${folder}/saver.exe)
  set(${name}_PROGRAM ${folder}/saver.exe PARENT_SCOPE)
endfunction()
