#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

class CFile;

// Reads a file as lines the way a text-mode stream read by 2048-byte buffers
// does, the same on every platform: a carriage return right before a line
// feed is dropped, a Ctrl-Z byte ends the file, and a line of more than 2047
// characters (its line feed counted) comes in pieces of 2047.
class CTextModeLines {
  public:
    static constexpr size_t kMaxPiece = 2047;

    // Reads through the caller's buffer, which must hold at least
    // kMinBuffer bytes; the larger, the fewer reads. The last kSlack bytes
    // are never filled: every piece is followed by at least that many
    // readable bytes, so a reader may load whole words past a piece's end
    // (their values mean nothing). A stop check, when given, is asked before
    // every read from the file; once it answers true the file counts as ended.
    CTextModeLines(CFile& file, char* buffer, size_t size, std::function<bool()> stop = {});

    static constexpr size_t kMinBuffer = 4096;
    static constexpr size_t kSlack = 32;

    // The next piece without its line feed; false at the end of the file.
    // The view stays valid until the next call. File errors propagate.
    bool Next(std::string_view& piece);
    // True when the pieces ended because the stop check asked for it.
    bool Stopped() const { return m_bStopped; }
    // True when the piece Next gave last ended at a line feed: false for a
    // piece of a longer line and for the end of a file that has no line end.
    bool EndedLine() const { return m_bEndedLine; }

  private:
    void Refill();

    CFile& m_file;
    char* m_buffer;
    size_t m_size;
    size_t m_begin = 0;
    size_t m_end = 0;
    std::function<bool()> m_stop;
    bool m_bEnd = false;  // nothing more to read: end of file, Ctrl-Z or a stop
    bool m_bStopped = false;
    bool m_bEndedLine = false;
};
