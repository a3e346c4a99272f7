// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of an HTTP answer that depend on the request's headers: which
// bytes a Range asks for, which stored coding to send, whether the client's
// copy is still good. Plain functions over header values, no sockets.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

// What a Range header gets from a file of a given size. Ranges that overlap
// or touch are merged; several that stay apart get the whole file once (a
// server may ignore Range), so that no answer is ever longer than the file.
struct RangeAnswer {
    enum class Kind {
        whole,           // 200 with the whole file: no Range, one we ignore, or several parts
        part,            // 206 with bytes [first, first + length)
        unsatisfiable,   // 416: no part lies inside the file
    };
    Kind kind = Kind::whole;
    uint64_t first = 0;
    uint64_t length = 0;
};

RangeAnswer answerRange(std::string_view rangeHeader, uint64_t fileSize);

// The stored forms of a file, best first.
enum class StoredCoding { brotli, gzip, identity };

// The best of the stored codings that `acceptEncoding` takes (q=0 refuses
// one, * stands for those not named); identity when none is taken.
StoredCoding chooseCoding(std::string_view acceptEncoding, bool haveBrotli, bool haveGzip);

// Whether an If-None-Match list names `etag` ("*" names every one; W/
// prefixes are ignored, as the weak comparison does).
bool etagListMatches(std::string_view ifNoneMatch, std::string_view etag);

// A time as HTTP writes it: "Sun, 06 Nov 1994 08:49:37 GMT".
std::string httpDate(std::time_t time);
// That form read back; nothing for any other form.
std::optional<std::time_t> parseHttpDate(std::string_view text);
