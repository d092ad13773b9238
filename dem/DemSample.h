#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "dem/DemGrid.h"

// Writes DEM GML text laid out as the survey's files are, for tests,
// benchmarks and fuzzing seeds.

// The text of the tuple for a cell: column and row count on past the
// grid's end when a sample writes more tuples than it has cells.
using DemTupleMaker = std::function<std::string(int32_t column, int32_t row)>;

struct DemSample {
    std::string mesh = "53394611";  // the <mesh> text
    std::string type;               // the <type> text, UTF-8
    int32_t columns = 225, rows = 150;
    int32_t startColumn = 0, startRow = 0;
    int64_t tuples = -1;  // how many to write; -1: to the grid's last cell
    DemTupleMaker tuple;  // empty: DemTupleText(DemSampleHeight(column, row))
    std::string srsName = "fguuid:jgd2011.bl";
    std::string sequenceOrder = "+x-y";
    std::string lowerCorner, upperCorner;  // empty: the mesh code's corners
    bool bBom = false;
    bool bCrLf = true;
    bool bDoubledSpaces = false;  // between a tag's name and attributes, and before '>'
    // The sequence rule and start point before the tuple list; the survey's
    // files have them after it.
    bool bRuleFirst = false;
};

// A sample of the product's usual grid and <type>, on mesh 533946 (10 m
// products) or 53394611 (the others).
DemSample DemSampleOf(DemProduct product);

// The document's text.
std::string BuildDemGml(const DemSample& sample);

// A tuple as the survey writes it: "地表面,12.34", or "データなし,-9999."
// for kDemNoData (UTF-8).
std::string DemTupleText(int32_t centimetres);

// A made-up height in centimetres for a cell, with negative values, values
// of one and two decimals and cells without data among them.
int32_t DemSampleHeight(int32_t column, int32_t row);
