# SPDX-License-Identifier: GPL-3.0-or-later
# Code generation of the web preset (emscripten): C++ exceptions and setjmp
# as WebAssembly's own exception handling, which the maker's refusals and the
# picture libraries' error exits need, in every object and at the link.
add_compile_options(-fwasm-exceptions -sSUPPORT_LONGJMP=wasm)
add_link_options(-fwasm-exceptions -sSUPPORT_LONGJMP=wasm)

# The module is downloaded by every visitor: the smallest code, optimised
# across all libraries at the link (the renderer keeps its own -O2). Each
# module's link sets its level (web/CMakeLists.txt), and no -Os comes from
# the build type: emcc keeps the shrinking and the inlining limit of an -Os
# or -Oz it has seen on a link line, whatever -O follows.
set(CMAKE_C_FLAGS_MINSIZEREL "-DNDEBUG")
set(CMAKE_CXX_FLAGS_MINSIZEREL "-DNDEBUG")
add_compile_options(-Oz -flto)
add_link_options(-flto)

# emcc needs its environment at every compile and link, also when the build
# is started without the preset (cmake --build build/web): Debian's Python
# (whatever python3 comes first in PATH), Node's modules, the system
# libraries that Debian ships prebuilt, and no ports, which would be
# downloaded.
set(GLIMMER_EMSCRIPTEN_ENVIRONMENT
  env EMSDK_PYTHON=/usr/bin/python3 NODE_PATH=/usr/share/nodejs EM_CONFIG=/usr/share/emscripten/.emscripten
  EM_CACHE=/usr/share/emscripten/cache EM_FROZEN_CACHE=1 EM_PORTS=${CMAKE_BINARY_DIR}/no-ports)
set(CMAKE_C_COMPILER_LAUNCHER ${GLIMMER_EMSCRIPTEN_ENVIRONMENT})
set(CMAKE_CXX_COMPILER_LAUNCHER ${GLIMMER_EMSCRIPTEN_ENVIRONMENT})
set(CMAKE_C_LINKER_LAUNCHER ${GLIMMER_EMSCRIPTEN_ENVIRONMENT})
set(CMAKE_CXX_LINKER_LAUNCHER ${GLIMMER_EMSCRIPTEN_ENVIRONMENT})
