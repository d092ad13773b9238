#include "elevation/TextModeLines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/MemoryFile.h"

namespace {

std::vector<std::string> Pieces(const std::string& text,
                                size_t bufferSize = CTextModeLines::kMinBuffer) {
    CMemoryFile file(std::vector<uint8_t>(text.begin(), text.end()));
    std::vector<char> buffer(bufferSize);
    CTextModeLines lines(file, buffer.data(), buffer.size());
    std::vector<std::string> out;
    std::string_view piece;
    while (lines.Next(piece)) out.emplace_back(piece);
    return out;
}

using Lines = std::vector<std::string>;

TEST(TextModeLinesTest, CarriageReturnIsDroppedOnlyBeforeALineFeed) {
    EXPECT_EQ(Pieces("ab\r\ncd\n"), (Lines{"ab", "cd"}));
    EXPECT_EQ(Pieces("a\rb\r\r\n"), (Lines{"a\rb\r"}));
    EXPECT_EQ(Pieces("tail\r"), (Lines{"tail\r"})) << "a lone final CR stays";
    EXPECT_EQ(Pieces("last line"), (Lines{"last line"}));
    EXPECT_EQ(Pieces("\n\r\n"), (Lines{"", ""}));
    EXPECT_TRUE(Pieces("").empty());
}

TEST(TextModeLinesTest, CtrlZEndsTheFile) {
    EXPECT_EQ(Pieces("one\r\ntw\x1Ao\r\nthree\r\n"), (Lines{"one", "tw"}));
    EXPECT_TRUE(Pieces("\x1A"
                       "after")
                    .empty());
}

TEST(TextModeLinesTest, LongLinesComeInPiecesOf2047) {
    const std::string exact(2047, 'x');
    EXPECT_EQ(Pieces(std::string(2046, 'x') + "\r\n"), (Lines{std::string(2046, 'x')}));
    // 2047 characters leave no room for the line feed in the same read.
    EXPECT_EQ(Pieces(exact + "\r\n"), (Lines{exact, ""}));
    EXPECT_EQ(Pieces(exact + "yy\n"), (Lines{exact, "yy"}));
    EXPECT_EQ(Pieces(std::string(5000, 'z')),
              (Lines{std::string(2047, 'z'), std::string(2047, 'z'), std::string(906, 'z')}));
}

TEST(TextModeLinesTest, LinesAcrossReadBoundariesAreWhole) {
    // Lines of 1009 characters plus CR LF straddle the reads at many
    // different places, CR and LF split among them.
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += std::string(1009, static_cast<char>('a' + i % 26)) + "\r\n";
    for (size_t size : {size_t{4096}, size_t{4097}, size_t{65536}}) {
        const Lines pieces = Pieces(text, size);
        ASSERT_EQ(pieces.size(), 300u);
        for (int i = 0; i < 300; ++i)
            ASSERT_EQ(pieces[i], std::string(1009, static_cast<char>('a' + i % 26)))
                << i << " " << size;
    }
    const std::string split = std::string(4095, 'q') + "\r\nnext\r\n";
    EXPECT_EQ(Pieces(split), (Lines{std::string(2047, 'q'), std::string(2047, 'q'), "q", "next"}));
}

}  // namespace
