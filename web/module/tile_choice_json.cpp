// SPDX-License-Identifier: GPL-3.0-or-later
#include "tile_choice_json.h"

#include <cstdint>
#include <string>

namespace {

// Reads the flat object from left to right; nothing in it is nested but
// the crop's array of four whole numbers.
class ChoiceReader {
public:
    explicit ChoiceReader(std::string_view text) : text_(text) {}

    std::optional<TileChoice> read()
    {
        TileChoice choice;
        if (!take('{'))
            return std::nullopt;
        if (take('}'))
            return finished(choice);
        do {
            const auto key = string();
            if (!key || !take(':'))
                return std::nullopt;
            if (*key == "crop") {
                if (word("null")) {
                    choice.crop.reset();
                    continue;
                }
                CropRect crop;
                int* const parts[4] = {&crop.x, &crop.y, &crop.width, &crop.height};
                if (!take('['))
                    return std::nullopt;
                for (int index = 0; index < 4; ++index) {
                    const auto value = integer();
                    if (!value || (index < 3 && !take(',')))
                        return std::nullopt;
                    *parts[index] = *value;
                }
                if (!take(']'))
                    return std::nullopt;
                choice.crop = crop;
            } else if (*key == "turn") {
                const auto value = integer();
                if (!value)
                    return std::nullopt;
                choice.turn = *value;
            } else if (*key == "seamless") {
                if (word("true"))
                    choice.seamless = true;
                else if (word("false"))
                    choice.seamless = false;
                else
                    return std::nullopt;
            } else {
                return std::nullopt;
            }
        } while (take(','));
        if (!take('}'))
            return std::nullopt;
        return finished(choice);
    }

private:
    std::optional<TileChoice> finished(const TileChoice& choice)
    {
        skipSpace();
        return at_ == text_.size() ? std::optional(choice) : std::nullopt;
    }

    void skipSpace()
    {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\t' || text_[at_] == '\r'))
            ++at_;
    }

    bool take(char wanted)
    {
        skipSpace();
        if (at_ < text_.size() && text_[at_] == wanted) {
            ++at_;
            return true;
        }
        return false;
    }

    bool word(std::string_view wanted)
    {
        skipSpace();
        if (text_.substr(at_, wanted.size()) != wanted)
            return false;
        at_ += wanted.size();
        return true;
    }

    std::optional<std::string> string()
    {
        if (!take('"'))
            return std::nullopt;
        const size_t end = text_.find('"', at_);
        if (end == std::string_view::npos)
            return std::nullopt;
        std::string value(text_.substr(at_, end - at_));
        at_ = end + 1;
        return value;
    }

    std::optional<int> integer()
    {
        skipSpace();
        const bool negative = at_ < text_.size() && text_[at_] == '-';
        if (negative)
            ++at_;
        const size_t start = at_;
        int64_t value = 0;
        while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
            value = value * 10 + (text_[at_++] - '0');
            if (value > 1'000'000'000)
                return std::nullopt;
        }
        if (at_ == start)
            return std::nullopt;
        return int(negative ? -value : value);
    }

    std::string_view text_;
    size_t at_ = 0;
};

}  // namespace

std::optional<TileChoice> parseTileChoice(std::string_view json)
{
    return ChoiceReader(json).read();
}
