#pragma once

#include <memory>
#include <string>

#include "framework/File.h"

// A file of the run's own in the system's temporary folder, under a name
// made afresh (another process may hold one of the same stem), removed when
// the object goes: on every way a run ends that unwinds, a stop request and
// 中止 among them.
class CTempFile {
  public:
    // Makes the file; throws CFileException when the folder refuses it.
    explicit CTempFile(const std::string& stem);
    ~CTempFile();
    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;

    CFile& File() { return *m_file; }

  private:
    std::unique_ptr<CFile> m_file;
    std::string m_strPath;
};
