#pragma once

// Why a mesh file cannot be used or a map cannot be corrected, in English
// and Japanese, one id each: the user's language chooses
// (framework/UiLanguage.h).
#include <string>

struct TextPair;

enum class ElevationText {
    // A mesh file (MeshReader.cc), said of the file named before it.
    kMeshEmpty,
    kMeshCutShort,
    kMeshCodeNegative,
    // A map (TileIndex.cc).
    kMapShorterThanHeader,
    kTileCountNegative,
    kIndexOffsetNegative,
    kIndexPastEnd,
    kKindNotZero,
    kNotCorrectable,
    kEndsInsideIndex,
    kCount
};

// Both texts of id.
const TextPair& ElevationTextPair(ElevationText id);
// The text id in the user's language, in system text.
std::string SayElevation(ElevationText id);
