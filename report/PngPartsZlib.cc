// The image data's two parts with zlib and libdeflate, where isa-l is not
// to be had (the Windows build): zlib's fastest level for the opening, as
// libdeflate cannot end a part without ending the stream, and libdeflate's
// for the rest, which is about twice as fast.
#include <libdeflate.h>
#include <zlib.h>

#include <new>

#include "report/PngFile.h"

PngPart CompressOpening(const CRgbImage& image, int rows) {
    PngPart part;
    const uint8_t* bytes = image.Scanlines().data();
    part.rowBytes = image.Stride() * static_cast<size_t>(rows);
    part.adler = libdeflate_adler32(1, bytes, part.rowBytes);
    z_stream stream{};
    if (deflateInit2(&stream, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return part;
    try {
        part.deflated = CLargeArray<uint8_t>(deflateBound(&stream, part.rowBytes) + 16);
    } catch (const std::bad_alloc&) {
        deflateEnd(&stream);
        return part;
    }
    stream.next_in = const_cast<Bytef*>(bytes);
    stream.avail_in = static_cast<uInt>(part.rowBytes);
    stream.next_out = part.deflated.data();
    stream.avail_out = static_cast<uInt>(part.deflated.size());
    // Room left over: a flush that filled the buffer may have more to give.
    const bool whole =
        deflate(&stream, Z_SYNC_FLUSH) == Z_OK && stream.avail_in == 0 && stream.avail_out > 0;
    part.size = whole ? part.deflated.size() - stream.avail_out : 0;
    deflateEnd(&stream);
    return part;
}

PngPart CompressRest(const CRgbImage& image, int fromRow) {
    PngPart part;
    const size_t from = image.Stride() * static_cast<size_t>(fromRow);
    const uint8_t* bytes = image.Scanlines().data() + from;
    part.rowBytes = image.Scanlines().size() - from;
    part.adler = libdeflate_adler32(1, bytes, part.rowBytes);
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(1);
    if (compressor == nullptr) return part;
    try {
        part.deflated =
            CLargeArray<uint8_t>(libdeflate_deflate_compress_bound(compressor, part.rowBytes));
        part.size = libdeflate_deflate_compress(compressor, bytes, part.rowBytes,
                                                part.deflated.data(), part.deflated.size());
    } catch (const std::bad_alloc&) {
    }
    libdeflate_free_compressor(compressor);
    return part;
}

int OpeningRows(int height) { return static_cast<int>(height * 0.38); }
