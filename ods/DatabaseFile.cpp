#include "ods/DatabaseFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace onarim::ods {

namespace {

// The fixed part of every header page version lies in these bytes.
constexpr std::size_t kHeaderBytes = 1024;

} // namespace

TDatabaseFile::TDatabaseFile(const std::string& path, TAccess access)
    : path_(path), access_(access) {
    descriptor_ = open(path.c_str(), (access == TAccess::ReadOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (descriptor_ < 0) {
        RaiseSystem("cannot open", errno);
    }
    try {
        struct stat status {};
        if (fstat(descriptor_, &status) != 0) {
            RaiseSystem("cannot read the size of", errno);
        }
        if (!S_ISREG(status.st_mode)) {
            throw EOdsError(path_ + ": not a regular file");
        }
        fileSize_ = static_cast<std::uint64_t>(status.st_size);
        std::vector<std::uint8_t> first(std::min<std::uint64_t>(fileSize_, kHeaderBytes));
        std::size_t got = 0;
        while (got < first.size()) {
            const ssize_t n = pread(descriptor_, first.data() + got, first.size() - got,
                                    static_cast<off_t>(got));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                RaiseSystem("cannot read the header page of", n < 0 ? errno : EIO);
            }
            got += static_cast<std::size_t>(n);
        }
        try {
            header_ = THeaderPage::Read(first);
        } catch (const EOdsError& error) {
            throw EOdsError(path_ + ": " + error.Message());
        }
        if (!header_.PageSizeAllowed()) {
            throw EOdsError(path_ + ": the header page names a page size of " +
                            std::to_string(header_.pageSize) + " bytes, which ODS " +
                            header_.OdsText() + " does not allow");
        }
        pageSize_ = header_.pageSize;
        if (fileSize_ < pageSize_) {
            throw EOdsError(path_ + ": the file (" + std::to_string(fileSize_) +
                            " bytes) is shorter than one page of " + std::to_string(pageSize_) +
                            " bytes");
        }
        const std::uint64_t pages = fileSize_ / pageSize_;
        if (pages > std::numeric_limits<std::uint32_t>::max()) {
            throw EOdsError(path_ + ": the file has more pages than page numbers can name");
        }
        pageCount_ = static_cast<std::uint32_t>(pages);
    } catch (...) {
        close(descriptor_);
        throw;
    }
}

TDatabaseFile::~TDatabaseFile() {
    close(descriptor_);
}

void TDatabaseFile::RaiseSystem(const std::string& what, int code) const {
    throw EOdsError(what + " " + path_ + ": " + std::strerror(code));
}

std::vector<std::uint8_t> TDatabaseFile::ReadPage(std::uint32_t number) const {
    std::vector<std::uint8_t> page(pageSize_);
    ReadPages(number, 1, page);
    return page;
}

void TDatabaseFile::ReadPages(std::uint32_t first, std::uint32_t count, TMutableBytes into) const {
    if (first >= pageCount_ || count > pageCount_ - first) {
        throw EOdsError(path_ + ": page " + std::to_string(first) +
                        (count > 1 ? " and the " + std::to_string(count - 1) + " after it" : "") +
                        " past the end of the file (" + std::to_string(pageCount_) + " pages)");
    }
    const std::size_t bytes = static_cast<std::size_t>(count) * pageSize_;
    if (into.size() < bytes) {
        throw EOdsError("a buffer of " + std::to_string(into.size()) + " bytes cannot take " +
                        std::to_string(count) + " pages");
    }
    const auto start = static_cast<off_t>(first) * pageSize_;
    std::size_t got = 0;
    while (got < bytes) {
        const ssize_t n = pread(descriptor_, into.data() + got, bytes - got,
                                start + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            RaiseSystem("cannot read page " + std::to_string(first) + " of", errno);
        }
        if (n == 0) {
            throw EOdsError(path_ + ": the file ended while page " + std::to_string(first) +
                            " was read (it shrank while open)");
        }
        got += static_cast<std::size_t>(n);
    }
    for (auto page = overlay_.lower_bound(first); page != overlay_.end() && page->first < first + count;
         ++page) {
        std::copy(page->second.begin(), page->second.end(),
                  into.begin() + static_cast<std::ptrdiff_t>(page->first - first) * pageSize_);
    }
}

void TDatabaseFile::Overlay(std::uint32_t number, std::vector<std::uint8_t> page) {
    if (number >= pageCount_ || page.size() != pageSize_) {
        throw EOdsError(path_ + ": no page " + std::to_string(number) + " of " +
                        std::to_string(page.size()) + " bytes to lay over");
    }
    overlay_[number] = std::move(page);
}

void TDatabaseFile::WritePage(std::uint32_t number, TBytes page) {
    if (access_ != TAccess::ReadWrite) {
        throw EOdsError(path_ + ": opened for reading only; page " + std::to_string(number) +
                        " not written");
    }
    if (const std::string refusal = header_.EditRefusal(); !refusal.empty()) {
        throw EOdsError(path_ + ": page " + std::to_string(number) + " not written: " + refusal);
    }
    if (number >= pageCount_) {
        throw EOdsError(path_ + ": page " + std::to_string(number) +
                        " is past the end of the file (" + std::to_string(pageCount_) +
                        " pages)");
    }
    if (page.size() != pageSize_) {
        throw EOdsError(path_ + ": a page is " + std::to_string(pageSize_) + " bytes, not " +
                        std::to_string(page.size()));
    }
    const auto start = static_cast<off_t>(number) * pageSize_;
    std::size_t done = 0;
    while (done < page.size()) {
        const ssize_t n = pwrite(descriptor_, page.data() + done, page.size() - done,
                                 start + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            RaiseSystem("cannot write page " + std::to_string(number) + " of", n < 0 ? errno : EIO);
        }
        done += static_cast<std::size_t>(n);
    }
}

void TDatabaseFile::Flush() {
    if (fsync(descriptor_) != 0) {
        RaiseSystem("cannot flush", errno);
    }
}

} // namespace onarim::ods
