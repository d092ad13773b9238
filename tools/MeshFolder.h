#pragma once

#include <cstdint>
#include <string>

// The folder that zelvorin-mem writes its mesh files into, one file a
// square, named by its mesh code ("523943.mem"). A file is written whole
// under a name that no search for "*.mem" finds, in any case and on any
// system (".523943.mem.part"), made durable, and then given its name: a
// reader of the folder sees a file whole or not at all.
class CMeshFolder {
  public:
    explicit CMeshFolder(std::string path) : m_strPath(std::move(path)) {}

    // What is at the folder's path before a run.
    enum class State { kMissing, kEmpty, kNotEmpty, kNotAFolder };
    State Look() const;
    // Makes the folder; false, with the system's reason in why, when it
    // cannot.
    bool Make(std::string& why) const;

    // Writes text as the file of meshCode and returns its path. Throws
    // CFileException when it cannot, with no file of that name made and the
    // part written removed.
    std::string Write(int32_t meshCode, const std::string& text) const;

  private:
    std::string PathOf(const std::string& name) const;

    std::string m_strPath;
};
