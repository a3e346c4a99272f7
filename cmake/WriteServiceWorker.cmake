# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the site's service worker: the list of the files it keeps for use
# without a network (all but the stored .br/.gz forms and the source
# archive, which is offered, not used), and a key made of their contents, so
# that every build with any file changed is a new one to the browser.
# -D SITE=<site folder> -D TEMPLATE=<service-worker.js.in>
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${SITE}" "${SITE}/*")
list(SORT files)
set(list "'./'")
set(contents "")
foreach(file ${files})
  if(file MATCHES "\\.(br|gz|new)$" OR file STREQUAL "service-worker.js")
    continue()
  endif()
  file(SHA256 "${SITE}/${file}" hash)
  string(APPEND contents "${file} ${hash}\n")
  string(APPEND list ", '${file}'")
  if(file MATCHES "(^|/)index\\.html$" AND NOT file STREQUAL "index.html")
    string(REGEX REPLACE "index\\.html$" "" folder "${file}")
    string(APPEND list ", '${folder}'")
  endif()
endforeach()
string(SHA256 key "${contents}")
string(SUBSTRING "${key}" 0 16 GLIMMER_BUILD_KEY)
set(GLIMMER_SITE_FILE_LIST "${list}")
configure_file("${TEMPLATE}" "${SITE}/service-worker.js.new" @ONLY)
file(COPY_FILE "${SITE}/service-worker.js.new" "${SITE}/service-worker.js" ONLY_IF_DIFFERENT)
file(REMOVE "${SITE}/service-worker.js.new")
