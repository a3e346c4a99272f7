#include "picture_maker.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>

#include <gif_lib.h>
#include <libimagequant.h>
#include <stb/stb_image.h>

#include "cli.h"

// libimagequant parallelises with the OpenMP runtime it was built with, which
// then is in the process; null when it was built without.
extern "C" void omp_set_num_threads(int threads) __attribute__((weak));

namespace {

// Larger pictures would need gigabytes on the way to 256 x 256.
constexpr int64_t maxPicturePixels = 100'000'000;
// A GIF's sizes are 16-bit.
constexpr int maxGifSide = 65535;

bool startsWith(std::span<const uint8_t> file, std::string_view prefix, size_t at = 0)
{
    return file.size() >= at + prefix.size() && std::memcmp(file.data() + at, prefix.data(), prefix.size()) == 0;
}

// The sRGB transfer curve: averaging is done on light, not on its encoding.
float srgbToLinear(float encoded)
{
    return encoded <= 0.04045f ? encoded / 12.92f : std::pow((encoded + 0.055f) / 1.055f, 2.4f);
}

uint8_t linearToSrgbByte(float linear)
{
    linear = std::clamp(linear, 0.0f, 1.0f);
    const float encoded = linear <= 0.0031308f ? linear * 12.92f : 1.055f * std::pow(linear, 1.0f / 2.4f) - 0.055f;
    return uint8_t(std::lround(std::clamp(encoded, 0.0f, 1.0f) * 255.0f));
}

const std::array<float, 256>& linearTable()
{
    static const std::array<float, 256> table = [] {
        std::array<float, 256> values{};
        for (int i = 0; i < 256; ++i)
            values[size_t(i)] = srgbToLinear(float(i) / 255.0f);
        return values;
    }();
    return table;
}

// For each destination pixel along one axis, the source pixels it is made of
// and their weights (summing to 1).
struct AxisTaps {
    std::vector<int> first;  // index into source/weight for destination pixel i; first[i + 1] ends it
    std::vector<int> source;
    std::vector<float> weight;
    int lowest = INT_MAX;
    int highest = INT_MIN;
};

// Destination pixel i covers [start + i * step, start + (i + 1) * step) of the
// source, step = span / destinationSize. Shrinking averages that interval
// (a box filter, exact at its fractional ends); enlarging interpolates
// linearly between the two nearest source pixel centres.
AxisTaps buildAxisTaps(double start, double span, int sourceSize, int destinationSize)
{
    AxisTaps taps;
    const double step = span / destinationSize;
    auto add = [&](int index, double weight) {
        if (weight <= 0)
            return;
        index = std::clamp(index, 0, sourceSize - 1);
        taps.source.push_back(index);
        taps.weight.push_back(float(weight));
        taps.lowest = std::min(taps.lowest, index);
        taps.highest = std::max(taps.highest, index);
    };
    for (int i = 0; i < destinationSize; ++i) {
        taps.first.push_back(int(taps.source.size()));
        const double low = start + i * step;
        const double high = low + step;
        if (step >= 1.0) {
            const int firstPixel = int(std::floor(low));
            const int lastPixel = int(std::ceil(high)) - 1;
            for (int pixel = firstPixel; pixel <= lastPixel; ++pixel)
                add(pixel, (std::min(high, pixel + 1.0) - std::max(low, double(pixel))) / step);
        } else {
            const double centre = (low + high) / 2 - 0.5;
            const int left = int(std::floor(centre));
            const double fraction = centre - left;
            add(left, 1.0 - fraction);
            add(left + 1, fraction);
        }
        // Clamping at the edges can merge taps; renormalise so that a flat
        // colour stays exactly that colour.
        float sum = 0;
        for (size_t k = size_t(taps.first.back()); k < taps.weight.size(); ++k)
            sum += taps.weight[k];
        for (size_t k = size_t(taps.first.back()); k < taps.weight.size(); ++k)
            taps.weight[k] /= sum;
    }
    taps.first.push_back(int(taps.source.size()));
    return taps;
}

// Resamples the source rectangle (x, y, width, height in source pixels, may
// be fractional) to destinationWidth x destinationHeight, in linear light.
// Every source row is read once: each is filtered across into a row of the
// destination's width, then rows are combined down.
RgbPicture resample(const RgbPicture& picture, double x, double y, double width, double height,
                    int destinationWidth, int destinationHeight)
{
    const AxisTaps across = buildAxisTaps(x, width, picture.width, destinationWidth);
    const AxisTaps down = buildAxisTaps(y, height, picture.height, destinationHeight);
    const auto& linear = linearTable();

    const int rowCount = down.highest - down.lowest + 1;
    const size_t rowFloats = size_t(destinationWidth) * 3;
    std::vector<float> rows(size_t(rowCount) * rowFloats);
    for (int row = 0; row < rowCount; ++row) {
        const uint8_t* source = picture.rgb.data() + size_t(down.lowest + row) * size_t(picture.width) * 3;
        float* target = rows.data() + size_t(row) * rowFloats;
        for (int column = 0; column < destinationWidth; ++column) {
            float red = 0, green = 0, blue = 0;
            for (int k = across.first[size_t(column)]; k < across.first[size_t(column) + 1]; ++k) {
                const uint8_t* pixel = source + size_t(across.source[size_t(k)]) * 3;
                const float weight = across.weight[size_t(k)];
                red += weight * linear[pixel[0]];
                green += weight * linear[pixel[1]];
                blue += weight * linear[pixel[2]];
            }
            target[column * 3] = red;
            target[column * 3 + 1] = green;
            target[column * 3 + 2] = blue;
        }
    }

    RgbPicture result{destinationWidth, destinationHeight, {}};
    result.rgb.resize(size_t(destinationWidth) * size_t(destinationHeight) * 3);
    std::vector<float> sums(rowFloats);
    for (int row = 0; row < destinationHeight; ++row) {
        std::fill(sums.begin(), sums.end(), 0.0f);
        for (int k = down.first[size_t(row)]; k < down.first[size_t(row) + 1]; ++k) {
            const float* source = rows.data() + size_t(down.source[size_t(k)] - down.lowest) * rowFloats;
            const float weight = down.weight[size_t(k)];
            for (size_t i = 0; i < rowFloats; ++i)
                sums[i] += weight * source[i];
        }
        uint8_t* target = result.rgb.data() + size_t(row) * rowFloats;
        for (size_t i = 0; i < rowFloats; ++i)
            target[i] = linearToSrgbByte(sums[i]);
    }
    return result;
}

// Reads a GIF's block structure as GIF89a defines it.
struct GifLayout {
    int screenWidth = 0;
    int screenHeight = 0;
    bool globalTable = false;
    int globalEntries = 0;
    size_t saverTableEnd = 0;  // where the saver starts looking for the image separator
    int imageCount = 0;
    size_t firstImageStart = 0;  // offset of the first image's separator
    int imageLeft = 0, imageTop = 0, imageWidth = 0, imageHeight = 0;
    int imageFlags = 0;
    int minimumCodeSize = 0;
    bool transparency = false;
    bool firstImageComplete = false;
    std::string damage;  // why the structure could not be followed, if it could not
};

GifLayout readGifLayout(std::span<const uint8_t> gif)
{
    GifLayout layout;
    size_t position = 0;
    auto has = [&](size_t count) { return position + count <= gif.size(); };
    auto word = [&](size_t at) { return int(gif[at] | gif[at + 1] << 8); };
    auto skipSubBlocks = [&]() {
        while (has(1)) {
            const size_t count = gif[position++];
            if (count == 0)
                return true;
            if (!has(count))
                break;
            position += count;
        }
        position = gif.size();
        return false;
    };
    if (gif.size() < 13) {
        layout.damage = "it ends inside its header";
        return layout;
    }
    layout.screenWidth = word(6);
    layout.screenHeight = word(8);
    const int packed = gif[10];
    layout.globalTable = packed & 0x80;
    layout.globalEntries = layout.globalTable ? 2 << (packed & 7) : 0;
    layout.saverTableEnd = 13 + size_t(3) * size_t(2 << (packed & 7));
    position = 13 + size_t(3) * size_t(layout.globalEntries);
    if (position > gif.size()) {
        layout.damage = "it ends inside its colour table";
        return layout;
    }
    while (has(1)) {
        const uint8_t introducer = gif[position];
        if (introducer == 0x3B)
            break;
        if (introducer == 0x21) {
            if (!has(2)) {
                layout.damage = "it ends inside an extension";
                return layout;
            }
            const uint8_t label = gif[position + 1];
            position += 2;
            if (label == 0xF9 && layout.imageCount == 0 && has(2) && gif[position] >= 1 && (gif[position + 1] & 1))
                layout.transparency = true;
            if (!skipSubBlocks()) {
                layout.damage = "it ends inside an extension";
                return layout;
            }
            continue;
        }
        if (introducer != 0x2C) {
            if (layout.imageCount == 0)
                layout.damage = "an unknown block (byte " + std::to_string(introducer) + " at offset " +
                                std::to_string(position) + ") comes before its picture";
            break;
        }
        if (!has(11)) {
            if (layout.imageCount == 0)
                layout.damage = "it ends inside its picture";
            break;
        }
        const int flags = gif[position + 9];
        if (layout.imageCount == 0) {
            layout.firstImageStart = position;
            layout.imageLeft = word(position + 1);
            layout.imageTop = word(position + 3);
            layout.imageWidth = word(position + 5);
            layout.imageHeight = word(position + 7);
            layout.imageFlags = flags;
        }
        position += 10;
        if (flags & 0x80)
            position += size_t(3) * size_t(2 << (flags & 7));
        if (!has(1)) {
            if (layout.imageCount == 0)
                layout.damage = "it ends inside its picture";
            break;
        }
        if (layout.imageCount == 0)
            layout.minimumCodeSize = gif[position];
        ++position;
        ++layout.imageCount;
        const bool complete = skipSubBlocks();
        if (layout.imageCount == 1)
            layout.firstImageComplete = complete;
    }
    if (layout.imageCount == 0 && layout.damage.empty())
        layout.damage = "it holds no picture";
    return layout;
}

int readFromBytes(GifFileType* file, GifByteType* buffer, int size)
{
    auto* source = static_cast<std::span<const uint8_t>*>(file->UserData);
    const size_t count = std::min(source->size(), size_t(std::max(size, 0)));
    std::memcpy(buffer, source->data(), count);
    *source = source->subspan(count);
    return int(count);
}

int writeToBytes(GifFileType* file, const GifByteType* buffer, int size)
{
    auto* target = static_cast<Bytes*>(file->UserData);
    target->insert(target->end(), buffer, buffer + size);
    return size;
}

// Whether giflib reads the whole first picture; its message when it does not.
std::string giflibProblem(std::span<const uint8_t> gif)
{
    std::span<const uint8_t> remaining = gif;
    int error = 0;
    GifFileType* file = DGifOpen(&remaining, readFromBytes, &error);
    if (!file)
        return GifErrorString(error) ? GifErrorString(error) : "unreadable";
    std::string problem;
    if (DGifSlurp(file) != GIF_OK && file->ImageCount == 0)
        problem = GifErrorString(file->Error) ? GifErrorString(file->Error) : "unreadable";
    DGifCloseFile(file, &error);
    return problem;
}

}  // namespace

std::optional<PictureFormat> detectPictureFormat(std::span<const uint8_t> file, std::string* refusedName)
{
    if (startsWith(file, "GIF8"))
        return PictureFormat::gif;
    if (startsWith(file, "\x89PNG\r\n\x1a\n"))
        return PictureFormat::png;
    if (startsWith(file, "\xFF\xD8\xFF"))
        return PictureFormat::jpeg;
    if (startsWith(file, "BM"))
        return PictureFormat::bmp;
    std::string refused;
    if (startsWith(file, "8BPS"))
        refused = "a Photoshop file";
    else if (startsWith(file, "#?RADIANCE") || startsWith(file, "#?RGBE"))
        refused = "an HDR file";
    else if (file.size() >= 3 && file[0] == 'P' && file[1] >= '1' && file[1] <= '7' && std::isspace(file[2]))
        refused = "a PNM file";
    else if (startsWith(file, "RIFF") && startsWith(file, "WEBP", 8))
        refused = "a WebP file";
    else if (startsWith(file, "II*") || startsWith(file, "MM\0*"))
        refused = "a TIFF file";
    else if (startsWith(file, "ftyp", 4))
        refused = "a HEIF/AVIF file";
    else if (startsWith(file, "\x53\x80\xF6\x34"))
        refused = "a Softimage PIC file";
    else if (startsWith(file, "GlimmerwheelStudio") || startsWith(file, "MZ"))
        refused = "a saver or package, not a picture";
    if (!refused.empty()) {
        if (refusedName)
            *refusedName = refused;
        return std::nullopt;
    }
    // TGA: colour-map type 0 or 1 and one of the image types stb_image reads.
    if (file.size() >= 18 && file[1] <= 1 &&
        (file[2] == 1 || file[2] == 2 || file[2] == 3 || file[2] == 9 || file[2] == 10 || file[2] == 11))
        return PictureFormat::tga;
    return std::nullopt;
}

const char* pictureFormatName(PictureFormat format)
{
    switch (format) {
    case PictureFormat::gif: return "GIF";
    case PictureFormat::png: return "PNG";
    case PictureFormat::jpeg: return "JPEG";
    case PictureFormat::bmp: return "BMP";
    case PictureFormat::tga: return "TGA";
    }
    return "?";
}

std::optional<FitMode> parseFitMode(std::string_view text)
{
    if (text == "cover")
        return FitMode::cover;
    if (text == "contain")
        return FitMode::contain;
    if (text == "stretch")
        return FitMode::stretch;
    if (text == "none")
        return FitMode::none;
    return std::nullopt;
}

const char* fitModeName(FitMode mode)
{
    switch (mode) {
    case FitMode::cover: return "cover";
    case FitMode::contain: return "contain";
    case FitMode::stretch: return "stretch";
    case FitMode::none: return "none";
    }
    return "?";
}

RgbPicture loadPicture(std::span<const uint8_t> file, const std::string& path)
{
    std::string refusedName;
    const auto format = detectPictureFormat(file, &refusedName);
    if (!format)
        fail("'" + path + "' is " + (refusedName.empty() ? "not a picture glimmer can read" : refusedName) +
             "; glimmer make reads GIF, PNG, JPEG, BMP and TGA pictures");
    if (file.size() > size_t(INT_MAX))
        fail("'" + path + "' is too large to read (" + std::to_string(file.size()) + " bytes)");

    const char* formatName = pictureFormatName(*format);
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(file.data(), int(file.size()), &width, &height, &channels))
        fail("cannot read the " + std::string(formatName) + " picture '" + path + "': " + stbi_failure_reason() +
             " (a damaged file, or a kind of " + formatName + " that is not supported)");
    if (width <= 0 || height <= 0 || int64_t(width) * height > maxPicturePixels)
        fail("'" + path + "' is " + std::to_string(width) + " x " + std::to_string(height) +
             " pixels; glimmer make takes pictures of up to 100 megapixels");

    struct StbFree {
        void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
    };
    // Pictures without alpha come as three bytes a pixel, ready to use.
    const bool alpha = channels == 2 || channels == 4;
    std::unique_ptr<stbi_uc, StbFree> pixels(
        stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &channels, alpha ? 4 : 3));
    if (!pixels)
        fail("cannot read the " + std::string(formatName) + " picture '" + path + "': " + stbi_failure_reason() +
             " (a damaged file, or a kind of " + formatName + " that is not supported)");

    RgbPicture picture{width, height, {}};
    const size_t count = size_t(width) * size_t(height);
    if (!alpha) {
        picture.rgb.assign(pixels.get(), pixels.get() + count * 3);
        return picture;
    }
    picture.rgb.resize(count * 3);
    const auto& linear = linearTable();
    const stbi_uc* source = pixels.get();
    uint8_t* target = picture.rgb.data();
    for (size_t i = 0; i < count; ++i, source += 4, target += 3) {
        const int opacity = source[3];
        if (opacity == 255) {
            std::memcpy(target, source, 3);
        } else if (opacity == 0) {
            std::memset(target, 0, 3);
        } else {
            for (int channel = 0; channel < 3; ++channel)
                target[channel] = linearToSrgbByte(linear[source[channel]] * float(opacity) / 255.0f);
        }
    }
    return picture;
}

RgbPicture fitPicture(const RgbPicture& picture, FitMode mode)
{
    const double width = picture.width;
    const double height = picture.height;
    switch (mode) {
    case FitMode::none:
        return picture;
    case FitMode::stretch:
        return resample(picture, 0, 0, width, height, makeSize, makeSize);
    case FitMode::cover: {
        // The largest centred square of the picture.
        const double side = std::min(width, height);
        return resample(picture, (width - side) / 2, (height - side) / 2, side, side, makeSize, makeSize);
    }
    case FitMode::contain: {
        const double scale = std::min(makeSize / width, makeSize / height);
        const int fittedWidth = std::clamp(int(std::lround(width * scale)), 1, makeSize);
        const int fittedHeight = std::clamp(int(std::lround(height * scale)), 1, makeSize);
        const RgbPicture fitted = resample(picture, 0, 0, width, height, fittedWidth, fittedHeight);
        RgbPicture result{makeSize, makeSize, std::vector<uint8_t>(size_t(makeSize) * makeSize * 3, 0)};
        const int left = (makeSize - fittedWidth) / 2;
        const int top = (makeSize - fittedHeight) / 2;
        for (int row = 0; row < fittedHeight; ++row)
            std::memcpy(result.rgb.data() + (size_t(top + row) * makeSize + size_t(left)) * 3,
                        fitted.rgb.data() + size_t(row) * size_t(fittedWidth) * 3, size_t(fittedWidth) * 3);
        return result;
    }
    }
    return picture;
}

IndexedPicture quantisePicture(const RgbPicture& picture, double dither)
{
    if (picture.width > maxGifSide || picture.height > maxGifSide)
        fail("the picture is " + std::to_string(picture.width) + " x " + std::to_string(picture.height) +
             ", larger than a GIF can hold (65535 x 65535); choose a --fit other than none");
    const size_t count = size_t(picture.width) * size_t(picture.height);
    std::vector<uint8_t> rgba(count * 4);
    for (size_t i = 0; i < count; ++i) {
        std::memcpy(&rgba[i * 4], &picture.rgb[i * 3], 3);
        rgba[i * 4 + 3] = 255;
    }

    struct Quantiser {
        liq_attr* attributes = nullptr;
        liq_image* image = nullptr;
        liq_result* result = nullptr;
        ~Quantiser()
        {
            if (result)
                liq_result_destroy(result);
            if (image)
                liq_image_destroy(image);
            if (attributes)
                liq_attr_destroy(attributes);
        }
    } quantiser;
    // One thread: for a 256 x 256 picture a thread team gains little, and on
    // a busy machine its waiting threads cost several times what they gain.
    if (omp_set_num_threads)
        omp_set_num_threads(1);
    quantiser.attributes = liq_attr_create();
    if (!quantiser.attributes || liq_set_max_colors(quantiser.attributes, paletteSize) != LIQ_OK)
        fail("libimagequant could not be set up");
    quantiser.image = liq_image_create_rgba(quantiser.attributes, rgba.data(), picture.width, picture.height, 0);
    if (!quantiser.image)
        fail("libimagequant cannot take a picture of " + std::to_string(picture.width) + " x " +
             std::to_string(picture.height));
    const liq_error quantised = liq_image_quantize(quantiser.image, quantiser.attributes, &quantiser.result);
    if (quantised != LIQ_OK || !quantiser.result)
        fail("libimagequant could not reduce the picture to 256 colours (error " + std::to_string(int(quantised)) +
             ")");
    liq_set_dithering_level(quantiser.result, float(dither));

    IndexedPicture indexed;
    indexed.width = picture.width;
    indexed.height = picture.height;
    indexed.indices.resize(count);
    if (liq_write_remapped_image(quantiser.result, quantiser.image, indexed.indices.data(), count) != LIQ_OK)
        fail("libimagequant could not map the picture to its palette");
    const liq_palette* palette = liq_get_palette(quantiser.result);
    indexed.coloursUsed = int(std::min<unsigned>(palette->count, paletteSize));
    int darkest = 0;
    for (int i = 0; i < indexed.coloursUsed; ++i) {
        const liq_color colour = palette->entries[i];
        indexed.palette[size_t(i)] = PaletteEntry{colour.r, colour.g, colour.b, 0};
        const auto sum = [&](int index) {
            const PaletteEntry& entry = indexed.palette[size_t(index)];
            return entry.red + entry.green + entry.blue;
        };
        if (sum(i) < sum(darkest))
            darkest = i;
    }
    // The saver's seam between tiles takes the darkest palette entry; filling
    // the unused entries with the darkest colour keeps that colour the
    // picture's own instead of an unused black.
    for (int i = indexed.coloursUsed; i < paletteSize; ++i)
        indexed.palette[size_t(i)] = indexed.palette[size_t(darkest)];
    return indexed;
}

Bytes encodeGif(const IndexedPicture& picture)
{
    Bytes bytes;
    int error = 0;
    GifFileType* file = EGifOpen(&bytes, writeToBytes, &error);
    if (!file)
        fail(std::string("giflib could not start a GIF: ") + GifErrorString(error));
    std::array<GifColorType, paletteSize> colours{};
    for (int i = 0; i < paletteSize; ++i)
        colours[size_t(i)] = GifColorType{picture.palette[size_t(i)].red, picture.palette[size_t(i)].green,
                                          picture.palette[size_t(i)].blue};
    ColorMapObject* map = GifMakeMapObject(paletteSize, colours.data());
    EGifSetGifVersion(file, true);
    bool written = map && EGifPutScreenDesc(file, picture.width, picture.height, 8, 0, map) == GIF_OK &&
                   EGifPutImageDesc(file, 0, 0, picture.width, picture.height, false, nullptr) == GIF_OK;
    std::vector<GifPixelType> row(size_t(picture.width));
    for (int y = 0; written && y < picture.height; ++y) {
        std::memcpy(row.data(), picture.indices.data() + size_t(y) * size_t(picture.width), row.size());
        written = EGifPutLine(file, row.data(), picture.width) == GIF_OK;
    }
    const std::string problem = written ? "" : (GifErrorString(file->Error) ? GifErrorString(file->Error) : "?");
    if (map)
        GifFreeMapObject(map);
    if (EGifCloseFile(file, &error) != GIF_OK && written)
        fail(std::string("giflib could not finish the GIF: ") + GifErrorString(error));
    if (!written)
        fail("giflib could not write the GIF: " + problem);
    return bytes;
}

std::string gifDamage(std::span<const uint8_t> gif)
{
    return readGifLayout(gif).damage;
}

std::vector<std::string> gifReencodeReasons(std::span<const uint8_t> gif, bool anySize)
{
    const GifLayout layout = readGifLayout(gif);
    if (!layout.damage.empty())
        return {"it is damaged: " + layout.damage};
    std::vector<std::string> reasons;
    if (!layout.firstImageComplete)
        reasons.push_back("its picture data is cut short");
    else if (const std::string problem = giflibProblem(gif); !problem.empty())
        reasons.push_back("giflib cannot read it (" + problem + ")");
    if (layout.imageCount > 1)
        reasons.push_back("it has " + std::to_string(layout.imageCount) + " frames and the saver shows only the first");
    if (!layout.globalTable)
        reasons.push_back("it has no global colour table");
    else if (layout.globalEntries < paletteSize)
        reasons.push_back("its global colour table has " + std::to_string(layout.globalEntries) +
                          " entries, not 256");
    if (layout.imageFlags & 0x80)
        reasons.push_back("its picture has a local colour table");
    if (layout.transparency)
        reasons.push_back("it uses transparency");
    const auto* separator =
        layout.saverTableEnd < gif.size()
            ? static_cast<const uint8_t*>(std::memchr(gif.data() + layout.saverTableEnd, 0x2C,
                                                      gif.size() - layout.saverTableEnd))
            : nullptr;
    if (layout.globalTable && separator && size_t(separator - gif.data()) < layout.firstImageStart)
        reasons.push_back("a byte 0x2C in an extension before the picture would be taken for its start");
    if ((layout.imageFlags & 0x40) && layout.imageFlags != 0x40 && !(layout.imageFlags & 0x80))
        reasons.push_back("its interlace flag comes with other flags, and the saver would not de-interlace it");
    if (layout.imageLeft != 0 || layout.imageTop != 0 || layout.imageWidth != layout.screenWidth ||
        layout.imageHeight != layout.screenHeight)
        reasons.push_back("its picture (" + std::to_string(layout.imageWidth) + " x " +
                          std::to_string(layout.imageHeight) + " at " + std::to_string(layout.imageLeft) + ", " +
                          std::to_string(layout.imageTop) + ") does not fill its " +
                          std::to_string(layout.screenWidth) + " x " + std::to_string(layout.screenHeight) +
                          " screen");
    if (layout.minimumCodeSize < 2 || layout.minimumCodeSize > 9)
        reasons.push_back("its LZW code size " + std::to_string(layout.minimumCodeSize) + " is outside 2 to 9");
    if (!anySize && (layout.screenWidth != makeSize || layout.screenHeight != makeSize))
        reasons.push_back("it is " + std::to_string(layout.screenWidth) + " x " +
                          std::to_string(layout.screenHeight) + ", not 256 x 256");
    return reasons;
}
