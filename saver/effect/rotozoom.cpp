// SPDX-License-Identifier: MIT
#include "effect/rotozoom.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

const int darkestStart = 0xFFFFFF;
const int lastTexel = textureSize - 1;
const uint32_t pivotOffset = 128;

// The per-frame constants of the drawing, reduced to the 16 bits that take
// part: a texel coordinate is 8.8 fixed point, and the wrap-around of 16-bit
// arithmetic is what tiles the texture without end.
struct FrameSteps {
    uint16_t du, dv;  // per pixel along a row
    uint16_t ru, rv;  // per row down the frame
    uint16_t originU, originV;
};

// zoom times a table entry, shifted right by 8. In the low 16 bits that is a
// division by 256 rounded toward minus infinity (zoom 200 times -255 gives
// -200), whether the shift brings in sign bits or zeros.
uint16_t scaledStep(int32_t zoom, int32_t entry)
{
    return uint16_t((uint32_t(zoom) * uint32_t(entry)) >> 8);
}

FrameSteps frameSteps(const TrigTables& tables, const MotionState& motion)
{
    // The angle is 0..255 by construction; the mask only keeps a state handed
    // in from outside inside the tables.
    const int angle = motion.angle & (trigSteps - 1);
    FrameSteps steps;
    steps.du = scaledStep(motion.zoom, tables.cosTable[angle]);
    steps.dv = scaledStep(motion.zoom, tables.sinTable[angle]);
    steps.ru = scaledStep(motion.zoom, tables.cosPerpTable[angle]);
    steps.rv = scaledStep(motion.zoom, tables.sinPerpTable[angle]);
    steps.originU = uint16_t(uint32_t(motion.panU) - pivotOffset * steps.ru - pivotOffset * steps.du);
    steps.originV = uint16_t(uint32_t(motion.panV) - pivotOffset * steps.dv - pivotOffset * steps.rv);
    return steps;
}

inline uint8_t texelAt(const uint8_t* texture, uint32_t u, uint32_t v)
{
    return texture[(((v >> 8) & 0xFF) << 8) | ((u >> 8) & 0xFF)];
}

// Pixels [first, end) of one row; (u, v) are the coordinates before pixel
// `first`, and each pixel adds the steps before it reads its texel.
void drawPixelsPlain(const FrameSteps& steps, const uint8_t* texture, uint8_t* row, int first, int end, uint32_t u,
                     uint32_t v)
{
    for (int x = first; x < end; ++x) {
        u += steps.du;
        v += steps.dv;
        row[x] = texelAt(texture, u, v);
    }
}

#if defined(__SSE2__)

inline uint32_t lowLanes(__m128i indices) { return uint32_t(_mm_cvtsi128_si32(indices)); }

// Pixels [out, end) of one row, eight at a time (the span is a whole number of
// eights). Their coordinates sit in 16-bit lanes, whose own wrap-around does
// the tiling; each lane's texel index is the high byte of v over the high byte
// of u. SSE2 has no gather: the indices leave the vector two at a time through
// a 32-bit move, and each texel is stored on its own (measured faster than
// assembling the eight bytes for one store). Kept out of line: its loop needs
// every register that the 32-bit program has, and the strip and row loops
// around it would take them away.
[[gnu::noinline]] void drawSpanSse2(uint8_t* out, uint8_t* const end, const uint8_t* texture, __m128i u, __m128i v,
                                    const __m128i* strides)
{
    const __m128i strideU = strides[0];
    const __m128i strideV = strides[1];
    const __m128i rowByte = _mm_set1_epi16(short(0xFF00));
    for (; out != end; out += 8) {
        const __m128i indices = _mm_or_si128(_mm_and_si128(v, rowByte), _mm_srli_epi16(u, 8));
        u = _mm_add_epi16(u, strideU);
        v = _mm_add_epi16(v, strideV);
        uint32_t pair = lowLanes(indices);
        out[0] = texture[pair & 0xFFFF];
        out[1] = texture[pair >> 16];
        pair = lowLanes(_mm_srli_si128(indices, 4));
        out[2] = texture[pair & 0xFFFF];
        out[3] = texture[pair >> 16];
        pair = lowLanes(_mm_srli_si128(indices, 8));
        out[4] = texture[pair & 0xFFFF];
        out[5] = texture[pair >> 16];
        pair = lowLanes(_mm_srli_si128(indices, 12));
        out[6] = texture[pair & 0xFFFF];
        out[7] = texture[pair >> 16];
    }
}

// Each texel row that a frame row crosses is another cache line of the
// texture. Once a row crosses many of them (from 1/8 texel row per pixel on),
// 640 pixels read more lines than the first-level cache holds, and the next
// row, which reads nearly the same lines, misses them all: the frame is then
// drawn in strips of 128 columns, each from top to bottom. Rows that stay
// within few texel rows are drawn whole, which saves the strips' overhead.
void drawRowsSse2(const FrameSteps& steps, const uint8_t* texture, uint8_t* frameBuffer, int width,
                  int height)
{
    const int16_t rowStep = int16_t(steps.dv);
    const int rowStepSize = rowStep < 0 ? -rowStep : rowStep;
    const int stripWidth = rowStepSize >= 32 ? 128 : width;
    const __m128i lanes = _mm_setr_epi16(1, 2, 3, 4, 5, 6, 7, 8);
    const __m128i laneU = _mm_mullo_epi16(_mm_set1_epi16(short(steps.du)), lanes);
    const __m128i laneV = _mm_mullo_epi16(_mm_set1_epi16(short(steps.dv)), lanes);
    const __m128i strides[2] = {_mm_set1_epi16(short(steps.du * 8)), _mm_set1_epi16(short(steps.dv * 8))};

    for (int first = 0; first < width; first += stripWidth) {
        const int end = width - first < stripWidth ? width : first + stripWidth;
        const int vectorEnd = first + ((end - first) & ~7);
        // The coordinates before the strip's first pixel, on row 0.
        uint32_t stripU = steps.originU + uint32_t(first) * steps.du;
        uint32_t stripV = steps.originV + uint32_t(first) * steps.dv;
        for (int y = 0; y < height; ++y) {
            uint8_t* row = frameBuffer + long(y) * width;
            const __m128i u = _mm_add_epi16(_mm_set1_epi16(short(stripU)), laneU);
            const __m128i v = _mm_add_epi16(_mm_set1_epi16(short(stripV)), laneV);
            drawSpanSse2(row + first, row + vectorEnd, texture, u, v, strides);
            const uint32_t skipped = uint32_t(vectorEnd - first);
            drawPixelsPlain(steps, texture, row, vectorEnd, end, stripU + skipped * steps.du,
                            stripV + skipped * steps.dv);
            stripU += steps.ru;
            stripV += steps.rv;
        }
    }
}

#endif

}  // namespace

int findBackgroundIndex(const PaletteEntry* palette)
{
    int darkest = darkestStart;
    int index = 0;
    for (int i = 0; i < paletteSize; ++i) {
        const int sum = palette[i].red + palette[i].green + palette[i].blue;
        if (sum <= darkest) {
            darkest = sum;
            index = i;
        }
    }
    return index;
}

void captureTexture(const uint8_t* pixels, long pitch, int width, int height, uint8_t fillTexel,
                    uint8_t* texture)
{
    const int rows = height < textureSize ? height : textureSize;
    const int columns = width < textureSize ? width : textureSize;
    for (int r = 0; r < rows; ++r) {
        const uint8_t* source = pixels + r * pitch;
        uint8_t* texels = texture + r * textureSize;
        for (int c = 0; c < columns; ++c)
            texels[c] = (r < lastTexel && c < lastTexel) ? source[c] : fillTexel;
    }
}

void drawRotozoomPlain(const TrigTables& tables, const MotionState& motion, const uint8_t* texture,
                       uint8_t* frameBuffer, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    const FrameSteps steps = frameSteps(tables, motion);
    uint32_t rowU = steps.originU;
    uint32_t rowV = steps.originV;
    for (int y = 0; y < height; ++y) {
        drawPixelsPlain(steps, texture, frameBuffer + long(y) * width, 0, width, rowU, rowV);
        rowU += steps.ru;
        rowV += steps.rv;
    }
}

void drawRotozoom(const TrigTables& tables, const MotionState& motion, const uint8_t* texture,
                  uint8_t* frameBuffer, int width, int height)
{
#if defined(__SSE2__)
    if (width <= 0 || height <= 0)
        return;
    drawRowsSse2(frameSteps(tables, motion), texture, frameBuffer, width, height);
#else
    drawRotozoomPlain(tables, motion, texture, frameBuffer, width, height);
#endif
}
