# SPDX-License-Identifier: GPL-3.0-or-later
# libimagequant 2.x without its SSE path (other palettes than its plain one)
# and on one thread (openmp_stand_in/omp.h says why it is told of two), with
# the stable sort and the plain-arithmetic powers in place of the C library's.
glimmer_debian_source(GLIMMER_IMAGEQUANT_SOURCE libimagequant libimagequant.c)
add_library(glimmer_imagequant STATIC
  ${GLIMMER_IMAGEQUANT_SOURCE}/libimagequant.c
  ${GLIMMER_IMAGEQUANT_SOURCE}/blur.c
  ${GLIMMER_IMAGEQUANT_SOURCE}/mediancut.c
  ${GLIMMER_IMAGEQUANT_SOURCE}/mempool.c
  ${GLIMMER_IMAGEQUANT_SOURCE}/nearest.c
  ${GLIMMER_IMAGEQUANT_SOURCE}/pam.c
  ${GLIMMER_IMAGEQUANT_SOURCE}/kmeans.c)
glimmer_library_settings(glimmer_imagequant)
target_include_directories(glimmer_imagequant BEFORE PUBLIC ${GLIMMER_IMAGEQUANT_SOURCE})
target_include_directories(glimmer_imagequant BEFORE PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/openmp_stand_in)
target_compile_definitions(glimmer_imagequant PRIVATE USE_SSE=0 _OPENMP=201511)
target_compile_options(glimmer_imagequant PRIVATE -include ${CMAKE_CURRENT_SOURCE_DIR}/imagequant_portable.h)
target_link_libraries(glimmer_imagequant PRIVATE glimmer_plain_math)
