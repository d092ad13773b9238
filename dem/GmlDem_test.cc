#include "dem/GmlDem.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "dem/DemProducts.h"
#include "dem/DemSample.h"

namespace {

const std::string kName = "FG-GML-5339-46-11-DEM5A-20161001.xml";

DemRead ReadHead(const std::string& text, size_t size, bool bWhole, DemHeader& header,
                 std::string& failure, const std::string& fileName = kName) {
    return ReadDemHead(reinterpret_cast<const uint8_t*>(text.data()), size, bWhole, fileName,
                       header, failure);
}

// Reads the text both ways, expecting the two to agree, and its head,
// expecting it to refuse the text as the whole read does or to give the
// header of a whole read that succeeds; gives what the fast way gave.
DemRead Read(const std::string& text, DemGrid& grid, std::string& failure,
             const std::string& fileName = kName) {
    const auto* data = reinterpret_cast<const uint8_t*>(text.data());
    DemGrid parsed;
    std::string parsedFailure;
    const DemRead read = ReadDemFile(data, text.size(), fileName, grid, failure);
    EXPECT_EQ(
        ReadDemFile(data, text.size(), fileName, parsed, parsedFailure, DemTupleScan::kParser),
        read);
    EXPECT_EQ(parsedFailure, failure);
    if (read == DemRead::kDem) {
        EXPECT_EQ(parsed.centimetres, grid.centimetres);
    }
    DemHeader head;
    std::string headFailure;
    const DemRead headRead = ReadHead(text, text.size(), true, head, headFailure, fileName);
    if (headRead != DemRead::kDem) {
        EXPECT_EQ(headRead, read);
        EXPECT_EQ(headFailure, failure);
    } else if (read == DemRead::kDem) {
        EXPECT_EQ(head.meshCode, grid.header.meshCode);
        EXPECT_EQ(head.product, grid.header.product);
        EXPECT_EQ(head.columns, grid.header.columns);
        EXPECT_EQ(head.rows, grid.header.rows);
        EXPECT_EQ(head.startColumn == kDemStartUnknown ? grid.header.startColumn : head.startColumn,
                  grid.header.startColumn);
    }
    return read;
}

// What a sample written with the default tuples holds.
std::vector<int32_t> Expected(const DemSample& s) {
    const size_t cells = static_cast<size_t>(s.columns) * s.rows;
    const size_t first = static_cast<size_t>(s.startRow) * s.columns + s.startColumn;
    const size_t count = s.tuples >= 0 ? static_cast<size_t>(s.tuples) : cells - first;
    std::vector<int32_t> values(cells, kDemNoData);
    for (size_t i = first; i < first + count; ++i)
        values[i] = DemSampleHeight(static_cast<int32_t>(i % s.columns),
                                    static_cast<int32_t>(i / s.columns));
    return values;
}

// A small sample of a 5 m file's extent: 9 by 6 cells.
DemSample Small() {
    DemSample s = DemSampleOf(DemProduct::k5A);
    s.columns = 9;
    s.rows = 6;
    return s;
}

void ExpectReads(const DemSample& s, const std::string& fileName = kName) {
    DemGrid grid;
    std::string failure;
    ASSERT_EQ(Read(BuildDemGml(s), grid, failure, fileName), DemRead::kDem) << failure;
    EXPECT_EQ(grid.header.columns, s.columns);
    EXPECT_EQ(grid.header.rows, s.rows);
    EXPECT_EQ(grid.header.startColumn, s.startColumn);
    EXPECT_EQ(grid.header.startRow, s.startRow);
    EXPECT_EQ(grid.centimetres, Expected(s));
}

// The read's result and failure for a text that a read must refuse.
std::string Refusal(const std::string& text, DemRead expected) {
    DemGrid grid;
    std::string failure;
    EXPECT_EQ(Read(text, grid, failure), expected) << failure;
    EXPECT_FALSE(failure.empty());
    return failure;
}

TEST(GmlDemProductTest, EachProductReadsWithItsGrid) {
    const struct {
        DemProduct product;
        const char* fileName;
    } table[] = {{DemProduct::k1m, "FG-GML-5339-46-11-DEM1A-20200101.xml"},
                 {DemProduct::k5A, "FG-GML-5339-46-11-DEM5A-20161001.xml"},
                 {DemProduct::k5B, "FG-GML-5339-46-11-DEM5B-20161001.xml"},
                 {DemProduct::k5C, "FG-GML-5339-46-11-DEM5C-20161001.xml"},
                 {DemProduct::k5C, "fg-gml-5339-46-11-dem5c-20161001.xml"},
                 {DemProduct::k10A, "FG-GML-5339-46-DEM10A-20161001.xml"},
                 {DemProduct::k10B, "FG-GML-5339-46-DEM10B-20161001.xml"}};
    for (auto t : table) {
        const DemSample s = DemSampleOf(t.product);
        DemGrid grid;
        std::string failure;
        ASSERT_EQ(Read(BuildDemGml(s), grid, failure, t.fileName), DemRead::kDem) << failure;
        EXPECT_EQ(grid.header.product, t.product) << t.fileName;
        EXPECT_EQ(grid.centimetres, Expected(s)) << t.fileName;
    }
}

TEST(GmlDemProductTest, GridsAndExtents) {
    DemGrid grid;
    std::string failure;
    ASSERT_EQ(Read(BuildDemGml(DemSampleOf(DemProduct::k5A)), grid, failure), DemRead::kDem);
    EXPECT_EQ(grid.header.meshCode, 53394611);
    EXPECT_EQ(grid.header.columns, 225);
    EXPECT_EQ(grid.header.rows, 150);
    EXPECT_EQ(grid.header.northMas - grid.header.southMas, 150 * 200) << "cells of 0.2\"";
    EXPECT_EQ(grid.header.eastMas - grid.header.westMas, 225 * 200);
    ASSERT_EQ(Read(BuildDemGml(DemSampleOf(DemProduct::k10B)), grid, failure), DemRead::kDem);
    EXPECT_EQ(grid.header.meshCode, 533946);
    EXPECT_EQ(grid.header.northMas - grid.header.southMas, 750 * 400) << "cells of 0.4\"";
    EXPECT_EQ(grid.header.eastMas - grid.header.westMas, 1125 * 400);
}

TEST(GmlDemTupleTest, StartPoints) {
    for (auto start : {std::pair<int, int>{0, 0}, {7, 0}, {0, 4}, {3, 2}, {8, 5}}) {
        DemSample s = Small();
        s.startColumn = start.first;
        s.startRow = start.second;
        ExpectReads(s);
        s.bRuleFirst = true;
        ExpectReads(s);
    }
}

TEST(GmlDemTupleTest, FilesThatEndEarly) {
    for (int64_t tuples : {0, 1, 10, 53}) {
        DemSample s = Small();
        s.tuples = tuples;
        ExpectReads(s);
        s.startColumn = 4;
        s.startRow = 1;
        s.tuples = tuples / 2;
        ExpectReads(s);
    }
    DemSample one = DemSampleOf(DemProduct::k10B);
    one.startColumn = 743;
    one.startRow = 639;
    one.tuples = 1;
    ExpectReads(one);
}

TEST(GmlDemTupleTest, TuplesBeyondTheGridMakeTheFileUnusable) {
    DemSample s = Small();
    s.tuples = 55;
    EXPECT_NE(Refusal(BuildDemGml(s), DemRead::kUnusable).find("more tuples"), std::string::npos);
    s.startColumn = 2;
    s.startRow = 3;
    s.tuples = 9 * 3 - 2 + 1;
    s.bRuleFirst = true;
    EXPECT_NE(Refusal(BuildDemGml(s), DemRead::kUnusable).find("run past"), std::string::npos);
    s.bRuleFirst = false;
    EXPECT_NE(Refusal(BuildDemGml(s), DemRead::kUnusable).find("run past"), std::string::npos);
    s.tuples -= 1;
    ExpectReads(s);
}

TEST(GmlDemTupleTest, ValuesKindsAndNoData) {
    DemSample s = Small();
    const std::vector<std::string> tuples = {
        u8"地表面,12.34", u8"表層面,-3.5",      u8"海水面,-9999.",
        u8"内水面,0.07",  u8"データなし,-9999", u8"その他,-9999.0",
        u8"海水面,-0.01", u8"地表面,3776.24",   u8"その他,-9999.01"};
    const std::vector<int32_t> expected = {1234,       -350, kDemNoData, 7,         kDemNoData,
                                           kDemNoData, -1,   377624,     kDemNoData};
    s.tuples = static_cast<int64_t>(tuples.size());
    s.tuple = [&](int32_t column, int32_t) { return tuples[column]; };
    DemGrid grid;
    std::string failure;
    ASSERT_EQ(Read(BuildDemGml(s), grid, failure), DemRead::kDem) << failure;
    EXPECT_EQ(std::vector<int32_t>(grid.centimetres.begin(), grid.centimetres.begin() + 9),
              expected);
}

TEST(GmlDemTupleTest, ATupleThatDoesNotReadNamesItself) {
    DemSample s = Small();
    s.tuple = [](int32_t column, int32_t row) {
        return column == 2 && row == 1 ? std::string(u8"地表面,1.234") : DemTupleText(100);
    };
    EXPECT_NE(Refusal(BuildDemGml(s), DemRead::kUnusable).find("tuple 12"), std::string::npos);
}

// What the fast path must leave to the parser, which must read it.
TEST(GmlDemTupleTest, EntitiesCommentsAndCDataGoThroughTheParser) {
    const struct {
        const char* tuple;
        int32_t centimetres;
    } table[] = {{u8"地表面&#44;1.25", 125},      {"&#x5730;&#x8868;&#x9762;,2.50", 250},
                 {"a&amp;b,-1.00", -100},         {"a,1.<!-- a comment -->75", 175},
                 {"<![CDATA[a,4.00]]>", 400},     {"a,5<?pi text?>.5", 550},
                 {"a,-99<!-- -->99.", kDemNoData}};
    for (auto t : table) {
        DemSample s = Small();
        s.tuple = [&](int32_t column, int32_t row) {
            return column == 3 && row == 4 ? std::string(t.tuple)
                                           : DemTupleText(DemSampleHeight(column, row));
        };
        std::vector<int32_t> expected = Expected(s);
        expected[4 * 9 + 3] = t.centimetres;
        DemGrid grid;
        std::string failure;
        ASSERT_EQ(Read(BuildDemGml(s), grid, failure), DemRead::kDem) << t.tuple << failure;
        EXPECT_EQ(grid.centimetres, expected) << t.tuple;
    }
}

TEST(GmlDemLayoutTest, ByteOrderMarkLineEndsSpacesAndOrder) {
    for (int variant = 0; variant < 16; ++variant) {
        DemSample s = Small();
        s.startColumn = 5;
        s.startRow = 1;
        s.tuples = 30;
        s.bBom = variant & 1;
        s.bCrLf = variant & 2;
        s.bDoubledSpaces = variant & 4;
        s.bRuleFirst = variant & 8;
        ExpectReads(s);
    }
}

TEST(GmlDemLayoutTest, FramesOfTheEnvelope) {
    for (const char* srs : {"fguuid:jgd2000.bl", "fguuid:jgd2011.bl", "fguuid:jgd2024.bl"}) {
        DemSample s = Small();
        s.srsName = srs;
        ExpectReads(s);
    }
    for (const char* srs : {"fguuid:jgd2011.xy9", "fguuid:tokyo.bl", "", "FGUUID:JGD2011.BL"}) {
        DemSample s = Small();
        s.srsName = srs;
        EXPECT_NE(Refusal(BuildDemGml(s), DemRead::kUnusable).find("reference system"),
                  std::string::npos)
            << srs;
    }
}

TEST(GmlDemHeaderTest, EnvelopeMustAgreeWithTheMeshCode) {
    DemSample s = Small();  // 35 40' 30" N, 139 45' 45" E to 35 41' N, 139 46' 30" E
    s.lowerCorner = "35.6750004 139.7625";
    s.upperCorner = "35.683333 139.775";
    ExpectReads(s);  // within 1e-6 degree
    for (const auto& corners :
         std::vector<std::pair<std::string, std::string>>{{"35.675002 139.7625", ""},
                                                          {"35.675 139.7626", ""},
                                                          {"", "35.69 139.775"},
                                                          {"", "35.683333333 139.776"},
                                                          {"139.7625 35.675", ""},
                                                          {"35.675", ""},
                                                          {"35.675 139.7625 0", ""},
                                                          {"35,675 139.7625", ""}}) {
        DemSample bad = Small();
        bad.lowerCorner = corners.first;
        bad.upperCorner = corners.second;
        EXPECT_NE(Refusal(BuildDemGml(bad), DemRead::kUnusable).find("envelope"), std::string::npos)
            << corners.first << " / " << corners.second;
    }
    DemSample otherMesh = Small();
    otherMesh.mesh = "53394612";
    otherMesh.lowerCorner = "35.675 139.7625";
    otherMesh.upperCorner = "35.683333333 139.775";
    Refusal(BuildDemGml(otherMesh), DemRead::kUnusable);
}

TEST(GmlDemHeaderTest, OnlyALinearPlusXMinusYSequence) {
    DemSample s = Small();
    s.sequenceOrder = "+x+y";
    EXPECT_NE(Refusal(BuildDemGml(s), DemRead::kUnusable).find("+x-y"), std::string::npos);
    std::string text = BuildDemGml(Small());
    text.replace(text.find(">Linear<"), 8, ">Other<");
    Refusal(text, DemRead::kUnusable);
}

// A header field is read to a bound, whatever the file holds: one longer
// is refused as such, never gathered whole.
TEST(GmlDemHeaderTest, AHeaderFieldLongerThanItsBoundIsRefused) {
    const std::string text = BuildDemGml(Small());
    const size_t mesh = text.find("<mesh>") + 6;
    EXPECT_NE(Refusal(std::string(text).insert(mesh, std::string(1000, ' ')), DemRead::kUnusable)
                  .find("the text of <mesh> is too long"),
              std::string::npos);
}

TEST(GmlDemHeaderTest, GridAndStartPointChecked) {
    std::string text = BuildDemGml(Small());
    for (const char* low : {"<gml:low>1 0", "<gml:low>0 1"})
        EXPECT_NE(Refusal(std::string(text).replace(text.find("<gml:low>0 0"), 12, low),
                          DemRead::kUnusable)
                      .find("not at 0 0"),
                  std::string::npos)
            << low;
    Refusal(std::string(text).replace(text.find("<gml:high>8 5"), 13, "<gml:high>8"),
            DemRead::kUnusable);
    Refusal(std::string(text).replace(text.find("<gml:high>8 5"), 13, "<gml:high>16384 5"),
            DemRead::kUnusable);
    Refusal(std::string(text).replace(text.find("<gml:high>8 5"), 13, "<gml:high>4096 4096"),
            DemRead::kUnusable);
    for (const char* start : {"9 0", "0 6", "-1 0", "0"}) {
        const size_t at = text.find("<gml:startPoint>0 0");
        EXPECT_NE(
            Refusal(std::string(text).replace(at, 19, std::string("<gml:startPoint>") + start),
                    DemRead::kUnusable)
                .find("start point"),
            std::string::npos)
            << start;
    }
    Refusal(std::string(text).replace(text.find("<mesh>53394611"), 14, "<mesh>53394"),
            DemRead::kUnusable);
}

TEST(GmlDemHeaderTest, EachMissingPartIsNamed) {
    const std::string text = BuildDemGml(Small());
    for (const char* name : {"type", "mesh", "gml:lowerCorner", "gml:upperCorner", "gml:low",
                             "gml:high", "gml:sequenceRule", "gml:startPoint", "gml:tupleList"}) {
        std::string cut = text;
        const std::string open = std::string("<") + name;
        const std::string close = std::string("</") + name + ">";
        const size_t from =
            cut.find(open + ">") != std::string::npos ? cut.find(open + ">") : cut.find(open + " ");
        cut.erase(from, cut.find(close) + close.size() - from);
        const std::string failure = Refusal(cut, DemRead::kUnusable);
        const std::string local = std::string(name).substr(std::string(name).find(':') + 1);
        EXPECT_NE(failure.find("no <" + local + ">"), std::string::npos) << name << ": " << failure;
    }
    std::string box = text;
    for (size_t at; (at = box.find("gml:Envelope")) != std::string::npos;)
        box.replace(at, 12, "gml:Box");
    EXPECT_NE(Refusal(box, DemRead::kUnusable).find("no <Envelope>"), std::string::npos);
}

TEST(GmlDemHeaderTest, PartsTwiceAreRefused) {
    const std::string text = BuildDemGml(Small());
    for (const char* part : {"<mesh>53394611</mesh>", "<gml:startPoint>0 0</gml:startPoint>",
                             "<gml:tupleList>a,1</gml:tupleList>"}) {
        std::string twice = text;
        twice.insert(twice.find("</coverage>"), part);
        EXPECT_NE(Refusal(twice, DemRead::kUnusable).find("more than one"), std::string::npos)
            << part;
    }
    std::string twoDems = text;
    twoDems.insert(twoDems.find("</Dataset>"), "<DEM></DEM>");
    Refusal(twoDems, DemRead::kUnusable);
}

TEST(GmlDemHeaderTest, UnknownTypeIsToldApart) {
    DemSample s = Small();
    s.type = u8"2mメッシュ（標高）";
    Refusal(BuildDemGml(s), DemRead::kUnknownType);
    s.type = u8"5mメッシュ（標高） ";  // white space around is no part of it
    ExpectReads(s);
}

TEST(GmlDemHeaderTest, ABaseMapFileWithoutADemIsToldApart) {
    const std::string adminArea =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Dataset "
        "xmlns:gml=\"http://www.opengis.net/gml/3.2\" gml:id=\"Dataset1\">\r\n"
        "\t<AdmArea gml:id=\"K1\"><type>"
        u8"市区町村"
        "</type><gml:tupleList>x</gml:tupleList>"
        "</AdmArea>\r\n</Dataset>\r\n";
    EXPECT_NE(Refusal(adminArea, DemRead::kNotDem).find("no DEM"), std::string::npos);
    // A DEM deeper than the dataset's children is not the dataset's DEM.
    Refusal("<Dataset><a><DEM/></a></Dataset>", DemRead::kNotDem);
}

TEST(GmlDemDocumentTest, BrokenDocumentsAreUnusable) {
    const std::string text = BuildDemGml(Small());
    for (size_t cut : {size_t{0}, size_t{10}, text.find("<gml:tupleList") + 5,
                       text.find("</gml:tupleList") - 3, text.size() - 4}) {
        const std::string failure = Refusal(text.substr(0, cut), DemRead::kUnusable);
        EXPECT_NE(failure.find("not well-formed"), std::string::npos) << cut << ": " << failure;
    }
    std::string mismatched = text;
    mismatched.replace(mismatched.find("</gml:tupleList>"), 16, "</gml:tupleLizt>");
    EXPECT_NE(Refusal(mismatched, DemRead::kUnusable).find("not well-formed"), std::string::npos);
    std::string child = text;
    child.insert(child.find("</gml:tupleList>"), "<x/>");
    EXPECT_NE(Refusal(child, DemRead::kUnusable).find("inside <tupleList>"), std::string::npos);
    std::string doctype = text;
    doctype.insert(doctype.find("<Dataset"), "<!DOCTYPE Dataset [<!ENTITY e \"1.00\">]>");
    EXPECT_NE(Refusal(doctype, DemRead::kUnusable).find("document type"), std::string::npos);
}

// Where the head ends: just after the DEM's tuple list's start tag.
size_t HeadEnd(const std::string& text) { return text.find('>', text.find("<gml:tupleList")) + 1; }

TEST(GmlDemHeadTest, TheHeadEndsAtTheTupleListsStartTagWhereverTheBytesAreCut) {
    DemSample s = Small();
    s.startColumn = 3;
    s.startRow = 2;
    for (bool bRuleFirst : {false, true}) {
        s.bRuleFirst = bRuleFirst;
        const std::string text = BuildDemGml(s);
        const size_t end = HeadEnd(text);
        // Every cut, one byte at a time, as inflating may hand the bytes on.
        for (size_t cut = 0; cut <= end + 3; ++cut) {
            DemHeader head;
            std::string failure;
            const DemRead read = ReadHead(text, cut, false, head, failure);
            if (cut < end) {
                ASSERT_EQ(read, DemRead::kNeedMore) << cut << ": " << failure;
                continue;
            }
            ASSERT_EQ(read, DemRead::kDem) << cut << ": " << failure;
            EXPECT_EQ(head.meshCode, 53394611);
            EXPECT_EQ(head.product, DemProduct::k5A);
            EXPECT_EQ(head.columns, 9);
            EXPECT_EQ(head.rows, 6);
            EXPECT_EQ(head.startColumn, bRuleFirst ? 3 : kDemStartUnknown);
            EXPECT_EQ(head.startRow, bRuleFirst ? 2 : kDemStartUnknown);
        }
    }
}

TEST(GmlDemHeadTest, TheTuplesAndWhatFollowsThemAreLeftToTheWholeRead) {
    DemSample s = Small();
    s.tuple = [](int32_t, int32_t) { return std::string("not a tuple"); };
    std::string text = BuildDemGml(s);
    text.erase(HeadEnd(text) + 20);  // and no end
    DemHeader head;
    std::string failure;
    EXPECT_EQ(ReadHead(text, text.size(), false, head, failure), DemRead::kDem) << failure;
    EXPECT_EQ(ReadHead(text, text.size(), true, head, failure), DemRead::kDem) << failure;

    // A start point or sequence rule after the list: the head has no word
    // of it, the whole read refuses it.
    DemSample outside = Small();
    outside.startColumn = 9;
    DemGrid grid;
    const std::string rule = std::string(">Linear<");
    const std::string badStart = BuildDemGml(outside);
    std::string badRule = BuildDemGml(Small());
    badRule.replace(badRule.find(rule), rule.size(), ">Other<");
    for (const std::string& bad : {badStart, badRule}) {
        EXPECT_EQ(ReadHead(bad, bad.size(), true, head, failure), DemRead::kDem) << failure;
        EXPECT_EQ(head.startColumn, kDemStartUnknown);
        EXPECT_EQ(Read(bad, grid, failure), DemRead::kUnusable);
    }
    // Before the list the head checks them.
    outside.bRuleFirst = true;
    const std::string earlyStart = BuildDemGml(outside);
    std::string earlyRule = BuildDemGml(outside);
    earlyRule.replace(earlyRule.find(rule), rule.size(), ">Other<");
    earlyRule.replace(earlyRule.find(">9 0<"), 5, ">0 0<");
    EXPECT_EQ(ReadHead(earlyStart, HeadEnd(earlyStart), false, head, failure), DemRead::kUnusable);
    EXPECT_NE(failure.find("start point"), std::string::npos) << failure;
    EXPECT_EQ(ReadHead(earlyRule, HeadEnd(earlyRule), false, head, failure), DemRead::kUnusable);
    EXPECT_NE(failure.find("Linear"), std::string::npos) << failure;
}

TEST(GmlDemHeadTest, WhatTheHeadMustHoldComesBeforeTheTupleList) {
    // The mesh moved after the list: refused by both reads alike.
    std::string text = BuildDemGml(Small());
    const std::string mesh = "<mesh>53394611</mesh>";
    text.erase(text.find(mesh), mesh.size());
    text.insert(text.find("</coverage>"), mesh);
    EXPECT_NE(Refusal(text, DemRead::kUnusable).find("no <mesh> before its <tupleList>"),
              std::string::npos);
    // A document without a tuple list is known only at its end.
    const std::string other = "<Dataset><AdmArea><type>a</type></AdmArea></Dataset>";
    DemHeader head;
    std::string failure;
    EXPECT_EQ(ReadHead(other, other.size(), false, head, failure), DemRead::kNeedMore);
    EXPECT_EQ(ReadHead(other, other.size(), true, head, failure), DemRead::kNotDem);
}

}  // namespace
