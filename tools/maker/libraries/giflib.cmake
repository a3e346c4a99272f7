# SPDX-License-Identifier: GPL-3.0-or-later
# giflib's decoder and encoder.
glimmer_debian_source(GLIMMER_GIF_SOURCE giflib dgif_lib.c)
set(GLIMMER_GIF_FILES dgif_lib.c egif_lib.c gif_err.c gif_font.c gif_hash.c gifalloc.c openbsd-reallocarray.c)
list(TRANSFORM GLIMMER_GIF_FILES PREPEND ${GLIMMER_GIF_SOURCE}/)
add_library(glimmer_gif STATIC ${GLIMMER_GIF_FILES})
glimmer_library_settings(glimmer_gif)
target_include_directories(glimmer_gif PUBLIC ${GLIMMER_GIF_SOURCE})
