#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/DatabasePages.h"
#include "support/TestDatabase.h"

namespace onarim::testing {

// The pages whose 16-byte standard headers a torn or misdirected write hits, as the page map
// of the database's own structure names them.
enum class HeaderTarget {
    DataPage,      // the user table's second data page
    PointerPage,   // the user table's pointer pages
    IndexRoot,     // the user table's index root page
    BlobPage,      // the last blob page of the database
    GeneratorPage, // the generator pages
    HeaderPage,    // page 0
    All,           // every data and b-tree page of the user table, every blob and generator page
};

// What overwrites the header.
enum class HeaderGarbage {
    LooksEncrypted, // random bytes with the "page body is encrypted" flag set
    AnotherType,    // random bytes with a page type the page is not
    Zeros,
};

// The pages of `target` in the database, which no engine may have open. Raises FixtureError
// when the database has none.
std::vector<std::uint32_t> HeaderTargetPages(const TestDatabase& database, HeaderTarget target);

// Overwrites the standard headers of the pages of `target` with `garbage` (random bytes seeded
// by the first page's number) and returns each page as it was.
std::map<std::uint32_t, DatabasePages::Page> GarbleHeaders(const TestDatabase& database,
                                                          HeaderTarget target,
                                                          HeaderGarbage garbage);

// Overwrites the whole page with random bytes and returns it as it was.
DatabasePages::Page GarbleWholePage(const TestDatabase& database, std::uint32_t page);

} // namespace onarim::testing
