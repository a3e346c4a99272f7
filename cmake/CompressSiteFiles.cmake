# SPDX-License-Identifier: GPL-3.0-or-later
# Writes file.br (brotli) and file.gz (gzip) beside every file of the site
# that compresses, for a server to send whichever a browser takes. A form is
# rewritten only when its file is newer, and dropped when its file is gone.
# Both are the same bytes on every build (gzip -n leaves out name and time).
# -D SITE=<site folder> -D BROTLI=<brotli> -D GZIP=<gzip>
set(compressible "\\.(html|js|mjs|css|wasm|json|webmanifest|txt|exe|svg)$")
file(GLOB_RECURSE files LIST_DIRECTORIES false "${SITE}/*")
foreach(file ${files})
  if(file MATCHES "\\.(br|gz)$")
    string(REGEX REPLACE "\\.(br|gz)$" "" original "${file}")
    if(original MATCHES "${compressible}" AND NOT EXISTS "${original}")
      file(REMOVE "${file}")
    endif()
    continue()
  endif()
  if(NOT file MATCHES "${compressible}")
    continue()
  endif()
  if(NOT EXISTS "${file}.br" OR "${file}" IS_NEWER_THAN "${file}.br")
    execute_process(COMMAND "${BROTLI}" --force --best --output=${file}.br.new ${file} RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "brotli could not compress ${file}")
    endif()
    file(RENAME "${file}.br.new" "${file}.br")
  endif()
  if(NOT EXISTS "${file}.gz" OR "${file}" IS_NEWER_THAN "${file}.gz")
    execute_process(COMMAND "${GZIP}" -9 -n -c ${file} OUTPUT_FILE ${file}.gz.new RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "gzip could not compress ${file}")
    endif()
    file(RENAME "${file}.gz.new" "${file}.gz")
  endif()
endforeach()
