# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the linked saver against its fixed size and writes it padded with zero
# bytes to exactly that size, so that a package can be appended at that offset.
# -D INPUT=<linked program> -D OUTPUT=<padded program> -D SIZE=<bytes>
file(SIZE "${INPUT}" actual)
if(actual GREATER SIZE)
  math(EXPR over "${actual} - ${SIZE}")
  message(FATAL_ERROR
    "The saver program is ${actual} bytes, ${over} over its fixed size of ${SIZE} bytes: "
    "a package could not be appended at byte ${SIZE}. Make the program smaller.")
endif()
file(COPY_FILE "${INPUT}" "${OUTPUT}.tmp")
execute_process(COMMAND truncate -s ${SIZE} "${OUTPUT}.tmp" RESULT_VARIABLE padded)
if(NOT padded EQUAL 0)
  message(FATAL_ERROR "Could not pad ${OUTPUT} to ${SIZE} bytes")
endif()
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
file(WRITE "${OUTPUT}.size" "${actual}\n")
message(STATUS "saver program: ${actual} bytes, padded to ${SIZE}")
