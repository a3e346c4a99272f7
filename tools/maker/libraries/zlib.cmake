# SPDX-License-Identifier: GPL-3.0-or-later
# zlib's inflate and deflate, for libpng (no gz file functions).
glimmer_debian_source(GLIMMER_ZLIB_SOURCE zlib inflate.c)
set(GLIMMER_ZLIB_FILES adler32.c compress.c crc32.c deflate.c infback.c inffast.c inflate.c inftrees.c trees.c
  uncompr.c zutil.c)
list(TRANSFORM GLIMMER_ZLIB_FILES PREPEND ${GLIMMER_ZLIB_SOURCE}/)
add_library(glimmer_zlib STATIC ${GLIMMER_ZLIB_FILES})
glimmer_library_settings(glimmer_zlib)
target_include_directories(glimmer_zlib PUBLIC ${GLIMMER_ZLIB_SOURCE})
