# SPDX-License-Identifier: GPL-3.0-or-later
# libpng with its own prebuilt configuration (the one its configure script
# writes by default).
glimmer_debian_source(GLIMMER_PNG_SOURCE libpng1.6 pngread.c)
configure_file(${GLIMMER_PNG_SOURCE}/scripts/pnglibconf.h.prebuilt ${CMAKE_CURRENT_BINARY_DIR}/libpng/pnglibconf.h
  COPYONLY)
set(GLIMMER_PNG_FILES png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c pngrio.c pngrtran.c pngrutil.c
  pngset.c pngtrans.c pngwio.c pngwrite.c pngwtran.c pngwutil.c)
list(TRANSFORM GLIMMER_PNG_FILES PREPEND ${GLIMMER_PNG_SOURCE}/)
add_library(glimmer_png STATIC ${GLIMMER_PNG_FILES})
glimmer_library_settings(glimmer_png)
target_include_directories(glimmer_png PUBLIC ${GLIMMER_PNG_SOURCE} ${CMAKE_CURRENT_BINARY_DIR}/libpng)
target_link_libraries(glimmer_png PUBLIC glimmer_zlib)
