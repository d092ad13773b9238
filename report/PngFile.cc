#include "report/PngFile.h"

#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/FileSystem.h"
#include "report/ReportTexts.h"

namespace {

// What the write callbacks learn; plain data, since libpng leaves its error
// handler by longjmp.
struct PngSink {
    FILE* file;
    int nErrno;           // the system's error of a failed write, 0 if none
    char szMessage[128];  // libpng's own message otherwise
    bool bNoMemory;       // libpng could not make its structures
};

PngSink& SinkOf(png_structp png) { return *static_cast<PngSink*>(png_get_io_ptr(png)); }

void WriteBytes(png_structp png, png_bytep data, size_t size) {
    PngSink& sink = SinkOf(png);
    if (std::fwrite(data, 1, size, sink.file) != size) {
        sink.nErrno = errno != 0 ? errno : EIO;
        png_error(png, "write failed");
    }
}

void FlushBytes(png_structp png) {
    PngSink& sink = SinkOf(png);
    if (std::fflush(sink.file) != 0) {
        sink.nErrno = errno != 0 ? errno : EIO;
        png_error(png, "flush failed");
    }
}

void OnPngError(png_structp png, png_const_charp message) {
    auto* sink = static_cast<PngSink*>(png_get_error_ptr(png));
    std::snprintf(sink->szMessage, sizeof sink->szMessage, "%s", message);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// The libpng part, kept free of objects with destructors for the sake of its
// longjmp: libpng writes the signature, the header and the chunks around the
// image data, whose zlib stream is the parts joined: its header (deflate,
// 32 KB window, fastest), the parts' deflated bytes, and the Adler-32 of all
// the rows, high byte first. True when every byte went to the sink's file.
bool Encode(PngSink& sink, int width, int height, const PngPart& opening, const PngPart& rest) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, OnPngError, OnPngWarning);
    if (png == nullptr) {
        sink.bNoMemory = true;
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        sink.bNoMemory = info == nullptr;
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &sink, WriteBytes, FlushBytes);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const uint8_t header[2] = {0x78, 0x01};
    const auto adler = static_cast<uint32_t>(
        adler32_combine(opening.adler, rest.adler, static_cast<z_off_t>(rest.rowBytes)));
    const uint8_t trailer[4] = {static_cast<uint8_t>(adler >> 24),
                                static_cast<uint8_t>(adler >> 16), static_cast<uint8_t>(adler >> 8),
                                static_cast<uint8_t>(adler)};
    png_write_chunk_start(
        png, reinterpret_cast<png_const_bytep>("IDAT"),
        static_cast<png_uint_32>(sizeof header + opening.size + rest.size + sizeof trailer));
    png_write_chunk_data(png, header, sizeof header);
    png_write_chunk_data(png, opening.deflated.data(), opening.size);
    png_write_chunk_data(png, rest.deflated.data(), rest.size);
    png_write_chunk_data(png, trailer, sizeof trailer);
    png_write_chunk_end(png);
    png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool CanCreateFile(const std::string& path, std::string& error) {
    // An existing file is opened for writing without being cut; a missing
    // one is made and removed again. (The C library's exclusive "x" mode
    // is not in every runtime: one that ignores it would cut the file.)
    if (FILE* existing = OpenCFile(path, "r+b")) {
        std::fclose(existing);
        return true;
    }
    if (errno == ENOENT) {
        if (FILE* created = OpenCFile(path, "wb")) {
            std::fclose(created);
            // Where path is a link to nowhere yet, the file was made at its
            // target: that is what goes, and the link stays.
            RemoveFile(PlaceOfPath(path));
            return true;
        }
    }
    error = std::strerror(errno);
    return false;
}

bool HoldsPicture(const std::string& path) {
    if (KindOfPath(path) != PathKind::kFile) return false;
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    try {
        uint8_t head[8];
        return OpenFile(path, FileAccess::kReadShared)->Read(head, sizeof head) == sizeof head &&
               std::memcmp(head, kSignature, sizeof head) == 0;
    } catch (const CFileException&) {
        return false;
    }
}

CRgbImage::CRgbImage(int width, int height)
    : m_nWidth(width),
      m_nHeight(height),
      m_bytes((1 + 3 * static_cast<size_t>(width)) * static_cast<size_t>(height)) {}

bool WriteRgbPng(const std::string& path, const CRgbImage& image, const PngPart& opening,
                 const PngPart& rest, std::string& error) {
    if (opening.size == 0 || rest.size == 0) {
        error = std::strerror(ENOMEM);
        return false;
    }
    PngSink sink{OpenCFile(path, "wb"), 0, "", false};
    if (sink.file == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    const bool bEncoded = Encode(sink, image.Width(), image.Height(), opening, rest);
    // The flush told apart from the close: not every runtime's close says
    // that the bytes it still held could not be written.
    const bool bFlushed = std::fflush(sink.file) == 0 && std::ferror(sink.file) == 0;
    const int flushErrno = errno;
    const bool bClosed = std::fclose(sink.file) == 0;
    if (bEncoded && bFlushed && bClosed) return true;
    if (!bFlushed && sink.nErrno == 0) sink.nErrno = flushErrno != 0 ? flushErrno : EIO;
    if (sink.nErrno != 0)
        error = std::strerror(sink.nErrno);
    else if (!bEncoded)
        error = sink.bNoMemory ? SayReport(ReportText::kPngNoMemory)
                               : SayReport(ReportText::kPngEncoderFailed, {sink.szMessage});
    else
        error = std::strerror(errno);
    return false;
}
