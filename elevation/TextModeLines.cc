#include "elevation/TextModeLines.h"

#include <cstring>

#include "framework/File.h"

namespace {

// A piece is decided once this many bytes are at hand: 2047 characters, a
// carriage return that may be dropped, and the line feed.
constexpr size_t kDecisionWindow = CTextModeLines::kMaxPiece + 2;

}  // namespace

CTextModeLines::CTextModeLines(CFile& file, char* buffer, size_t size, std::function<bool()> stop)
    : m_file(file), m_buffer(buffer), m_size(size - kSlack), m_stop(std::move(stop)) {}

void CTextModeLines::Refill() {
    if (m_stop && m_stop()) {
        // What is still buffered is dropped: a stopped file yields no more.
        m_begin = m_end = 0;
        m_bEnd = m_bStopped = true;
        return;
    }
    const size_t kept = m_end - m_begin;
    std::memmove(m_buffer, m_buffer + m_begin, kept);
    m_begin = 0;
    m_end = kept;
    const uint32_t want = static_cast<uint32_t>(m_size - kept);
    const uint32_t got = m_file.Read(m_buffer + kept, want);
    if (got < want) m_bEnd = true;
    if (const void* eof = std::memchr(m_buffer + kept, 0x1A, got)) {
        m_end = static_cast<size_t>(static_cast<const char*>(eof) - m_buffer);
        m_bEnd = true;
    } else {
        m_end = kept + got;
    }
}

bool CTextModeLines::Next(std::string_view& piece) {
    for (;;) {
        const char* start = m_buffer + m_begin;
        const size_t avail = m_end - m_begin;
        const size_t window = avail < kDecisionWindow ? avail : kDecisionWindow;
        const auto* lf = static_cast<const char*>(std::memchr(start, '\n', window));
        if (lf == nullptr && avail < kDecisionWindow && !m_bEnd) {
            Refill();
            continue;
        }
        if (lf != nullptr) {
            size_t text = static_cast<size_t>(lf - start);
            if (text > 0 && start[text - 1] == '\r') --text;
            if (text + 1 <= kMaxPiece) {
                piece = std::string_view(start, text);
                m_begin += static_cast<size_t>(lf - start) + 1;
                m_bEndedLine = true;
                return true;
            }
        } else if (avail == 0) {
            return false;
        }
        // No line feed within reach, or the line is too long for one read:
        // the next kMaxPiece bytes (or what is left) form a piece on their own.
        const size_t n = avail < kMaxPiece ? avail : kMaxPiece;
        piece = std::string_view(start, n);
        m_begin += n;
        m_bEndedLine = false;
        return true;
    }
}
