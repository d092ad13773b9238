#include "dem/DemTuples.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dem/DemGrid.h"

namespace {

// The values of a text read in one piece by the parser's path; empty with
// the failure set when it does not read.
std::vector<int32_t> Parsed(const std::string& text, std::string* failure = nullptr,
                            size_t limit = 100) {
    std::vector<int32_t> values;
    CDemTuples tuples(values, limit);
    const bool bRead = tuples.Feed(text.data(), text.data() + text.size()) && tuples.Finish();
    if (failure != nullptr) *failure = tuples.Failure();
    if (!bRead) return {};
    values.resize(tuples.Count());
    return values;
}

bool RawReads(const std::string& text) {
    std::vector<int32_t> values;
    CDemTuples tuples(values, 100);
    return tuples.ScanRaw(text.data(), text.data() + text.size()) != nullptr;
}

TEST(DemTupleValueTest, ExactCentimetres) {
    const struct {
        const char* text;
        int32_t centimetres;
    } table[] = {{"a,1.20", 120},       {"a,1.2", 120},      {"a,12", 1200},
                 {"a,12.", 1200},       {"a,-0.05", -5},     {"a,-0.00", 0},
                 {"a,3.450", 345},      {"a,3.4500", 345},   {"a,0.29", 29},
                 {"a,4.35", 435},       {"a,-12.07", -1207}, {"a,3999.99", 399999},
                 {"a,-999.99", -99999}, {"a,4000.", 400000}, {"a,-0.01", -1}};
    for (auto t : table) EXPECT_EQ(Parsed(t.text), std::vector<int32_t>{t.centimetres}) << t.text;
}

TEST(DemTupleValueTest, ValuesInTheMidstOfAListReadExactly) {
    // Values followed by more text, as in a file: of every length from one
    // to seven integer digits, with and without a sign and leading zeros,
    // and forms near the common one of two decimals.
    std::string text;
    std::vector<int32_t> expected;
    uint32_t seed = 1;
    for (int i = 0; i < 3000; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int digits = 1 + static_cast<int>(seed >> 8) % 7;
        int64_t whole = (seed >> 12) % 10000000;
        for (int d = 7; d > digits; --d) whole /= 10;
        const int cents = static_cast<int>(seed >> 4) % 100;
        const bool negative = (seed >> 20) % 3 == 0;
        // Every height Japan has: above -1,000 m, at most 4,000 m.
        whole %= negative ? 1000 : 4000;
        char value[32];
        std::snprintf(value, sizeof value, "%s%0*lld.%02d", negative ? "-" : "",
                      (seed >> 24) % 4 == 0 ? digits : 1, static_cast<long long>(whole), cents);
        text += std::string(u8"地表面,") + value + ((seed >> 28) % 2 ? "\r\n" : " ");
        const int32_t centimetres = static_cast<int32_t>(whole * 100 + cents);
        expected.push_back(negative ? -centimetres : centimetres);
    }
    const struct {
        const char* text;
        int32_t centimetres;
    } near[] = {{"12.3", 1230},
                {"1.230", 123},
                {"-9999.00", kDemNoData},
                {"0001.00", 100},
                {"0003999.99", 399999},
                {"-000999.99", -99999},
                {"7", 700},
                {"7.", 700}};
    for (auto n : near) {
        text += std::string(u8"地表面,") + n.text + "\n";
        expected.push_back(n.centimetres);
    }
    text += u8"地表面,1.00\n";
    expected.push_back(100);
    EXPECT_EQ(Parsed(text, nullptr, expected.size()), expected);
    std::vector<int32_t> values;
    CDemTuples tuples(values, expected.size());
    ASSERT_NE(tuples.ScanRaw(text.data(), text.data() + text.size()), nullptr);
    values.resize(tuples.Count());
    EXPECT_EQ(values, expected);
    for (const char* refused : {"1.234", "1.2x", "12.34.5", "1.2-3"}) {
        std::string failure;
        const std::string list = std::string("a,") + refused + "\nb,1.00\n";
        EXPECT_TRUE(Parsed(list, &failure).empty()) << refused;
        EXPECT_FALSE(RawReads(list)) << refused;
    }
}

TEST(DemTupleValueTest, MinusNineThousandNineHundredNinetyNineIsNoDataWhateverTheKind) {
    for (const char* kind :
         {u8"地表面", u8"表層面", u8"海水面", u8"内水面", u8"データなし", u8"その他"}) {
        for (const char* value : {"-9999.", "-9999", "-9999.0", "-9999.00"}) {
            EXPECT_EQ(Parsed(std::string(kind) + "," + value), std::vector<int32_t>{kDemNoData})
                << value;
        }
    }
}

TEST(DemTupleValueTest, WhatIsNoHeightIsRefusedNamingTheTuple) {
    for (const char* text : {"a,", "a,-", "a,.5", "a,1.2.3", "a,1e3", "a,+1", "a,3.456",
                             "a,12345678", "a,1,2", "a,1a", "a1.0", ",", "a, 1"}) {
        std::string failure;
        EXPECT_TRUE(Parsed(std::string("b,1 ") + text, &failure).empty()) << text;
        EXPECT_NE(failure.find("tuple 2"), std::string::npos) << text << ": " << failure;
    }
}

TEST(DemTupleListTest, TuplesApartByAnyWhiteSpace) {
    EXPECT_EQ(Parsed(" \r\na,1.00\r\nb,2.00\tc,3.00  d,4.00\n"),
              (std::vector<int32_t>{100, 200, 300, 400}));
    EXPECT_TRUE(Parsed(" \r\n ").empty());
}

// -9999 with any decimals is no data; heights no survey of Japan holds, and
// tuples whose kind is empty or a number, make the list unreadable, and the
// failure names the tuple.
TEST(DemTupleValueTest, ImpossibleHeightsAndKindsThatAreNumbersDoNotRead) {
    for (const char* value : {"-9999.5", "-9999.99", "-9999.01"})
        EXPECT_EQ(Parsed(std::string("a,") + value), std::vector<int32_t>{kDemNoData}) << value;
    const struct {
        const char* tuple;
        const char* words;
    } refused[] = {{"a,-9998.", "-9998. m is no height"},  {"a,10000.00", "is no height"},
                   {"a,32767.00", "is no height"},         {"a,4000.01", "is no height"},
                   {"a,-1000.00", "is no height"},         {",12.5", "has no kind"},
                   {"12,5", "its kind \"12\" is a number"}};
    for (const auto& r : refused) {
        // In the midst of a list of good tuples, as the raw scan meets it.
        const std::string list = std::string(u8"地表面,1.00 地表面,2.00 ") + r.tuple +
                                 u8" 地表面,3.00 地表面,4.00 地表面,5.00\n";
        std::string failure;
        EXPECT_TRUE(Parsed(list, &failure).empty()) << r.tuple;
        EXPECT_NE(failure.find(std::string("tuple 3") + (r.tuple[0] == ',' ? " " : "")),
                  std::string::npos)
            << failure;
        EXPECT_NE(failure.find(r.words), std::string::npos) << failure;
        EXPECT_FALSE(RawReads(list)) << r.tuple;
    }
}

TEST(DemTupleListTest, AKindTheSurveyNeverUsesIsNotedAndItsHeightsTaken) {
    std::string list;
    for (int i = 0; i < 40; ++i) list += i == 30 ? u8"謎,5.00\n" : u8"海水底面,-1.00\n";
    list += u8"別,6.00\n";
    std::vector<int32_t> values;
    CDemTuples raw(values, 100);
    ASSERT_NE(raw.ScanRaw(list.data(), list.data() + list.size()), nullptr);
    EXPECT_EQ(raw.UnknownKind(), u8"謎") << "the first, in the second half of the list";
    CDemTuples parsed(values, 100);
    ASSERT_TRUE(parsed.Feed(list.data(), list.data() + list.size()) && parsed.Finish());
    EXPECT_EQ(parsed.UnknownKind(), u8"謎");
    EXPECT_EQ(values[30], 500);
    std::string known;
    for (const char* kind :
         {u8"地表面", u8"表層面", u8"海水面", u8"内水面", u8"海水底面", u8"その他", u8"データなし"})
        known += std::string(kind) + ",1.00\n";
    CDemTuples survey(values, 100);
    ASSERT_NE(survey.ScanRaw(known.data(), known.data() + known.size()), nullptr);
    EXPECT_EQ(survey.UnknownKind(), "");
}

TEST(DemTupleListTest, PiecesCutAnywhereReadAsOne) {
    const std::string text = u8"地表面,1.20\r\nデータなし,-9999.\r\n海水面,-0.35\r\n";
    const std::vector<int32_t> whole = Parsed(text);
    ASSERT_EQ(whole, (std::vector<int32_t>{120, kDemNoData, -35}));
    for (size_t a = 0; a <= text.size(); ++a) {
        for (size_t b = a; b <= text.size(); ++b) {
            std::vector<int32_t> values;
            CDemTuples tuples(values, 100);
            ASSERT_TRUE(tuples.Feed(text.data(), text.data() + a));
            ASSERT_TRUE(tuples.Feed(text.data() + a, text.data() + b));
            ASSERT_TRUE(tuples.Feed(text.data() + b, text.data() + text.size()));
            ASSERT_TRUE(tuples.Finish());
            values.resize(tuples.Count());
            ASSERT_EQ(values, whole) << "cut at " << a << " and " << b;
        }
    }
}

TEST(DemTupleListTest, ATupleTooLongToJoinIsRefused) {
    std::vector<int32_t> values;
    CDemTuples tuples(values, 100);
    const std::string kind(700, 'k');
    ASSERT_TRUE(tuples.Feed(kind.data(), kind.data() + kind.size()));
    EXPECT_FALSE(tuples.Feed(kind.data(), kind.data() + kind.size()) && tuples.Finish());
    EXPECT_NE(tuples.Failure().find("longer"), std::string::npos) << tuples.Failure();
}

TEST(DemTupleListTest, TuplesBeyondTheLimitAreRefused) {
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "a,1.00\n";
    std::string failure;
    EXPECT_EQ(Parsed(text, &failure, 5000).size(), 5000u) << "the vector grows to the limit";
    EXPECT_TRUE(Parsed(text + "a,2.00", &failure, 5000).empty());
    EXPECT_NE(failure.find("more tuples"), std::string::npos) << failure;
}

TEST(DemRawTupleTest, PlainTextReadsAsTheParserReadsIt) {
    const std::string text =
        u8"その他,1.20\r\nその他,3.60\r\nデータなし,-9999.\r\n地表面,-0.05\r\nÀ_é-Z,7\r\n";
    std::vector<int32_t> values;
    CDemTuples tuples(values, 100);
    ASSERT_NE(tuples.ScanRaw(text.data(), text.data() + text.size()), nullptr);
    values.resize(tuples.Count());
    EXPECT_EQ(values, Parsed(text));
}

TEST(DemRawTupleTest, WhatTheParserWouldDecodeOrRefuseIsLeftToIt) {
    for (const char* text :
         {"a&amp;b,1.00", "a,1&#46;5", "a]],1.00", "a\x01,1.00", "a\x7F,1.00", "\xC3,1.00",
          "\xC0\x80,1.00", "\xE0\x80\x80,1.00", "\xED\xA0\x80,1.00", "\xEF\xBF\xBE,1.00",
          "\xF0\x9F\x98\x80,1.00", "\x80,1.00", "a,1.5x", "a 1.00", "a,1.234"}) {
        EXPECT_FALSE(RawReads(std::string("b,2.00\n") + text + "\n")) << text;
        // Also after a plain kind as long as its own, which the scan takes
        // without looking for the comma when a tuple repeats it.
        const size_t kind = std::string(text).find(',');
        if (kind != std::string::npos) {
            EXPECT_FALSE(RawReads(std::string(kind, 'b') + ",2.00\n" + text + "\n")) << text;
        }
    }
    // A kind of the same length that differs only in its last bytes, in a
    // list long enough for the quick look.
    std::string padding;
    for (int i = 0; i < 20; ++i) padding += u8"地表面,3.00\n";
    EXPECT_FALSE(
        RawReads(u8"地表面,1.00\n地表\xE9\x9D"
                 "A,2.00\n" +
                 padding));
    EXPECT_TRUE(RawReads(u8"\uFFFD,1.00 \u00A0,2 \uD7FF,3 \uE000,4"));
}

TEST(DemRawTupleTest, TheScanStopsAtTheMarkupAfterTheList) {
    // Short and long lists, so that the markup falls before and after the
    // middle of the text, which is read as two stretches.
    for (const size_t tuples : {1, 3, 1000}) {
        std::string list;
        for (size_t i = 0; i < tuples; ++i) list += u8"地表面,12.34\r\n";
        for (const size_t after : {0, 100, 100000}) {
            const std::string text = list + "</gml:tupleList>" + std::string(after, 'x') + "\n";
            std::vector<int32_t> values;
            CDemTuples scan(values, 5000);
            EXPECT_EQ(scan.ScanRaw(text.data(), text.data() + text.size()),
                      text.data() + list.size())
                << tuples << " tuples, " << after;
            EXPECT_EQ(scan.Count(), tuples);
            EXPECT_EQ(values[tuples - 1], 1234);
        }
    }
    // Tuples after the markup, where the second stretch starts, never take
    // the cells of those before it.
    std::string crowded = "a,1.00\na,2.00\na,3.00\n<x/>\n";
    for (int i = 0; i < 20; ++i) crowded += "b,9.00\n";
    std::vector<int32_t> values;
    CDemTuples scan(values, 3);
    if (scan.ScanRaw(crowded.data(), crowded.data() + crowded.size()) != nullptr) {
        ASSERT_EQ(scan.Count(), 3u);
        EXPECT_EQ(std::vector<int32_t>(values.begin(), values.begin() + 3),
                  (std::vector<int32_t>{100, 200, 300}));
    }
    // A tuple that runs into the markup is left to the parser.
    EXPECT_FALSE(RawReads("a,1.00\nb,2.00</x>\n"));
}

TEST(DemRawTupleTest, AFailedScanCountsNothing) {
    std::vector<int32_t> values;
    CDemTuples tuples(values, 100);
    const std::string text = "a,1.00\nb,2.00\nc&amp;,3.00\n";
    EXPECT_EQ(tuples.ScanRaw(text.data(), text.data() + text.size()), nullptr);
    EXPECT_EQ(tuples.Count(), 0u);
}

}  // namespace
