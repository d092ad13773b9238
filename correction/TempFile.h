#pragma once

#include <memory>
#include <string>

#include "framework/File.h"

// A file of the run's own in the system's temporary folder, under a name
// made afresh (another process may hold one of the same stem), removed by
// the system when the object goes or the process ends, however it ends (a
// stop request, 中止, a crash).
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
};
