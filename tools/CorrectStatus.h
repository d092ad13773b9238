#pragma once

// zelvorin-correct's exit statuses beside those the tools share
// (tools/ToolCommon.h), as its help lists them.
enum CorrectStatus {
    kExitCannotOpen = 3,
    kExitRejected = 4,
    kExitNoMeshFiles = 5,
    kExitUnusableMesh = 6,
    kExitFileError = 7,
    kExitUndoFile = 8,
    kExitOutputFile = 9,
};
