#include "dem/TestZip.h"

#include <archive.h>
#include <archive_entry.h>

#include <stdexcept>

#include "framework/TextEncoding.h"

namespace {

la_ssize_t Append(archive*, void* data, const void* buffer, size_t size) {
    auto& out = *static_cast<std::vector<uint8_t>*>(data);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    out.insert(out.end(), bytes, bytes + size);
    return static_cast<la_ssize_t>(size);
}

void Check(archive* zip, int status) {
    if (status < ARCHIVE_WARN) throw std::runtime_error(archive_error_string(zip));
}

}  // namespace

std::vector<uint8_t> BuildTestZip(const std::vector<TestZipMember>& members, bool utf8Names) {
    // Names given as bytes are written as they are, whatever locale the
    // process runs in: a UTF-8 one would flag them, and on Windows one of
    // another code page would split them at trail bytes equal to '\\'.
    const CNameTextScope names(CNameTextScope::Mode::kBytes);
    std::vector<uint8_t> out;
    archive* zip = archive_write_new();
    archive_write_set_format_zip(zip);
    // Without it the writer stores names as they are and sets no flag.
    if (utf8Names) Check(zip, archive_write_set_format_option(zip, "zip", "hdrcharset", "UTF-8"));
    archive_write_set_bytes_in_last_block(zip, 1);
    Check(zip, archive_write_open(zip, &out, nullptr, &Append, nullptr));
    for (const TestZipMember& member : members) {
        archive_entry* entry = archive_entry_new();
        if (utf8Names)
            archive_entry_set_pathname_utf8(entry, member.name.c_str());
        else
            archive_entry_set_pathname(entry, member.name.c_str());
        archive_entry_set_filetype(entry, member.bFolder ? AE_IFDIR : AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, static_cast<la_int64_t>(member.bytes.size()));
        Check(zip, archive_write_header(zip, entry));
        if (!member.bytes.empty())
            archive_write_data(zip, member.bytes.data(), member.bytes.size());
        archive_entry_free(entry);
    }
    Check(zip, archive_write_close(zip));
    archive_write_free(zip);
    return out;
}
