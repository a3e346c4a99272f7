# libexif with its makers' notes, as Debian builds it, without translations.
glimmer_debian_source(GLIMMER_EXIF_SOURCE libexif libexif/exif-data.c)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/libexif/config.h.new "/* No translations. */\n#define HAVE_LOCALTIME_R 1\n")
file(COPY_FILE ${CMAKE_CURRENT_BINARY_DIR}/libexif/config.h.new ${CMAKE_CURRENT_BINARY_DIR}/libexif/config.h
  ONLY_IF_DIFFERENT)
file(GLOB GLIMMER_EXIF_FILES ${GLIMMER_EXIF_SOURCE}/libexif/*.c ${GLIMMER_EXIF_SOURCE}/libexif/*/*.c)
add_library(glimmer_exif STATIC ${GLIMMER_EXIF_FILES})
glimmer_library_settings(glimmer_exif)
target_include_directories(glimmer_exif PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/libexif ${GLIMMER_EXIF_SOURCE}/libexif)
target_include_directories(glimmer_exif PUBLIC ${GLIMMER_EXIF_SOURCE})
