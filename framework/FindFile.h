#pragma once

#include <memory>
#include <string>

// Directory search by wildcard pattern ("dir/ *.mem"): the pattern's last
// component may hold '*' and '?', matched without regard to the case of
// ASCII letters. Windows returns entries in its own order; the POSIX backend
// sorts them (bytewise, case folded) so that runs repeat.
class CFindFile {
  public:
    CFindFile();
    ~CFindFile();
    CFindFile(const CFindFile&) = delete;
    CFindFile& operator=(const CFindFile&) = delete;

    // Starts a search; true when there is a first entry, which is then current.
    bool FindFirst(const std::string& pattern);
    // Moves to the next entry; false when there is none.
    bool FindNext();
    // The current entry's bare name.
    const std::string& GetFileName() const;
    void Close();

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
