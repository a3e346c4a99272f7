// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG through libjpeg-turbo's libjpeg API: baseline, progressive, grey, RGB,
// and CMYK or YCCK as Photoshop writes them, decoded at the smallest DCT
// scale that still gives the fitted size (libjpeg scales by n/8 while it
// decodes, so a 12-megapixel photo is never decoded at full size to make a
// 256 x 256 picture).
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include <jpeglib.h>
#include <jerror.h>

#include "colour_profile.h"
#include "exif_orientation.h"
#include "fit_picture.h"
#include "make_budget.h"
#include "picture_readers.h"

namespace {

// More scans than any encoder writes: libjpeg goes over the whole picture
// for each, so thousands of empty ones would take minutes.
constexpr int mostScans = 500;
// The code a stop for too many scans carries, none of libjpeg's.
constexpr int tooManyScans = -1;

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    int code;
    // The first warning, and whether it came before the pixels were all read.
    int warningCode;
    char warning[JMSG_LENGTH_MAX];
    bool warnedInPixels;
    bool pixelsRead;
};

[[noreturn]] void stopJpeg(j_common_ptr info)
{
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    errors->code = info->err->msg_code;
    info->err->format_message(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// Stops decoding past mostScans, as libjpeg-turbo's own tools can.
void watchScans(j_common_ptr common)
{
    auto* info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number <= mostScans)
        return;
    auto* errors = reinterpret_cast<JpegErrors*>(common->err);
    errors->code = tooManyScans;
    std::longjmp(errors->jump, 1);
}

void noteJpegMessage(j_common_ptr info, int level)
{
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    if (level >= 0 || errors->warningCode)
        return;
    errors->warningCode = info->err->msg_code;
    errors->warnedInPixels = !errors->pixelsRead;
    info->err->format_message(info, errors->warning);
}

// The file as libjpeg's data source. Past its end the source gives an end
// marker and notes that it did: libjpeg reads ahead, so a file without its
// end marker is not yet cut short; libjpeg warns (JWRN_HIT_MARKER) when it
// needed data that was not there.
struct ByteSource {
    jpeg_source_mgr manager;
    bool ranOut;
};

void startSource(j_decompress_ptr) {}

boolean refillSource(j_decompress_ptr info)
{
    static const JOCTET endMarker[2] = {0xFF, JPEG_EOI};
    auto* source = reinterpret_cast<ByteSource*>(info->src);
    source->ranOut = true;
    source->manager.next_input_byte = endMarker;
    source->manager.bytes_in_buffer = 2;
    return TRUE;
}

void skipSource(j_decompress_ptr info, long count)
{
    auto* source = reinterpret_cast<ByteSource*>(info->src);
    while (count > long(source->manager.bytes_in_buffer)) {
        count -= long(source->manager.bytes_in_buffer);
        refillSource(info);
    }
    if (count > 0) {
        source->manager.next_input_byte += count;
        source->manager.bytes_in_buffer -= size_t(count);
    }
}

void endSource(j_decompress_ptr) {}

std::string failureReason(const JpegErrors& errors, const ByteSource& source)
{
    if (errors.code == tooManyScans)
        return "it has more than " + std::to_string(mostScans) + " scans, more than any JPEG writer makes";
    if (source.ranOut)
        return "it is cut short";
    switch (errors.code) {
    case JERR_CONVERSION_NOTIMPL:
    case JERR_NOT_COMPILED:
    case JERR_BAD_PRECISION:
    case JERR_ARITH_NOTIMPL:
        return "a kind of JPEG that is not supported (libjpeg: " + std::string(errors.message) + ")";
    default:
        return "its data is corrupt (libjpeg: " + std::string(errors.message) + ")";
    }
}

struct Decompressor {
    jpeg_decompress_struct info{};
    ~Decompressor() { jpeg_destroy_decompress(&info); }
};

// The Exif block of the first APP1 segment that holds one.
std::span<const uint8_t> exifSegment(const jpeg_decompress_struct& info)
{
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next)
        if (marker->marker == JPEG_APP0 + 1 && marker->data_length >= 6 &&
            std::memcmp(marker->data, "Exif\0\0", 6) == 0)
            return {marker->data, marker->data_length};
    return {};
}

// Runs `steps`, libjpeg calls that report an error by a longjmp; false when
// one did. Each group of calls has its setjmp to itself, apart from the C++
// around it: WebAssembly's setjmp handling wraps every call made in a
// function that calls setjmp, which made one function of all this many times
// its size in the browser's module.
template <typename Steps>
bool jpegSteps(JpegErrors& errors, Steps&& steps)
{
    if (setjmp(errors.jump))
        return false;
    steps();
    return true;
}

// What decoding allocates: the output picture, a row of ink, libjpeg's
// rows of samples, and, for a picture sent in several scans, the
// coefficients of the whole picture at full size (64 of 2 bytes a block).
uint64_t decoderBytes(const jpeg_decompress_struct& info)
{
    uint64_t bytes = uint64_t(info.output_width) * info.output_height * 3 + uint64_t(info.output_width) * 4;
    bytes += uint64_t(info.image_width) * uint64_t(info.num_components) * 64;
    if (info.progressive_mode || info.comps_in_scan < info.num_components)
        for (int c = 0; c < info.num_components; ++c) {
            const jpeg_component_info& component = info.comp_info[c];
            bytes += uint64_t(component.width_in_blocks + info.max_h_samp_factor) *
                     uint64_t(component.height_in_blocks + info.max_v_samp_factor) * DCTSIZE2 * sizeof(JCOEF);
        }
    return bytes;
}

}  // namespace

Picture readJpeg(std::span<const uint8_t> file, const ReadRequest& request)
{
    Picture picture;
    picture.format = PictureFormat::jpeg;
    JpegErrors errors{};
    Decompressor decompressor;
    jpeg_decompress_struct& info = decompressor.info;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = stopJpeg;
    errors.manager.emit_message = noteJpegMessage;
    ByteSource source{{file.data(), file.size(), startSource, refillSource, skipSource, jpeg_resync_to_restart,
                       endSource},
                      false};
    const auto refuse = [&] {
        refuseUnreadable(PictureFormat::jpeg, request.name, failureReason(errors, source));
    };

    JOCTET* profileData = nullptr;
    unsigned int profileLength = 0;
    if (!jpegSteps(errors, [&] {
            jpeg_create_decompress(&info);
            info.src = &source.manager;
            jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);
            jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);
            jpeg_read_header(&info, TRUE);
            jpeg_read_icc_profile(&info, &profileData, &profileLength);
        }))
        refuse();
    const Bytes profile(profileData, profileData + (profileData ? profileLength : 0));
    std::free(profileData);
    checkDeclaredSize(PictureFormat::jpeg, request, info.image_width, info.image_height);
    if (info.arith_code)
        refuseUnreadable(PictureFormat::jpeg, request.name, "a kind of JPEG that is not supported (arithmetic-coded)");
    picture.fileWidth = int(info.image_width);
    picture.fileHeight = int(info.image_height);
    picture.orientation = exifOrientation(exifSegment(info));
    const int shownOrientation = turnedOrientation(picture.orientation, request.turn);
    // A crop outside the picture is refused before anything is decoded.
    checkCrop(request.crop, shownOrientation >= 5 ? picture.fileHeight : picture.fileWidth,
              shownOrientation >= 5 ? picture.fileWidth : picture.fileHeight);

    const bool ink = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = ink ? JCS_CMYK : JCS_RGB;
    info.dct_method = JDCT_ISLOW;
    for (unsigned int eighths = 1; eighths <= 8; ++eighths) {
        info.scale_num = eighths;
        info.scale_denom = 8;
        if (!jpegSteps(errors, [&] { jpeg_calc_output_dimensions(&info); }))
            refuse();
        if (decodeSizeSuffices(picture.fileWidth, picture.fileHeight, int(info.output_width),
                               int(info.output_height), shownOrientation, request.fit, request.crop))
            break;
    }
    checkMemoryBudget(PictureFormat::jpeg, request, file.size(), picture.fileWidth, picture.fileHeight,
                      decoderBytes(info), picture.orientation, int(info.output_width), int(info.output_height));
    jpeg_progress_mgr progress{watchScans, 0, 0, 0, 0};
    info.progress = &progress;
    if (!jpegSteps(errors, [&] { jpeg_start_decompress(&info); }))
        refuse();
    RgbPicture& stored = picture.stored;
    stored.width = int(info.output_width);
    stored.height = int(info.output_height);
    const size_t rowBytes = size_t(stored.width) * 3;
    stored.rgb.resize(rowBytes * size_t(stored.height));
    // Ink is read a row at a time and converted as it comes.
    std::optional<SrgbConversion> inkConversion;
    std::vector<uint8_t> inkRow;
    if (ink) {
        inkConversion.emplace(profile, info.saw_Adobe_marker ? SourceLayout::invertedCmyk : SourceLayout::cmyk);
        inkRow.resize(size_t(stored.width) * 4);
    }
    if (!jpegSteps(errors, [&] {
            while (info.output_scanline < info.output_height) {
                const size_t y = info.output_scanline;
                JSAMPROW rows[1] = {ink ? inkRow.data() : stored.rgb.data() + y * rowBytes};
                jpeg_read_scanlines(&info, rows, 1);
                if (ink)
                    inkConversion->convert(inkRow.data(), stored.rgb.data() + y * rowBytes, size_t(stored.width));
            }
            errors.pixelsRead = true;
            jpeg_finish_decompress(&info);
        }))
        refuse();
    if (ink)
        picture.convertedFrom = inkConversion->description().empty() ? "CMYK ink" : inkConversion->description();

    // libjpeg reads past damage, filling in grey: a picture that was not all
    // there is refused; damage after it is only reported.
    if (errors.warningCode && errors.warnedInPixels && errors.warningCode != JWRN_EXTRANEOUS_DATA) {
        if (source.ranOut)
            refuseUnreadable(PictureFormat::jpeg, request.name, "it is cut short");
        refuseUnreadable(PictureFormat::jpeg, request.name,
                         "its data is corrupt (libjpeg: " + std::string(errors.warning) + ")");
    }
    if (source.ranOut)
        picture.warnings.push_back("the JPEG picture '" + std::string(request.name) +
                                   "' is cut short after its pixels, which are all there");
    else if (errors.warningCode)
        picture.warnings.push_back("the JPEG picture '" + std::string(request.name) +
                                   "' has damage that was read past (libjpeg: " + std::string(errors.warning) + ")");
    if (!ink)
        convertToSrgb(picture, profile);
    return picture;
}
