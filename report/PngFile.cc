#include "report/PngFile.h"

#include <libdeflate.h>
#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "framework/FileSystem.h"

namespace {

// What the write callbacks learn; plain data, since libpng leaves its error
// handler by longjmp.
struct PngSink {
    FILE* file;
    int nErrno;           // the system's error of a failed write, 0 if none
    char szMessage[128];  // libpng's own message otherwise
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
// image data, compressed already. True when every byte went to the sink's
// file.
bool Encode(PngSink& sink, int width, int height, const uint8_t* data, size_t size) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, OnPngError, OnPngWarning);
    if (png == nullptr) {
        std::snprintf(sink.szMessage, sizeof sink.szMessage, "out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &sink, WriteBytes, FlushBytes);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"), data, size);
    png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

std::vector<uint8_t> CompressOpening(const CRgbImage& image, int rows) {
    const size_t size = image.Stride() * static_cast<size_t>(rows);
    z_stream stream{};
    if (deflateInit2(&stream, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    std::vector<uint8_t> out(deflateBound(&stream, size) + 16);
    stream.next_in = const_cast<Bytef*>(image.Scanlines().data());
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const bool whole = deflate(&stream, Z_SYNC_FLUSH) == Z_OK && stream.avail_in == 0;
    out.resize(whole ? out.size() - stream.avail_out : 0);
    deflateEnd(&stream);
    return out;
}

std::vector<uint8_t> CompressRest(const CRgbImage& image, int fromRow) {
    const size_t from = image.Stride() * static_cast<size_t>(fromRow);
    const size_t size = image.Scanlines().size() - from;
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(1);
    if (compressor == nullptr) return {};
    std::vector<uint8_t> out(libdeflate_deflate_compress_bound(compressor, size));
    out.resize(libdeflate_deflate_compress(compressor, image.Scanlines().data() + from, size,
                                           out.data(), out.size()));
    libdeflate_free_compressor(compressor);
    return out;
}

int OpeningRows(int height) { return static_cast<int>(height * 0.32); }

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

CRgbImage::CRgbImage(int width, int height)
    : m_nWidth(width),
      m_nHeight(height),
      m_bytes((1 + 3 * static_cast<size_t>(width)) * static_cast<size_t>(height)) {}

bool WriteRgbPng(const std::string& path, const CRgbImage& image,
                 const std::vector<uint8_t>& opening, const std::vector<uint8_t>& rest,
                 std::string& error) {
    if (opening.empty() || rest.empty()) {
        error = std::strerror(ENOMEM);
        return false;
    }
    // The parts joined: the zlib header (deflate, 32 KB window, fastest), the
    // deflate stream, and the Adler-32 of all the rows, high byte first.
    std::vector<uint8_t> compressed = {0x78, 0x01};
    compressed.insert(compressed.end(), opening.begin(), opening.end());
    compressed.insert(compressed.end(), rest.begin(), rest.end());
    const CLargeArray<uint8_t>& rows = image.Scanlines();
    const uint32_t adler = libdeflate_adler32(1, rows.data(), rows.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        compressed.push_back(static_cast<uint8_t>(adler >> shift));
    PngSink sink{OpenCFile(path, "wb"), 0, ""};
    if (sink.file == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    const bool bEncoded =
        Encode(sink, image.Width(), image.Height(), compressed.data(), compressed.size());
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
        error = sink.szMessage;
    else
        error = std::strerror(errno);
    return false;
}
