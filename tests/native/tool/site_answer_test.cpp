// SPDX-License-Identifier: GPL-3.0-or-later
// The header logic of glimmer serve's answers: ranges merged so that no
// answer outgrows its file, the stored coding a client takes, entity tags
// and HTTP dates.
#include <gtest/gtest.h>

#include "site_answer.h"

namespace {

using Kind = RangeAnswer::Kind;

TEST(SiteAnswer, RangesOfAHundredByteFile)
{
    std::string thousandTimes = "bytes=0-";
    for (int i = 1; i < 1000; ++i)
        thousandTimes += ",0-";
    const struct {
        std::string header;
        Kind kind;
        uint64_t first;
        uint64_t length;
    } cases[] = {
        {"", Kind::whole, 0, 0},
        {"bytes=0-9", Kind::part, 0, 10},
        {"bytes=90-", Kind::part, 90, 10},
        {"bytes=-10", Kind::part, 90, 10},
        {"bytes=-200", Kind::part, 0, 100},
        {"bytes=95-200", Kind::part, 95, 5},
        {"bytes=99-99", Kind::part, 99, 1},
        {"Bytes = 0-0", Kind::part, 0, 1},
        {"bytes=0-99999999999999999999999", Kind::part, 0, 100},
        {"bytes=0-9,5-19", Kind::part, 0, 20},
        {"bytes=10-19, 0-9", Kind::part, 0, 20},
        {thousandTimes, Kind::part, 0, 100},
        {"bytes=0-9, 200-300", Kind::part, 0, 10},
        {"bytes=0-9,20-29", Kind::whole, 0, 0},
        {"bytes=100-", Kind::unsatisfiable, 0, 0},
        {"bytes=-0", Kind::unsatisfiable, 0, 0},
        {"bytes=200-300,100-", Kind::unsatisfiable, 0, 0},
        {"bytes=99999999999999999999999-", Kind::unsatisfiable, 0, 0},
        {"bytes=5-3", Kind::whole, 0, 0},
        {"bytes=a-b", Kind::whole, 0, 0},
        {"bytes=-", Kind::whole, 0, 0},
        {"bytes=7", Kind::whole, 0, 0},
        {"bytes=", Kind::whole, 0, 0},
        {"bytes=0-9,x", Kind::whole, 0, 0},
        {"items=0-9", Kind::whole, 0, 0},
        {"0-9", Kind::whole, 0, 0},
    };
    for (const auto& range : cases) {
        SCOPED_TRACE(range.header.substr(0, 40));
        const RangeAnswer answer = answerRange(range.header, 100);
        EXPECT_EQ(answer.kind, range.kind);
        if (range.kind == Kind::part) {
            EXPECT_EQ(answer.first, range.first);
            EXPECT_EQ(answer.length, range.length);
        }
    }
}

TEST(SiteAnswer, AnEmptyFileHasNoPart)
{
    EXPECT_EQ(answerRange("bytes=0-", 0).kind, Kind::unsatisfiable);
    EXPECT_EQ(answerRange("bytes=-5", 0).kind, Kind::unsatisfiable);
    EXPECT_EQ(answerRange("", 0).kind, Kind::whole);
}

TEST(SiteAnswer, ChoosesTheBestStoredCodingTaken)
{
    using Coding = StoredCoding;
    const struct {
        const char* accept;
        bool brotli;
        bool gzip;
        Coding chosen;
    } cases[] = {
        {"", true, true, Coding::identity},
        {"gzip, deflate, br", true, true, Coding::brotli},
        {"gzip, deflate, br", false, true, Coding::gzip},
        {"gzip, deflate, br", false, false, Coding::identity},
        {"gzip", true, true, Coding::gzip},
        {"br;q=0, gzip", true, true, Coding::gzip},
        {"br;q=0.000, gzip;q=0", true, true, Coding::identity},
        {"BR;Q=0.5", true, false, Coding::brotli},
        {"gzip;q=0.001", false, true, Coding::gzip},
        {"x-gzip", false, true, Coding::gzip},
        {"*", true, true, Coding::brotli},
        {"*, br;q=0", true, true, Coding::gzip},
        {"*;q=0", true, true, Coding::identity},
        {"identity", true, true, Coding::identity},
        {"brotli, gzipped", true, true, Coding::identity},
    };
    for (const auto& choice : cases) {
        SCOPED_TRACE(choice.accept);
        EXPECT_EQ(chooseCoding(choice.accept, choice.brotli, choice.gzip), choice.chosen);
    }
}

TEST(SiteAnswer, EntityTagLists)
{
    const struct {
        const char* list;
        bool matches;
    } cases[] = {
        {"\"5-a\"", true},         {"\"1-b\", \"5-a\"", true}, {"W/\"5-a\"", true}, {"*", true},
        {"\"5-a-br\"", false},     {"\"5-b\"", false},         {"", false},         {"5-a", false},
    };
    for (const auto& list : cases) {
        SCOPED_TRACE(list.list);
        EXPECT_EQ(etagListMatches(list.list, "\"5-a\""), list.matches);
    }
}

TEST(SiteAnswer, HttpDatesBothWays)
{
    const struct {
        std::time_t time;
        const char* text;
    } cases[] = {
        {784111777, "Sun, 06 Nov 1994 08:49:37 GMT"},
        {0, "Thu, 01 Jan 1970 00:00:00 GMT"},
        {951782400, "Tue, 29 Feb 2000 00:00:00 GMT"},
        {2147483648, "Tue, 19 Jan 2038 03:14:08 GMT"},
    };
    for (const auto& date : cases) {
        SCOPED_TRACE(date.text);
        EXPECT_EQ(httpDate(date.time), date.text);
        EXPECT_EQ(parseHttpDate(date.text), date.time);
    }
    for (const char* other : {"Sunday, 06-Nov-94 08:49:37 GMT", "Sun Nov  6 08:49:37 1994",
                              "Sun, 06 Nov 1994 08:49:37 UTC", "Sun, 06 Xyz 1994 08:49:37 GMT",
                              "Sun, 32 Nov 1994 08:49:37 GMT", "Sun, 06 Nov 1994 24:49:37 GMT", ""}) {
        SCOPED_TRACE(other);
        EXPECT_FALSE(parseHttpDate(other).has_value());
    }
}

}  // namespace
