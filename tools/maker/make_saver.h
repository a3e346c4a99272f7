// SPDX-License-Identifier: GPL-3.0-or-later
// The whole maker: picture file in, saver file out. `glimmer make` and the
// web page's maker both call this, so that both write the same bytes.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "package/palette_entry.h"
#include "picture.h"
#include "tile_choice.h"
#include "saver_package.h"

struct MakeOptions {
    std::string pictureName = "picture";  // names the picture in messages
    FitMode fit = FitMode::cover;
    double dither = 1.0;  // 0 (none) to 1 (full)
    bool reencode = false;  // re-encode a GIF even when it could be packed unchanged
    bool force = false;     // make a saver whose picture preview and play cannot show, with a note, not a refusal
    using CropRect = ::CropRect;
    std::optional<CropRect> crop;  // in the upright picture after `turn`, in its pixels
    int turn = 0;                  // 0, 90, 180 or 270: clockwise quarter turns after the EXIF orientation
    bool seamless = false;         // blend each edge of the tile into the opposite one
    // Where a picture read once is kept, so that making it again with another
    // crop, turn or seamless choice needs no decoding; none when null.
    struct PictureKeep* keep = nullptr;
    // Told each step as it begins ("reading the JPEG", "fitting it to 256 x 256", ...), for a progress line.
    std::function<void(const std::string& step)> onStep;
};

// What the maker did on the way that its caller should tell: a kind and its
// numbers, worded by each caller with its own controls.
enum class NoteKind {
    gifUnchanged,      // a GIF the saver shows as it is went in unchanged; re-encoding was not asked for
    gifReencoded,      // `detail`: why the GIF could not go in as it is
    pictureWarning,    // `detail`: damage in the picture that was read past
    unfittedTile,      // kept at width x height: each tile shows its top-left shownWidth x shownHeight
                       // pixels, and `fill` (palette index 0) the rest when the picture is smaller than a tile
    unshowableForced,  // made when told to: the record is width x height, which preview and play cannot show;
                       // `detail` says why
};

struct MakeNote {
    NoteKind kind = NoteKind::pictureWarning;
    std::string detail;
    int width = 0;
    int height = 0;
    int shownWidth = 0;
    int shownHeight = 0;
    std::optional<PaletteEntry> fill;
};

inline MakeNote noteOf(NoteKind kind, std::string detail = {})
{
    MakeNote note;
    note.kind = kind;
    note.detail = std::move(detail);
    return note;
}

// A picture is kept for the next make only while its pixels take at most this
// many bytes (4 megapixels). A larger PNG is fitted as it is read, as when no
// picture is kept: holding it would cost more time and memory than reading it
// again, and the page's worker lets its module go once it has grown past 32 MB.
constexpr uint64_t mostKeptPictureBytes = uint64_t(12) << 20;

// The last picture read, with a copy of its file's bytes (the same bytes
// given again find it) and what its reading depended on (the fit, whose size
// limit and memory budget the reader checked, and a JPEG's decode scale).
struct PictureKeep {
    Bytes file;
    FitMode fit = FitMode::cover;
    int exifOrientation = 1;
    std::optional<Picture> picture;
};

struct MadeSaver {
    Bytes file;                   // the saver, or with no program a file.dat package
    std::vector<MakeNote> notes;  // to show before the summary (what was done to a GIF, warnings)
    std::string summary;             // "a 256 x 256 picture of 211 colours from the JPEG of 200 x 300, ..."
};

// Reads the picture (its format told once, by its first bytes), turns it
// upright and then by `turn`, takes the `crop` of it, converts its colours to
// sRGB, fits it, blends the tile's edges into each other when `seamless`,
// quantises and encodes it, and packs the GIF behind `program` (61440 bytes,
// or empty for a file.dat). A GIF that the saver shows as it is goes in
// unchanged unless `reencode` or a crop, turn or seamless is asked for. Throws
// MakeError with the reason when the picture cannot be made into a saver,
// among them a picture whose record preview and play could not show (checked
// as soon as its size is known, before any quantising) unless `force`.
MadeSaver makeSaverPackage(std::span<const uint8_t> picture, const MakeOptions& options,
                           std::span<const uint8_t> program);

// The size of the picture as it is shown: upright, then turned by the
// options' `turn` (what a crop counts in), read without making anything; the
// picture is kept in the options' `keep` for the make that follows.
struct ShownSize {
    int width = 0;
    int height = 0;
};
ShownSize shownPictureSize(std::span<const uint8_t> file, const MakeOptions& options);

// The showability check of a record of `size`: nothing when preview and play
// can show it; a note when they cannot and `force`; else refused (MakeError,
// RefusalKind::unshowable). `pack` checks the GIF it packs with it.
std::optional<MakeNote> checkRecordShowable(GifSize size, bool force);

// The picture format the file's first bytes tell (a few dozen are enough);
// refuses a file that is no picture the maker reads, with what it is.
PictureFormat pictureFormatOrRefuse(std::span<const uint8_t> start, const std::string& name);
