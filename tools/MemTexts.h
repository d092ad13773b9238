#pragma once

// zelvorin-mem's own messages, in English and Japanese, one id each, as
// ToolTexts.h keeps zelvorin-correct's; the --help text is English only.
#include <string>
#include <vector>

struct TextPair;

enum class MemText {
    kPlain,  // "zelvorin-mem: " before a text of someone else's
    kMapNeeded,
    kOperandsNeeded,
    kMeshSources,
    kNotAFolder,
    kFolderNotEmpty,
    kCannotMakeFolder,
    kCannotOpenMap,
    kCannotUseMap,
    kIndexTooLarge,
    kNoDem,
    kDemNotUsed,
    kStoppedBeforeWriting,
    kDemWarning,
    kCannotUseDem,
    kStopped,
    kStoppedInFile,
    kFailed,
    kValuesNotCarried,
    kResult,
    kResultStopped,
    kCount
};

// Both texts of id.
const TextPair& MemTextPair(MemText id);
// The message id in the user's language, in system text, with the
// arguments (system text) put in.
std::string Say(MemText id, const std::vector<std::string>& args = {});
