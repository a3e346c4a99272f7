// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture_readers.h"

Picture readPicture(std::span<const uint8_t> file, PictureFormat format, const ReadRequest& request)
{
    switch (format) {
    case PictureFormat::png: return readPng(file, request);
    case PictureFormat::jpeg: return readJpeg(file, request);
    case PictureFormat::gif: return readGif(file, request);
    case PictureFormat::webp: return readWebp(file, request);
    case PictureFormat::bmp: return readBmp(file, request);
    case PictureFormat::tga: return readTga(file, request);
    }
    refuseUnreadable(format, request.name, "a kind of picture that is not supported");
}
