#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ods/DatabaseFile.h"
#include "ods/PageMap.h"

namespace onarim::ods {

// A page whose 16-byte standard header is not what the map says it must be, and the header
// to write in its place.
struct TPageMend {
    std::uint32_t page = 0;
    std::string was;     // "type 250 flags 0x80 page 7713"
    std::string written; // "type 5 (data) flags 0x00 page 212"
    std::string reason;  // which structure named the page
    std::array<std::uint8_t, 16> oldHeader{};
    std::array<std::uint8_t, 16> newHeader{};
};

// What CheckPages found.
struct TPageCheck {
    std::string path;
    std::uint32_t pageSize = 0;
    std::uint32_t pageCount = 0;
    std::string ods; // "12.0"
    // Why the file is not judged (another ODS, encrypted, nbackup state, several files);
    // empty when it was. Nothing is mended when it is set.
    std::string refusal;
    std::vector<TPageMend> mends;
    std::vector<TPointerPageRebuild> rebuilds;
    std::vector<TPageProblem> problems; // left alone: named twice, or the body disagrees
    std::size_t problemsNotListed = 0;
    std::uint32_t unnamedPages = 0; // in use, sound header, named by nothing

    bool NothingToWrite() const { return mends.empty() && rebuilds.empty(); }
};

// Reads the database at `path` (never writes it), maps what every page must be and compares
// each page's standard header (type, flags, page number, scn; reserved 0) with the map. A
// page that its own body contradicts, or that two structures name, is a problem, not a mend.
// Raises EOdsError when the file cannot be opened or read or is no Firebird database at all
// (see TDatabaseFile); a database that is one but may not be judged comes back with
// `refusal` set.
TPageCheck CheckPages(const std::string& path);

// Writes what `check` found to mend into the database at `path`: the 16 header bytes of each
// mended page (written as whole pages) and each rebuilt pointer page, then flushes the file.
// Every page is first compared with what the check read; if any changed, or the file is not
// the one checked (page size, page count), or the check carries a refusal, nothing is written
// and EOdsError is raised. Raises EOdsError as well when the file cannot be written. No
// engine may have the file open.
void ApplyMends(const std::string& path, const TPageCheck& check);

// Lays what `check` found to mend over `file` (TDatabaseFile::Overlay), in memory only: a
// reader of a byte copy of the checked file (the kept original) then reads it as the mended
// database reads. Raises EOdsError when `file` is not the one checked (page size, page count).
void OverlayMends(TDatabaseFile& file, const TPageCheck& check);

// Cheap: reads only the first bytes. True when the file at `path` is an ODS 12 database
// that may be edited, whose header page's 16-byte standard header is not sound but whose page
// size (offset 16) and version (offset 18) agree with the file (an allowed size of which the
// file is a whole number of pages): a file CheckPages and ApplyMends can make readable again.
// False for anything else, including a sound header page; never raises.
bool HeaderPageMendable(const std::string& path);

} // namespace onarim::ods
