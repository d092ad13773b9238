#include "framework/win32/WideText.h"

#include <atomic>

#include "framework/PathSyntax.h"

namespace {

std::atomic<bool> g_bUtf8Paths{false};

}  // namespace

void UseUtf8Paths() { g_bUtf8Paths = true; }

UINT SystemTextCodePage() { return g_bUtf8Paths ? CP_UTF8 : GetACP(); }

PathSyntax NativePaths() { return {'\\', !g_bUtf8Paths}; }

std::wstring ToWide(const std::string& text, UINT codePage) {
    if (text.empty()) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string FromWide(const std::wstring& text, UINT codePage) {
    if (text.empty()) return std::string();
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}
