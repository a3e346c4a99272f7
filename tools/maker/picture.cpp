// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture.h"

#include "maker_error.h"

const char* pictureFormatName(PictureFormat format)
{
    switch (format) {
    case PictureFormat::gif: return "GIF";
    case PictureFormat::png: return "PNG";
    case PictureFormat::jpeg: return "JPEG";
    case PictureFormat::bmp: return "BMP";
    case PictureFormat::tga: return "TGA";
    case PictureFormat::webp: return "WebP";
    }
    return "?";
}

Picture pictureOfSize(PictureFormat format, int width, int height)
{
    Picture picture;
    picture.format = format;
    picture.fileWidth = picture.stored.width = width;
    picture.fileHeight = picture.stored.height = height;
    return picture;
}

int uprightWidth(const Picture& picture)
{
    return picture.orientation >= 5 ? picture.fileHeight : picture.fileWidth;
}

int uprightHeight(const Picture& picture)
{
    return picture.orientation >= 5 ? picture.fileWidth : picture.fileHeight;
}

void refuseUnreadable(PictureFormat format, std::string_view name, const std::string& reason)
{
    refuse("cannot read the " + std::string(pictureFormatName(format)) + " picture '" + std::string(name) +
           "': " + reason);
}

void checkDeclaredSize(PictureFormat format, const ReadRequest& request, int64_t width, int64_t height,
                       std::string_view what)
{
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    const std::string subject = what.empty() ? "it" : std::string(what);
    if (width <= 0 || height <= 0)
        refuseUnreadable(format, request.name, subject + " declares a size of " + size + " pixels");
    const bool unfitted = request.fit == FitMode::none;
    const int64_t limit = unfitted ? maxUnfittedPixels : maxPicturePixels;
    if (width * height > limit) {
        MakeRefusal refusal = sizeRefusal(RefusalKind::tooManyPixels, width, height, std::string(what));
        refusal.name = std::string(request.name);
        refusal.limit = limit;
        refusal.unfitted = unfitted;
        refuse(std::move(refusal));
    }
}
