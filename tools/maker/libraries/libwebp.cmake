# SPDX-License-Identifier: GPL-3.0-or-later
# libwebp's decoder and demuxer (and, for the tests' pictures, its encoder
# and muxer), without the SSE2, SSE4.1 and NEON code: with HAVE_CONFIG_H and
# an empty config.h libwebp takes none of them, so both builds run the same C.
glimmer_debian_source(GLIMMER_WEBP_SOURCE libwebp src/dec/vp8_dec.c)
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/libwebp/src/webp/config.h
  CONTENT "/* No SIMD code and no threads: see tools/maker/libraries/libwebp.cmake. */\n")

function(glimmer_webp_library target)
  list(TRANSFORM ARGN PREPEND ${GLIMMER_WEBP_SOURCE}/)
  add_library(${target} STATIC ${ARGN})
  glimmer_library_settings(${target})
  target_compile_definitions(${target} PRIVATE HAVE_CONFIG_H)
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/libwebp)
  target_include_directories(${target} PUBLIC ${GLIMMER_WEBP_SOURCE} ${GLIMMER_WEBP_SOURCE}/src)
endfunction()

glimmer_webp_library(glimmer_webp
  src/dec/alpha_dec.c src/dec/buffer_dec.c src/dec/frame_dec.c src/dec/idec_dec.c src/dec/io_dec.c
  src/dec/quant_dec.c src/dec/tree_dec.c src/dec/vp8_dec.c src/dec/vp8l_dec.c src/dec/webp_dec.c
  src/demux/demux.c
  src/dsp/alpha_processing.c src/dsp/cpu.c src/dsp/dec.c src/dsp/dec_clip_tables.c src/dsp/filters.c
  src/dsp/lossless.c src/dsp/rescaler.c src/dsp/upsampling.c src/dsp/yuv.c
  src/utils/bit_reader_utils.c src/utils/color_cache_utils.c src/utils/filters_utils.c
  src/utils/huffman_utils.c src/utils/quant_levels_dec_utils.c src/utils/random_utils.c
  src/utils/rescaler_utils.c src/utils/thread_utils.c src/utils/utils.c)

if(NOT EMSCRIPTEN)
  glimmer_webp_library(glimmer_webp_encoder
    src/enc/alpha_enc.c src/enc/analysis_enc.c src/enc/backward_references_cost_enc.c
    src/enc/backward_references_enc.c src/enc/config_enc.c src/enc/cost_enc.c src/enc/filter_enc.c
    src/enc/frame_enc.c src/enc/histogram_enc.c src/enc/iterator_enc.c src/enc/near_lossless_enc.c
    src/enc/picture_csp_enc.c src/enc/picture_enc.c src/enc/picture_psnr_enc.c src/enc/picture_rescale_enc.c
    src/enc/picture_tools_enc.c src/enc/predictor_enc.c src/enc/quant_enc.c src/enc/syntax_enc.c
    src/enc/token_enc.c src/enc/tree_enc.c src/enc/vp8l_enc.c src/enc/webp_enc.c
    src/mux/anim_encode.c src/mux/muxedit.c src/mux/muxinternal.c src/mux/muxread.c
    src/dsp/cost.c src/dsp/enc.c src/dsp/lossless_enc.c src/dsp/ssim.c
    src/utils/bit_writer_utils.c src/utils/huffman_encode_utils.c src/utils/quant_levels_utils.c
    sharpyuv/sharpyuv.c sharpyuv/sharpyuv_csp.c sharpyuv/sharpyuv_dsp.c sharpyuv/sharpyuv_gamma.c)
  target_link_libraries(glimmer_webp_encoder PUBLIC glimmer_webp)
endif()
