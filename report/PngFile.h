#pragma once

#include <cstdint>
#include <string>

#include "framework/LargeArray.h"

// True when a file can be written at path: it exists and opens for writing,
// or it can be created. Leaves the file system as it found it: a file this
// check created is removed again, one that was there is neither truncated nor
// changed. False with the system's reason (strerror) otherwise.
bool CanCreateFile(const std::string& path, std::string& error);

// True when the file at path is a regular file that begins with a PNG
// file's signature: an older picture, which a run without one may remove.
// Nothing else is opened, so that a FIFO or a device is never waited on.
bool HoldsPicture(const std::string& path);

// An 8-bit RGB image of width x height pixels, rows from the top, held as a
// PNG file holds its rows before compression: each row a filter byte (none)
// and three bytes a pixel. Drawn into in place, it goes to the compressor
// without a copy.
class CRgbImage {
  public:
    CRgbImage(int width, int height);
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    // The 3 x Width() bytes of row y, from the west.
    uint8_t* Row(int y) { return &m_bytes[static_cast<size_t>(y) * Stride() + 1]; }
    const uint8_t* Row(int y) const { return &m_bytes[static_cast<size_t>(y) * Stride() + 1]; }
    // Every row with its filter byte, one after another, Stride() bytes each.
    const CLargeArray<uint8_t>& Scanlines() const { return m_bytes; }
    size_t Stride() const { return 1 + 3 * static_cast<size_t>(m_nWidth); }
    // See CLargeArray::PrepareForWriting.
    void PrepareForWriting() { m_bytes.PrepareForWriting(); }

  private:
    int m_nWidth;
    int m_nHeight;
    CLargeArray<uint8_t> m_bytes;
};

// The image data of a PNG file is one zlib stream of the rows. It is made
// in two parts that can be made at once, on two threads, each at a fastest
// level: the opening rows, ended by a sync flush, and the rest, which ends
// the stream and refers to nothing before it. A part of no deflated bytes
// could not be made: memory ran out.
struct PngPart {
    // Room for the most the rows could deflate to, in memory the system
    // gives zeroed and in large pages: a buffer of megabytes that costs no
    // pass to clear and few page faults. Its first `size` bytes are the part.
    CLargeArray<uint8_t> deflated;
    size_t size = 0;
    uint32_t adler = 1;  // the Adler-32 of its rows
    size_t rowBytes = 0;
};
PngPart CompressOpening(const CRgbImage& image, int rows);
PngPart CompressRest(const CRgbImage& image, int fromRow);
// About how many rows of an image of height rows go into the opening part:
// with the rows drawn before each part, both end at about the same time on
// two threads (where one compressor is the slower, it has the fewer).
int OpeningRows(int height);

// Writes image as a PNG file at path, replacing what was there, its rows
// compressed as opening and rest. False with the system's reason (or, in
// the user's language, the encoder's with libpng's message) when a part is
// missing or the file cannot be opened, written or closed; a file that was
// opened may then be incomplete.
bool WriteRgbPng(const std::string& path, const CRgbImage& image, const PngPart& opening,
                 const PngPart& rest, std::string& error);
