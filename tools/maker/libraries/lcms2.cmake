# SPDX-License-Identifier: GPL-3.0-or-later
# lcms2: its pow, exp, log and log10 calls (tone curves, and so every colour
# it converts) go to the plain-arithmetic ones. Its sines and arctangents
# serve only colour differences, LCh and appearance models, which no
# conversion to sRGB uses. No locks: the maker runs in one thread.
glimmer_debian_source(GLIMMER_LCMS2_SOURCE lcms2 src/cmsxform.c)
file(GLOB GLIMMER_LCMS2_FILES ${GLIMMER_LCMS2_SOURCE}/src/*.c)
add_library(glimmer_lcms2 STATIC ${GLIMMER_LCMS2_FILES})
glimmer_library_settings(glimmer_lcms2)
target_include_directories(glimmer_lcms2 PUBLIC ${GLIMMER_LCMS2_SOURCE}/include)
target_compile_definitions(glimmer_lcms2 PRIVATE CMS_NO_PTHREADS=1)
# Its header declares parameters `register`, which C++17 no longer has.
target_compile_definitions(glimmer_lcms2 PUBLIC CMS_NO_REGISTER_KEYWORD=1)
target_compile_options(glimmer_lcms2 PRIVATE -include ${CMAKE_CURRENT_SOURCE_DIR}/lcms2_portable.h)
target_link_libraries(glimmer_lcms2 PRIVATE glimmer_plain_math)
