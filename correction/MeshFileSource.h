#pragma once

#include <string>
#include <vector>

#include "framework/FindFile.h"

// The mesh files a correction applies, in the order it applies them. A
// source can be walked more than once: the first walk counts, the second
// applies.
class IMeshFileSource {
  public:
    virtual ~IMeshFileSource() = default;

    // Starts a walk; true when there is a first entry.
    virtual bool First() = 0;
    virtual bool Next() = 0;
    // The current entry as the progress shows it, and its full path.
    virtual std::string EntryName() const = 0;
    virtual std::string EntryPath() const = 0;
    virtual void Close() = 0;

    // Walks the source once and returns the number of entries.
    int CountEntries();
};

// The entries of a folder that a correction applies.
constexpr const char* kMeshPattern = "*.mem";

// Every "*.mem" entry of a folder (case ignored), in the directory search's
// order. Entries are not tested for their kind: a folder so named is handed
// on like a file and fails to read.
class CFolderMeshFiles final : public IMeshFileSource {
  public:
    explicit CFolderMeshFiles(std::string folder);

    bool First() override;
    bool Next() override { return m_find.FindNext(); }
    std::string EntryName() const override { return m_find.GetFileName(); }
    std::string EntryPath() const override;
    void Close() override { m_find.Close(); }

  private:
    std::string m_strFolder;
    CFindFile m_find;
};

// Mesh files named one by one, in the order given.
class CListedMeshFiles final : public IMeshFileSource {
  public:
    explicit CListedMeshFiles(std::vector<std::string> paths) : m_paths(std::move(paths)) {}

    bool First() override;
    bool Next() override;
    std::string EntryName() const override;
    std::string EntryPath() const override { return m_paths[m_current]; }
    void Close() override {}

  private:
    std::vector<std::string> m_paths;
    size_t m_current = 0;
};
