#include "framework/ConsoleLines.h"

#include "framework/Console.h"
#include "framework/PathSyntax.h"

namespace {

// The stream whose progress line is open, and the columns it took.
FILE* g_openLine = nullptr;
size_t g_openColumns = 0;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

void AppendEscape(std::string& out, unsigned char byte) {
    static const char kHex[] = "0123456789ABCDEF";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
}

}  // namespace

std::string VisibleText(const std::string& text) {
    const bool utf8 = !NativePaths().doubleByteNames;
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F) {
            AppendEscape(out, byte);
        } else if (utf8 && byte == 0xC2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            // U+0080 to U+009F, among them the one-character CSI.
            AppendEscape(out, static_cast<unsigned char>(text[++i]));
        } else {
            out += text[i];
        }
    }
    return out;
}

size_t TerminalColumns(const std::string& text) {
    if (NativePaths().doubleByteNames) return text.size();  // a byte a column, near enough
    size_t columns = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (IsContinuation(byte)) continue;
        // A lead byte of three or more bytes: U+0800 on; E1 84 80 is U+1100.
        const bool wide = byte >= 0xE2 || (byte == 0xE1 && i + 1 < text.size() &&
                                           static_cast<unsigned char>(text[i + 1]) >= 0x84);
        columns += wide ? 2 : 1;
    }
    return columns;
}

bool WriteLine(FILE* stream, const std::string& text) {
    EndOpenLine();
    return WriteNativeText(stream, VisibleText(text) + "\n");
}

bool RedrawLine(FILE* stream, const std::string& text) {
    if (g_openLine != nullptr && g_openLine != stream) EndOpenLine();
    const std::string shown = VisibleText(text);
    const size_t columns = TerminalColumns(shown);
    std::string line = "\r" + shown;
    if (g_openLine == stream && g_openColumns > columns) line.append(g_openColumns - columns, ' ');
    g_openLine = stream;
    g_openColumns = columns;
    return WriteNativeText(stream, line);
}

void EndOpenLine() {
    if (g_openLine == nullptr) return;
    FILE* stream = g_openLine;
    g_openLine = nullptr;
    g_openColumns = 0;
    WriteNativeText(stream, "\n");
}
