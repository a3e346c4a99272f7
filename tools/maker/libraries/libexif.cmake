# SPDX-License-Identifier: GPL-3.0-or-later
# libexif with its makers' notes, as Debian builds it, without translations.
glimmer_debian_source(GLIMMER_EXIF_SOURCE libexif libexif/exif-data.c)
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/libexif/config.h
  CONTENT "/* No translations. */\n#define GETTEXT_PACKAGE \"libexif-12\"\n#define HAVE_LOCALTIME_R 1\n")
# What its configure script writes for a C library with stdint.h.
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/libexif/include/libexif/_stdint.h CONTENT "#include <stdint.h>\n")
file(GLOB GLIMMER_EXIF_FILES ${GLIMMER_EXIF_SOURCE}/libexif/*.c ${GLIMMER_EXIF_SOURCE}/libexif/*/*.c)
add_library(glimmer_exif STATIC ${GLIMMER_EXIF_FILES})
glimmer_library_settings(glimmer_exif)
target_include_directories(glimmer_exif PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/libexif ${GLIMMER_EXIF_SOURCE}/libexif)
target_include_directories(glimmer_exif PUBLIC ${GLIMMER_EXIF_SOURCE} ${CMAKE_CURRENT_BINARY_DIR}/libexif/include)
