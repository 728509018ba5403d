#include "support/PageHeaderDamage.h"

#include <functional>
#include <random>

#include "ods/DatabaseFile.h"
#include "ods/PageMap.h"
#include "support/FixtureError.h"

namespace onarim::testing {

namespace {

using ods::TPageExpectation;
using ods::TPageType;

std::vector<std::uint32_t> PagesWhere(const std::string& path,
                                      const std::function<bool(const TPageExpectation&)>& wanted) {
    const ods::TDatabaseFile file(path, ods::TDatabaseFile::TAccess::ReadOnly);
    const ods::TPageMap map = ods::BuildPageMap(file);
    std::vector<std::uint32_t> pages;
    for (std::uint32_t page = 0; page < map.PageCount(); ++page) {
        if (const auto expected = map.Expected(page); expected && wanted(*expected)) {
            pages.push_back(page);
        }
    }
    return pages;
}

std::vector<std::uint32_t> Pages(const TestDatabase& database, HeaderTarget target) {
    const auto relation = static_cast<std::uint16_t>(database.relationId);
    const auto of = [&](TPageType type) {
        return [=](const TPageExpectation& e) { return e.type == type && e.relation == relation; };
    };
    const auto any = [](TPageType type) {
        return [=](const TPageExpectation& e) { return e.type == type; };
    };
    switch (target) {
    case HeaderTarget::DataPage: {
        const auto data = PagesWhere(database.path, of(TPageType::Data));
        return data.size() > 1 ? std::vector{data[1]} : std::vector<std::uint32_t>{};
    }
    case HeaderTarget::PointerPage: return PagesWhere(database.path, of(TPageType::Pointer));
    case HeaderTarget::IndexRoot: return PagesWhere(database.path, of(TPageType::IndexRoot));
    case HeaderTarget::BlobPage: {
        const auto blobs = PagesWhere(database.path, any(TPageType::Blob));
        return blobs.empty() ? blobs : std::vector{blobs.back()};
    }
    case HeaderTarget::GeneratorPage: return PagesWhere(database.path, any(TPageType::Generator));
    case HeaderTarget::HeaderPage: return {0};
    case HeaderTarget::All:
        return PagesWhere(database.path, [&](const TPageExpectation& e) {
            return (e.type == TPageType::Data && e.relation == relation) ||
                   (e.type == TPageType::IndexBTree && e.relation == relation) ||
                   e.type == TPageType::Blob || e.type == TPageType::Generator;
        });
    }
    return {};
}

} // namespace

std::vector<std::uint32_t> HeaderTargetPages(const TestDatabase& database, HeaderTarget target) {
    std::vector<std::uint32_t> pages = Pages(database, target);
    if (pages.empty()) {
        throw FixtureError("no page of that kind in " + database.path);
    }
    return pages;
}

std::map<std::uint32_t, DatabasePages::Page> GarbleHeaders(const TestDatabase& database,
                                                          HeaderTarget target,
                                                          HeaderGarbage garbage) {
    const std::vector<std::uint32_t> targets = HeaderTargetPages(database, target);
    DatabasePages pages(database.path);
    std::map<std::uint32_t, DatabasePages::Page> originals;
    std::mt19937 random(targets.front());
    for (const std::uint32_t number : targets) {
        DatabasePages::Page page = originals[number] = pages.Read(number);
        for (int i = 0; i < 16; ++i) {
            page[i] = garbage == HeaderGarbage::Zeros ? 0 : static_cast<std::uint8_t>(random());
        }
        if (garbage == HeaderGarbage::LooksEncrypted) {
            page[1] = 0x80;
        } else if (garbage == HeaderGarbage::AnotherType) {
            page[0] = page[0] == 7 ? 5 : 7;
        }
        pages.Write(number, page);
    }
    return originals;
}

DatabasePages::Page GarbleWholePage(const TestDatabase& database, std::uint32_t number) {
    DatabasePages pages(database.path);
    const DatabasePages::Page original = pages.Read(number);
    DatabasePages::Page garbage(original.size());
    std::mt19937 random(7);
    for (auto& byte : garbage) {
        byte = static_cast<std::uint8_t>(random());
    }
    pages.Write(number, garbage);
    return original;
}

} // namespace onarim::testing
