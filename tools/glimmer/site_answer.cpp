// SPDX-License-Identifier: GPL-3.0-or-later
#include "site_answer.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool sameWord(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Calls `each` with every comma-separated item of a header list, trimmed.
template <typename Each>
void forEachItem(std::string_view list, Each each)
{
    while (true) {
        const size_t comma = list.find(',');
        const std::string_view item = trimmed(list.substr(0, comma));
        if (!item.empty())
            each(item);
        if (comma == std::string_view::npos)
            return;
        list.remove_prefix(comma + 1);
    }
}

// Digits only; a number too large for 64 bits stays at the largest, which
// is past the end of any file.
std::optional<uint64_t> position(std::string_view digits)
{
    if (digits.empty())
        return std::nullopt;
    uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const uint64_t digit = uint64_t(c - '0');
        value = value > (UINT64_MAX - digit) / 10 ? UINT64_MAX : value * 10 + digit;
    }
    return value;
}

struct Span {
    uint64_t first;
    uint64_t end;  // one past the last byte
};

}  // namespace

RangeAnswer answerRange(std::string_view rangeHeader, uint64_t fileSize)
{
    const std::string_view header = trimmed(rangeHeader);
    const size_t equals = header.find('=');
    if (equals == std::string_view::npos || !sameWord(trimmed(header.substr(0, equals)), "bytes"))
        return {};
    std::vector<Span> spans;
    bool wellFormed = true;
    size_t items = 0;
    forEachItem(header.substr(equals + 1), [&](std::string_view item) {
        ++items;
        const size_t dash = item.find('-');
        if (dash == std::string_view::npos) {
            wellFormed = false;
            return;
        }
        const auto first = position(item.substr(0, dash));
        const auto last = position(item.substr(dash + 1));
        if (!first && last) {  // the last `last` bytes
            if (*last > 0 && fileSize > 0)
                spans.push_back({fileSize - std::min(*last, fileSize), fileSize});
        } else if (first && (dash + 1 == item.size() || (last && *last >= *first))) {
            if (*first < fileSize)
                spans.push_back({*first, last ? std::min(*last, fileSize - 1) + 1 : fileSize});
        } else {
            wellFormed = false;
        }
    });
    if (!wellFormed || items == 0)
        return {};
    if (spans.empty())
        return {RangeAnswer::Kind::unsatisfiable};
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.first < b.first; });
    Span merged = spans.front();
    for (const Span& span : spans) {
        if (span.first > merged.end)
            return {};
        merged.end = std::max(merged.end, span.end);
    }
    return {RangeAnswer::Kind::part, merged.first, merged.end - merged.first};
}

StoredCoding chooseCoding(std::string_view acceptEncoding, bool haveBrotli, bool haveGzip)
{
    // Unnamed, a coding is taken only through "*".
    std::optional<bool> brotli, gzip, anyOther;
    forEachItem(acceptEncoding, [&](std::string_view item) {
        const size_t semicolon = item.find(';');
        const std::string_view name = trimmed(item.substr(0, semicolon));
        bool taken = true;
        if (semicolon != std::string_view::npos) {
            std::string_view parameter = trimmed(item.substr(semicolon + 1));
            if (parameter.size() >= 2 && (parameter[0] == 'q' || parameter[0] == 'Q') && parameter[1] == '=') {
                parameter.remove_prefix(2);
                // q is at most three decimals: only an all-zero value refuses.
                taken = parameter.find_first_not_of("0.") != std::string_view::npos;
            }
        }
        if (sameWord(name, "br"))
            brotli = taken;
        else if (sameWord(name, "gzip") || sameWord(name, "x-gzip"))
            gzip = taken;
        else if (name == "*")
            anyOther = taken;
    });
    const bool other = anyOther.value_or(false);
    if (haveBrotli && brotli.value_or(other))
        return StoredCoding::brotli;
    if (haveGzip && gzip.value_or(other))
        return StoredCoding::gzip;
    return StoredCoding::identity;
}

bool etagListMatches(std::string_view ifNoneMatch, std::string_view etag)
{
    const auto opaque = [](std::string_view tag) { return tag.substr(0, 2) == "W/" ? tag.substr(2) : tag; };
    bool matches = false;
    forEachItem(ifNoneMatch, [&](std::string_view item) {
        matches = matches || item == "*" || opaque(item) == opaque(etag);
    });
    return matches;
}

std::string httpDate(std::time_t time)
{
    std::tm parts{};
    gmtime_r(&time, &parts);
    static const char days[][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char months[][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", days[parts.tm_wday], parts.tm_mday,
                  months[parts.tm_mon], parts.tm_year + 1900, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

std::optional<std::time_t> parseHttpDate(std::string_view text)
{
    static const std::string_view months = "JanFebMarAprMayJunJulAugSepOctNovDec";
    // "Sun, 06 Nov 1994 08:49:37 GMT": fixed places.
    if (text.size() != 29 || text.substr(3, 2) != ", " || text.substr(25) != " GMT" || text[7] != ' ' ||
        text[11] != ' ' || text[16] != ' ' || text[19] != ':' || text[22] != ':')
        return std::nullopt;
    const auto number = [&](size_t at, size_t count) { return position(text.substr(at, count)); };
    const size_t month = months.find(text.substr(8, 3));
    const auto day = number(5, 2), year = number(12, 4), hour = number(17, 2), minute = number(20, 2),
               second = number(23, 2);
    if (month == std::string_view::npos || month % 3 || !day || !year || !hour || !minute || !second ||
        *day < 1 || *day > 31 || *hour > 23 || *minute > 59 || *second > 60)
        return std::nullopt;
    std::tm parts{};
    parts.tm_year = int(*year) - 1900;
    parts.tm_mon = int(month / 3);
    parts.tm_mday = int(*day);
    parts.tm_hour = int(*hour);
    parts.tm_min = int(*minute);
    parts.tm_sec = int(*second);
    return timegm(&parts);
}
