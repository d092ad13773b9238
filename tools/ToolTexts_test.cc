// The tools' and the report's tables of texts: each message in both
// languages, taking the same arguments in each.
#include "tools/ToolTexts.h"

#include <gtest/gtest.h>

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

void ExpectBothLanguages(const TextPair& pair, const std::string& what) {
    ASSERT_NE(pair.english, nullptr) << what;
    ASSERT_NE(pair.japanese, nullptr) << what;
    EXPECT_EQ(ArgumentsOf(pair.english), ArgumentsOf(pair.japanese))
        << what << ": \"" << pair.english << "\" and its Japanese take other arguments";
    // Only the bare prefix before someone else's text reads the same.
    if (ArgumentsOf(pair.english).size() != 1 || std::string(pair.english).size() > 20) {
        EXPECT_STRNE(pair.english, pair.japanese) << what << " is not translated";
    }
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
