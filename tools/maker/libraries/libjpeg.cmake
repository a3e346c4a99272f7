# SPDX-License-Identifier: GPL-3.0-or-later
# libjpeg-turbo with the libjpeg 6b interface, as Debian builds it (arithmetic
# coding, memory source and destination) but without its SIMD code, which the
# module cannot have: both builds run the same C.
glimmer_debian_source(GLIMMER_JPEG_SOURCE libjpeg-turbo jdapimin.c)

function(glimmer_configure_libjpeg source binary)
  file(STRINGS ${source}/CMakeLists.txt version_line REGEX "^set\\(VERSION ")
  string(REGEX MATCH "[0-9]+\\.[0-9]+\\.[0-9]+" VERSION "${version_line}")
  string(REPLACE "." ";" parts ${VERSION})
  list(GET parts 0 major)
  list(GET parts 1 minor)
  list(GET parts 2 revision)
  math(EXPR LIBJPEG_TURBO_VERSION_NUMBER "${major} * 1000000 + ${minor} * 1000 + ${revision}")
  set(JPEG_LIB_VERSION 62)
  set(C_ARITH_CODING_SUPPORTED 1)
  set(D_ARITH_CODING_SUPPORTED 1)
  set(MEM_SRCDST_SUPPORTED 1)
  set(BITS_IN_JSAMPLE 8)
  set(BUILD "glimmerwheel")
  set(INLINE "__inline__ __attribute__((always_inline))")
  set(THREAD_LOCAL "__thread")
  set(CMAKE_PROJECT_NAME "libjpeg-turbo")
  set(SIZE_T ${CMAKE_SIZEOF_VOID_P})
  set(HAVE_BUILTIN_CTZL 1)
  set(COPYRIGHT_YEAR "1991-2023")
  configure_file(${source}/jconfig.h.in ${binary}/jconfig.h)
  configure_file(${source}/jconfigint.h.in ${binary}/jconfigint.h)
  configure_file(${source}/jversion.h.in ${binary}/jversion.h)
endfunction()
glimmer_configure_libjpeg(${GLIMMER_JPEG_SOURCE} ${CMAKE_CURRENT_BINARY_DIR}/libjpeg)

set(GLIMMER_JPEG_FILES
  jcapimin.c jcapistd.c jccoefct.c jccolor.c jcdctmgr.c jchuff.c jcicc.c jcinit.c jcmainct.c jcmarker.c
  jcmaster.c jcomapi.c jcparam.c jcphuff.c jcprepct.c jcsample.c jctrans.c jdapimin.c jdapistd.c jdatadst.c
  jdatasrc.c jdcoefct.c jdcolor.c jddctmgr.c jdhuff.c jdicc.c jdinput.c jdmainct.c jdmarker.c jdmaster.c
  jdmerge.c jdphuff.c jdpostct.c jdsample.c jdtrans.c jerror.c jfdctflt.c jfdctfst.c jfdctint.c jidctflt.c
  jidctfst.c jidctint.c jidctred.c jquant1.c jquant2.c jutils.c jmemmgr.c jmemnobs.c jaricom.c jcarith.c
  jdarith.c jsimd_none.c)
list(TRANSFORM GLIMMER_JPEG_FILES PREPEND ${GLIMMER_JPEG_SOURCE}/)
add_library(glimmer_jpeg STATIC ${GLIMMER_JPEG_FILES})
glimmer_library_settings(glimmer_jpeg)
target_include_directories(glimmer_jpeg PUBLIC ${CMAKE_CURRENT_BINARY_DIR}/libjpeg ${GLIMMER_JPEG_SOURCE})
