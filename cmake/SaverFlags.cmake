# SPDX-License-Identifier: GPL-3.0-or-later
# Code generation of everything that goes into the saver program, shared by the
# platform-free core when it is built for Windows or for the 32-bit check build.
# SSE2 arithmetic keeps the trigonometric tables identical to the 64-bit builds:
# x87 would keep libm results at 80 bits before the multiplication by 256.
set(GLIMMER_SAVER_COMPILE_OPTIONS
  -Os
  -fno-exceptions
  -fno-rtti
  -fno-asynchronous-unwind-tables
  -fno-unwind-tables
  -ffunction-sections
  -fdata-sections
  -Wall -Wextra)

if(CMAKE_SYSTEM_PROCESSOR MATCHES "i[3-6]86" OR GLIMMER_CORE_ONLY)
  list(APPEND GLIMMER_SAVER_COMPILE_OPTIONS -msse2 -mfpmath=sse)
endif()

set(GLIMMER_SAVER_LINK_OPTIONS
  -s
  -Wl,--no-insert-timestamp
  -Wl,--gc-sections
  -static-libgcc
  -static-libstdc++
  -mwindows)

# Options for the platform-free core: size-tuned for the saver's builds, plain
# optimised code for the host tool and tests.
if(WIN32 OR GLIMMER_CORE_ONLY)
  set(GLIMMER_CORE_COMPILE_OPTIONS ${GLIMMER_SAVER_COMPILE_OPTIONS})
else()
  set(GLIMMER_CORE_COMPILE_OPTIONS -O2 -Wall -Wextra)
endif()
