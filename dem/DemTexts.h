#pragma once

// The reasons and warnings the DEM's readers give, in English and Japanese,
// one id each: the user's language chooses (framework/UiLanguage.h). The
// arguments are system text: display names, numbers, texts of the file
// shown as they are, libraries' own messages.
#include <string>
#include <vector>

struct TextPair;

enum class DemText {
    // The zips (DemArchive.cc) and the DEM files named (DemSources.cc).
    kZipDamaged,  // %1 the zip or member, %2 libarchive's message
    kZipUnreadable,
    kMemberTooLarge,
    kFileTooLarge,
    kFourthZipLevel,
    kAppleDouble,
    kNeitherDemNorZip,
    kZipNamesRefused,  // %1 libarchive's message
    kCannotSpill,      // %1 the zip, %2 the system's reason
    kBytes,
    // The command line's sources (SourceList.cc).
    kMixedKinds,
    kDoesNotExist,
    kFolderHoldsNeither,
    kNoSourceGiven,
    // The first look and the run (DemPlan.cc, DemSquares.cc).
    kPassedOver,
    kReplacedByLater,
    kSourcesChanged,
    kFileChanged,
    kUnknownTupleKind,
    // The GML reader (GmlDem.cc); %1 an element's name where one is given.
    kBytesEndBeforeTuples,
    kNoDemElement,
    kNoElement,
    kNoElementBefore,
    kDoctype,
    kNotWellFormed,  // %1 the byte, %2 expat's message
    kElementInside,
    kMoreThanOneDem,
    kMoreThanOne,
    kUnknownType,
    kFieldTooLong,
    kTuplesPastGrid,
    // The header's texts (DemHeaderText.cc, DemMesh.cc, DemProducts.cc).
    kGridStart,
    kGridLastCell,
    kReferenceSystem,
    kEnvelopeNotMesh,
    kSequenceRule,
    kStartPoint,
    kMeshCodeLength,
    kMeshCodeNotDigits,
    kMeshCodeSecondLevel,
    kGridNotProduct,
    // The tuple list (DemTuples.cc).
    kTupleTooLong,
    kTupleNoComma,
    kTupleNoKind,
    kTupleKindNumber,
    kTupleNotHeight,
    kTupleImpossible,
    kTooManyTuples,
    // The resampling (SquareResampler.cc).
    kGridUnknownProduct,
    kGridCountsDiffer,
    kGridExtent,
    kGridValueBeyond,
    kGridSumsInexact,
    kGridOtherUnit,
    kGridTooFine,
    kCount
};

// Both texts of id.
const TextPair& DemTextPair(DemText id);
// The text id in the user's language, in system text, with the arguments
// (system text) put in.
std::string SayDem(DemText id, const std::vector<std::string>& args = {});
