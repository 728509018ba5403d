#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ods/Bytes.h"
#include "ods/HeaderPage.h"

namespace onarim::ods {

// A Firebird database file opened for page access without the engine. No engine may have the
// file open while it is written. Plain POSIX I/O: pread and pwrite of whole pages, fsync on
// request.
class TDatabaseFile {
public:
    enum class TAccess { ReadOnly, ReadWrite };

    // Opens `path` and reads its header page. The header page is recognised by its page size
    // (offset 16) and version (offset 18) even when its first 16 bytes are garbage.
    // Raises EOdsError when the file cannot be opened, is shorter than its first page, names
    // an on-disk structure other than 11, 12 or 13, or a page size that version does not
    // allow, or has more pages than page numbers can name.
    TDatabaseFile(const std::string& path, TAccess access);
    ~TDatabaseFile();
    TDatabaseFile(const TDatabaseFile&) = delete;
    TDatabaseFile& operator=(const TDatabaseFile&) = delete;

    const std::string& Path() const { return path_; }
    const THeaderPage& Header() const { return header_; }
    std::uint32_t PageSize() const { return pageSize_; }
    // Whole pages in the file; bytes after the last whole page are not part of any page.
    std::uint32_t PageCount() const { return pageCount_; }
    std::uint64_t FileSize() const { return fileSize_; }

    // Page `number`. Raises EOdsError past the end of the file or when the read fails.
    std::vector<std::uint8_t> ReadPage(std::uint32_t number) const;
    // Pages first .. first+count-1 into `into` (count * PageSize() bytes), in as few reads as
    // the system allows. Raises EOdsError as ReadPage.
    void ReadPages(std::uint32_t first, std::uint32_t count, TMutableBytes into) const;

    // From now on reads of page `number` give `page` (one page of bytes) instead of what the
    // file holds; the file is not touched. A reader of an original sees it as mended this way.
    // Raises EOdsError past the end of the file or for a buffer that is not one page.
    void Overlay(std::uint32_t number, std::vector<std::uint8_t> page);

    // Writes a whole page. Raises EOdsError on a file opened read-only, a database whose
    // header refuses edits (THeaderPage::EditRefusal), a page past the end of the file, a
    // buffer that is not one page, or a failed write.
    void WritePage(std::uint32_t number, TBytes page);
    // Makes the written pages durable (fsync). Raises EOdsError when the system cannot.
    void Flush();

private:
    [[noreturn]] void RaiseSystem(const std::string& what, int code) const;

    std::string path_;
    int descriptor_ = -1;
    TAccess access_;
    THeaderPage header_;
    std::uint32_t pageSize_ = 0;
    std::uint32_t pageCount_ = 0;
    std::uint64_t fileSize_ = 0;
    std::map<std::uint32_t, std::vector<std::uint8_t>> overlay_;
};

} // namespace onarim::ods
