// Every table of texts, the tools' and the core's reasons: each message in
// both languages, taking the same arguments in each, the Japanese one wholly
// Japanese but for names.
#include "tools/ToolTexts.h"

#include <gtest/gtest.h>

#include <set>

#include "dem/DemTexts.h"
#include "elevation/ElevationTexts.h"
#include "framework/Cp932Text.h"
#include "framework/UiLanguage.h"
#include "report/ReportTexts.h"
#include "tools/MemTexts.h"
#include "undo/UndoTexts.h"

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

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The words a Japanese text may hold: names of programs, formats, files,
// reference systems and units, and values a file holds.
const std::set<std::string> kNames = {"zelvorin", "correct", "mem", "DEM", "GML",  "XML",
                                      "xml",      "zip",     "PNG", "dcm", "MAP",  "UNDO",
                                      "MiB",      "KiB",     "cm",  "Mac", "OS",   "JGD",
                                      "Linear",   "tokyo",   "jgd", "dev", "null", "Enter"};

// The ASCII words of a code page 932 text that are neither names nor option
// names: runs of letters, digits and '-' holding two letters in a row. The
// second bytes of double-byte characters, which may be letters, are skipped.
std::set<std::string> EnglishWordsOf(const std::string& text) {
    std::set<std::string> words;
    std::string word;
    const auto end = [&] {
        bool twoLetters = false;
        std::string letters;  // the word's runs of letters, one at a time
        bool named = kNames.count(word) != 0 || word.compare(0, 2, "--") == 0;
        for (size_t i = 0; !named && i <= word.size(); ++i) {
            if (i < word.size() && IsAsciiLetter(word[i])) {
                letters += word[i];
                continue;
            }
            if (letters.size() >= 2 && kNames.count(letters) == 0) twoLetters = true;
            letters.clear();
        }
        if (twoLetters) words.insert(word);
        word.clear();
    };
    for (size_t i = 0; i < text.size(); i += Cp932CharLength(text, i)) {
        const char c = text[i];
        if (Cp932CharLength(text, i) == 1 &&
            (IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '-')) {
            word += c;
        } else {
            end();
        }
    }
    end();
    return words;
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
    for (const std::string& word : EnglishWordsOf(pair.japanese))
        ADD_FAILURE() << what << ": the Japanese of \"" << pair.english << "\" holds \"" << word
                      << "\"";
}

TEST(TextTables, EveryToolMessageHasBothLanguagesWithTheSameArguments) {
    if (!kNarrowLiteralsAreCp932) GTEST_SKIP() << "narrow literals are not code page 932 here";
    for (int id = 0; id < static_cast<int>(ToolText::kCount); ++id)
        ExpectBothLanguages(ToolTextPair(static_cast<ToolText>(id)),
                            "tool text " + std::to_string(id));
}

TEST(TextTables, EveryMemMessageHasBothLanguagesWithTheSameArguments) {
    if (!kNarrowLiteralsAreCp932) GTEST_SKIP() << "narrow literals are not code page 932 here";
    for (int id = 0; id < static_cast<int>(MemText::kCount); ++id)
        ExpectBothLanguages(MemTextPair(static_cast<MemText>(id)),
                            "mem text " + std::to_string(id));
}

template <typename Id, typename PairOf>
void ExpectTable(const char* table, PairOf pairOf) {
    for (int id = 0; id < static_cast<int>(Id::kCount); ++id)
        ExpectBothLanguages(pairOf(static_cast<Id>(id)),
                            std::string(table) + " text " + std::to_string(id));
}

TEST(TextTables, EveryReasonHasBothLanguagesWithTheSameArguments) {
    if (!kNarrowLiteralsAreCp932) GTEST_SKIP() << "narrow literals are not code page 932 here";
    ExpectTable<DemText>("DEM", DemTextPair);
    ExpectTable<UndoText>("undo", UndoTextPair);
    ExpectTable<ElevationText>("elevation", ElevationTextPair);
    ExpectTable<ReportText>("report", ReportTextPair);
}

}  // namespace
