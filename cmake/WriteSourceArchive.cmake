# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the source of the commit the site was built from as a gzipped tar,
# which the site offers beside the GPL-3.0-or-later maker it runs. Rewritten
# only when the commit changed, so that a rebuild leaves the file alone.
# -D SOURCE=<source tree> -D OUTPUT=<archive>
execute_process(
  COMMAND git -C "${SOURCE}" archive --format=tar.gz --prefix=glimmerwheel/ -o "${OUTPUT}.new" HEAD
  RESULT_VARIABLE archived ERROR_VARIABLE message)
if(NOT archived EQUAL 0)
  message(FATAL_ERROR
    "source.tar.gz is made with 'git archive HEAD' of ${SOURCE}, which failed (${message}): build the site "
    "from a git checkout of the project")
endif()
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
