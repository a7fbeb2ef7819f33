// Writes test collections with libarchive: a compressed file, a zip or tar archive of members.
#pragma once

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace pw2::test {

struct ArchiveMember {
    std::string name;
    std::string text;
};

enum class Packing { Gzip, Bzip2, Xz, Zstd, Zip, TarGzip, Tar };

// Writes members to path: one member compressed as it is for Gzip to Zstd, an archive otherwise;
// encrypted: a zip's members with traditional PKWARE encryption, password "secret".
inline void writeArchive(const std::string& path, Packing packing,
                         const std::vector<ArchiveMember>& members, bool encrypted = false) {
    archive* out = archive_write_new();
    switch (packing) {
    case Packing::Gzip:
    case Packing::Bzip2:
    case Packing::Xz:
    case Packing::Zstd:
        archive_write_set_format_raw(out);
        break;
    case Packing::Zip:
        archive_write_set_format_zip(out);
        break;
    case Packing::TarGzip:
    case Packing::Tar:
        archive_write_set_format_pax_restricted(out);
        break;
    }
    if (packing == Packing::Gzip || packing == Packing::TarGzip)
        archive_write_add_filter_gzip(out);
    if (packing == Packing::Bzip2)
        archive_write_add_filter_bzip2(out);
    if (packing == Packing::Xz)
        archive_write_add_filter_xz(out);
    if (packing == Packing::Zstd)
        archive_write_add_filter_zstd(out);
    if (encrypted) {
        ASSERT_EQ(archive_write_set_options(out, "zip:encryption=zipcrypt"), ARCHIVE_OK)
            << archive_error_string(out);
        ASSERT_EQ(archive_write_set_passphrase(out, "secret"), ARCHIVE_OK);
    }
    ASSERT_EQ(archive_write_open_filename(out, path.c_str()), ARCHIVE_OK)
        << archive_error_string(out);
    for (const ArchiveMember& member : members) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, member.name.c_str());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, static_cast<la_int64_t>(member.text.size()));
        ASSERT_EQ(archive_write_header(out, entry), ARCHIVE_OK) << archive_error_string(out);
        ASSERT_EQ(archive_write_data(out, member.text.data(), member.text.size()),
                  static_cast<la_ssize_t>(member.text.size()))
            << archive_error_string(out);
        archive_entry_free(entry);
    }
    ASSERT_EQ(archive_write_close(out), ARCHIVE_OK) << archive_error_string(out);
    archive_write_free(out);
}

} // namespace pw2::test
