// The tools' and the report's tables of texts: each message in both
// languages, taking the same arguments in each.
#include "tools/ToolTexts.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include "framework/UiLanguage.h"
#include "report/ReportTexts.h"
#include "tools/MemTexts.h"

namespace {

// The numbers of the arguments a template takes ("%1" to "%9"; "%%" none).
std::multiset<char> ArgumentsOf(const std::string& text) {
    std::multiset<char> numbers;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '%') continue;
        if (text[i + 1] >= '1' && text[i + 1] <= '9') numbers.insert(text[i + 1]);
        ++i;
    }
    return numbers;
}

// The ASCII words a Japanese text may hold: names of programs, formats,
// options, units and the datums, never English prose.
const std::set<std::string> kNames = {
    "zelvorin", "correct", "mem", "sample", "DEM", "GML", "XML", "xml", "zip", "PNG", "png",
    "dcm", "MAP", "UNDO", "MiB", "KiB", "tokyo", "jgd", "help", "restore", "force", "dry",
    "run", "undo", "map", "datum", "report", "picture", "Enter", "RMS", "dev", "null", "Mac",
    "OS", "MACOSX", "DEM5A", "DEM5B", "DEM5C", "DEM10A", "DEM10B", "DEM1A"};

// The first ASCII word of two letters or more in text outside kNames, or
// "" for none.
std::string EnglishWordIn(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            i += 2;  // code page 932: a double-byte character's second byte may be a letter
            continue;
        }
        if (!std::isalpha(c)) {
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < text.size() && std::isalnum(static_cast<unsigned char>(text[i]))) ++i;
        const std::string word = text.substr(start, i - start);
        // A placeholder's plural ("%s1") and single letters are no words.
        if (word.size() >= 2 && kNames.count(word) == 0 && !(start > 0 && text[start - 1] == '%'))
            return word;
    }
    return "";
}

void ExpectBothLanguages(const TextPair& pair, const std::string& what) {
    ASSERT_NE(pair.english, nullptr) << what;
    ASSERT_NE(pair.japanese, nullptr) << what;
    EXPECT_EQ(ArgumentsOf(pair.english), ArgumentsOf(pair.japanese))
        << what << ": \"" << pair.english << "\" and its Japanese take other arguments";
    // Only the bare prefix before someone else's text reads the same.
    if (ArgumentsOf(pair.english).size() != 1 || std::string(pair.english).size() > 20) {
        EXPECT_STRNE(pair.english, pair.japanese) << what << " is not translated";
    }
    EXPECT_EQ(EnglishWordIn(pair.japanese), "") << what << ": \"" << pair.japanese << "\"";
}

TEST(TextTables, EveryToolMessageHasBothLanguagesWithTheSameArguments) {
    for (int id = 0; id < static_cast<int>(ToolText::kCount); ++id)
        ExpectBothLanguages(ToolTextPair(static_cast<ToolText>(id)),
                            "tool text " + std::to_string(id));
}

TEST(TextTables, EveryMemMessageHasBothLanguagesWithTheSameArguments) {
    for (int id = 0; id < static_cast<int>(MemText::kCount); ++id)
        ExpectBothLanguages(MemTextPair(static_cast<MemText>(id)),
                            "mem text " + std::to_string(id));
}

TEST(TextTables, EveryReportMessageHasBothLanguagesWithTheSameArguments) {
    for (int id = 0; id < static_cast<int>(ReportText::kCount); ++id)
        ExpectBothLanguages(ReportTextPair(static_cast<ReportText>(id)),
                            "report text " + std::to_string(id));
}

}  // namespace
