#pragma once

#include <cstdint>
#include <memory>
#include <string>

// How a file is opened. The first two open an existing file only: nothing is
// created or truncated.
enum class FileAccess {
    kReadShared,          // read only; others may read and write meanwhile
    kReadWriteExclusive,  // read and write; no one else may open it meanwhile
    kCreateNew,           // a new file, read and write; fails when the path exists;
                          // its name is on disk when the open returns
    kCreateTemporary,     // the same, for this process alone, removed by the system
                          // when it is closed or the process ends however it ends
};

// A binary file. Every operation either does all it was asked or throws
// CFileException naming the path and the operation; only Read may do less,
// and then only because the end of the file was reached.
class CFile {
  public:
    virtual ~CFile() = default;

    // Reads up to count bytes at the current position; returns how many were
    // read, fewer than count only at the end of the file.
    virtual uint32_t Read(void* buffer, uint32_t count) = 0;
    // Moves to a position counted from the start; a negative one throws.
    virtual void Seek(int64_t position) = 0;
    // Writes count bytes at the current position, all of them or throws.
    virtual void Write(const void* buffer, uint32_t count) = 0;
    virtual uint64_t GetLength() = 0;
    // Writes what was written so far through to the disk.
    virtual void Sync() = 0;

    // Read and Write at a position counted from the start; the current
    // position afterwards is unspecified. Backends that can do it in one
    // call do.
    virtual uint32_t ReadAt(int64_t position, void* buffer, uint32_t count) {
        Seek(position);
        return Read(buffer, count);
    }
    virtual void WriteAt(int64_t position, const void* buffer, uint32_t count) {
        Seek(position);
        Write(buffer, count);
    }
    // True when ReadAt may run on another thread while this one calls ReadAt
    // and WriteAt (at other positions): each then reads at its own position,
    // with no current position between them.
    virtual bool ReadAtIsThreadSafe() const { return false; }
    // Releases the file; further calls throw. The destructor closes too,
    // but swallows errors.
    virtual void Close() = 0;

    virtual const std::string& GetFilePath() const = 0;
};

// Opens an existing file on disk, or creates one for kCreateNew; throws
// CFileException (kOpen) on failure, including when a kReadWriteExclusive
// file is held by someone else and when a kCreateNew path exists.
std::unique_ptr<CFile> OpenFile(const std::string& path, FileAccess access);
