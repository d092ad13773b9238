// UTF-8 to code page 932 through iconv, whose "CP932" table is the one
// Windows uses.
#include <iconv.h>
#include <locale.h>

#include <cerrno>

#include "framework/Exception.h"
#include "framework/TextEncoding.h"

std::string Utf8ToCp932(std::string_view utf8) {
    const iconv_t cd = ::iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw CException("iconv cannot convert UTF-8 to CP932");
    std::string out;
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char buffer[256];
    while (inLeft > 0) {
        char* next = buffer;
        size_t room = sizeof buffer;
        const size_t done = ::iconv(cd, &in, &inLeft, &next, &room);
        out.append(buffer, next);
        if (done != static_cast<size_t>(-1) || errno == E2BIG) continue;
        // Not convertible or not UTF-8: one '?' for the whole sequence, or
        // for the lone byte when the sequence is cut short or malformed.
        size_t skip = Utf8SequenceLength(static_cast<unsigned char>(*in));
        for (size_t i = 1; i < skip; ++i) {
            if (i >= inLeft || (static_cast<unsigned char>(in[i]) & 0xC0) != 0x80) skip = 1;
        }
        out += '?';
        in += skip;
        inLeft -= skip;
    }
    ::iconv_close(cd);
    return out;
}

CNameTextScope::CNameTextScope(Mode mode) {
    const locale_t base = ::duplocale(::uselocale(static_cast<locale_t>(0)));
    if (base == static_cast<locale_t>(0)) return;
    const locale_t made = ::newlocale(LC_CTYPE_MASK, mode == Mode::kUtf8 ? "C.UTF-8" : "C", base);
    if (made == static_cast<locale_t>(0)) {
        // No such locale on this system: names stay as the process's locale
        // gives them.
        ::freelocale(base);
        return;
    }
    m_locale = made;
    m_previous = ::uselocale(made);
}

CNameTextScope::~CNameTextScope() {
    if (m_locale == nullptr) return;
    ::uselocale(static_cast<locale_t>(m_previous));
    ::freelocale(static_cast<locale_t>(m_locale));
}
