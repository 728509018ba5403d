#include "ods/PageCheck.h"

#include <algorithm>
#include <set>

#include "ods/Blobs.h"
#include "ods/DataPage.h"
#include "ods/InventoryPages.h"
#include "ods/PageMapEntry.h"
#include "ods/PageReason.h"
#include "ods/PageStream.h"
#include "ods/ScnLookup.h"

namespace onarim::ods {

namespace {

std::string N(std::uint64_t value) {
    return std::to_string(value);
}

constexpr std::uint8_t Type(TPageType type) {
    return static_cast<std::uint8_t>(type);
}

// B-tree pages carry flags of the engine's own (never 0x80 in an unencrypted database); only
// the encryption bit is judged there.
bool FlagsAgree(const TPageMapEntry& entry) {
    if (entry.expectedType == Type(TPageType::IndexBTree)) {
        return (entry.observedFlags & kPageEncrypted) == 0;
    }
    return entry.observedFlags == entry.expectedFlags;
}

bool HeaderAgrees(const TPageMapEntry& entry) {
    return entry.Is(kEntryFieldsSound) && entry.observedType == entry.expectedType &&
           FlagsAgree(entry);
}

// What the body of a page whose header is to be written says against the map; empty when it
// agrees. Data, pointer, index root and B-tree bodies were judged while the map was built.
std::string BodyDisagreement(const TDatabaseFile& file, const TPageGeometry& geometry,
                             const TPageMapEntry& entry, TBytes bytes) {
    switch (static_cast<TPageType>(entry.expectedType)) {
    case TPageType::PageInventory:
        if (!TPipPage::Read(bytes, geometry).Plausible(geometry)) {
            return "its body is no page inventory";
        }
        return {};
    case TPageType::ScnInventory: {
        const TScnPage scn = TScnPage::Read(bytes, geometry);
        return scn.sequence == entry.position ? std::string()
                                              : "its body names SCN range " + N(scn.sequence);
    }
    case TPageType::Generator: {
        const TGeneratorPage generators = TGeneratorPage::Read(bytes, geometry);
        return generators.sequence == entry.position
                   ? std::string()
                   : "its body names generator page " + N(generators.sequence);
    }
    case TPageType::Blob: {
        const TBlobPage blob = TBlobPage::Read(bytes, geometry);
        if (entry.origin == TPageOrigin::BlobPointerList) {
            return {}; // judged when its entries were followed
        }
        std::uint32_t lead = 0;
        if (entry.origin == TPageOrigin::BlobPointerEntry) {
            lead = TBlobPage::Read(file.ReadPage(entry.owner), geometry).leadPage;
        } else {
            const auto owner = file.ReadPage(entry.owner);
            const auto piece = TDataPage::Read(owner, geometry).Piece(entry.relation);
            if (!piece || piece->size() < TBlobRecord::kHeaderSize + 4) {
                return "the blob header that names it is gone";
            }
            lead = TBlobRecord::Read(*piece).PageNumber(0);
        }
        if (blob.sequence != entry.position || blob.leadPage != lead) {
            return "its body names blob page " + N(blob.sequence) + " of the blob that starts at " +
                   N(blob.leadPage) + ", not " + N(entry.position) + " of the one at " + N(lead);
        }
        return {};
    }
    default:
        return {};
    }
}

} // namespace

TPageCheck CheckPages(const std::string& path) {
    const TDatabaseFile file(path, TDatabaseFile::TAccess::ReadOnly);
    TPageCheck check;
    check.path = path;
    check.pageSize = file.PageSize();
    check.pageCount = file.PageCount();
    check.ods = file.Header().OdsText();
    check.refusal = file.Header().EditRefusal();
    if (!check.refusal.empty()) {
        return check;
    }
    const TPageMap map = BuildPageMap(file);
    const TPageGeometry geometry(file.PageSize());
    check.problems = map.Problems();
    check.problemsNotListed = map.ProblemsNotListed();
    check.rebuilds = map.Rebuilds();
    check.unnamedPages = map.UnnamedPages();
    for (std::uint32_t page = 0; page < map.PageCount(); ++page) {
        const TPageMapEntry& entry = map.Entry(page);
        if (!entry.Named() || entry.Is(kEntryDoNotWrite) || entry.Is(kEntryRebuilt)) {
            continue;
        }
        const bool headerPage = page == 0;
        if (HeaderAgrees(entry) && !headerPage) {
            continue;
        }
        const auto bytes = file.ReadPage(page);
        const TPageHeader old = TPageHeader::Read(bytes);
        if (headerPage && HeaderAgrees(entry) && old.scn >= map.HighestScn()) {
            continue;
        }
        const std::string reason = ReasonOf(entry, geometry.dataPagesPerPointerPage);
        if (const std::string against = BodyDisagreement(file, geometry, entry, bytes);
            !against.empty()) {
            check.problems.push_back({page, "page " + N(page) + ", named by " + reason + ": " +
                                                against + "; left as it is"});
            continue;
        }
        TPageHeader mended = old;
        mended.type = entry.expectedType;
        mended.flags = entry.expectedFlags;
        if (entry.expectedType == Type(TPageType::IndexBTree) && old.type == entry.expectedType) {
            mended.flags = old.flags & ~kPageEncrypted;
        }
        mended.reserved = 0;
        mended.generation = old.generation != 0 ? old.generation : 1;
        // The header page carries the database's current scn: at least the highest any page
        // had; a garbage one is replaced by that.
        mended.scn = !headerPage           ? ExpectedScn(file, geometry, page)
                     : HeaderAgrees(entry) ? std::max(old.scn, map.HighestScn())
                                           : map.HighestScn();
        mended.pageNumber = page;
        if (mended == old) {
            continue;
        }
        TPageMend mend{page, old.Describe(), mended.Describe(), reason, {}, {}};
        std::copy_n(bytes.begin(), TPageHeader::kSize, mend.oldHeader.begin());
        mended.WriteTo(mend.newHeader);
        check.mends.push_back(std::move(mend));
    }
    return check;
}

void ApplyMends(const std::string& path, const TPageCheck& check) {
    if (!check.refusal.empty()) {
        throw EOdsError(path + ": nothing written: " + check.refusal);
    }
    if (check.NothingToWrite()) {
        return;
    }
    TDatabaseFile file(path, TDatabaseFile::TAccess::ReadWrite);
    if (file.PageSize() != check.pageSize || file.PageCount() != check.pageCount) {
        throw EOdsError(path + ": nothing written: the file has " + N(file.PageCount()) +
                        " pages of " + N(file.PageSize()) + " bytes, the check saw " +
                        N(check.pageCount) + " of " + N(check.pageSize));
    }
    std::set<std::uint32_t> pages;
    const auto changed = [&](std::uint32_t page) {
        return EOdsError(path + ": nothing written: page " + N(page) +
                         " is not as the check read it (changed since, or listed twice)");
    };
    for (const TPageMend& mend : check.mends) {
        const auto bytes = file.ReadPage(mend.page);
        if (!std::equal(mend.oldHeader.begin(), mend.oldHeader.end(), bytes.begin()) ||
            !pages.insert(mend.page).second) {
            throw changed(mend.page);
        }
    }
    for (const TPointerPageRebuild& rebuild : check.rebuilds) {
        if (rebuild.bytes.size() != file.PageSize() ||
            PageDigest(file.ReadPage(rebuild.page)) != rebuild.oldDigest ||
            !pages.insert(rebuild.page).second) {
            throw changed(rebuild.page);
        }
    }
    for (const TPageMend& mend : check.mends) {
        auto bytes = file.ReadPage(mend.page);
        std::copy(mend.newHeader.begin(), mend.newHeader.end(), bytes.begin());
        file.WritePage(mend.page, bytes);
    }
    for (const TPointerPageRebuild& rebuild : check.rebuilds) {
        file.WritePage(rebuild.page, rebuild.bytes);
    }
    file.Flush();
}

bool HeaderPageMendable(const std::string& path) {
    try {
        const TDatabaseFile file(path, TDatabaseFile::TAccess::ReadOnly);
        const THeaderPage& header = file.Header();
        return header.Major() == TOdsMajor::Ods12 && header.EditRefusal().empty() &&
               !header.StandardHeaderSound() && file.FileSize() % file.PageSize() == 0;
    } catch (const EOdsError&) {
        return false;
    }
}

void OverlayMends(TDatabaseFile& file, const TPageCheck& check) {
    if (file.PageSize() != check.pageSize || file.PageCount() != check.pageCount) {
        throw EOdsError(file.Path() + ": not the file the page check read");
    }
    for (const TPageMend& mend : check.mends) {
        std::vector<std::uint8_t> page = file.ReadPage(mend.page);
        std::copy(mend.newHeader.begin(), mend.newHeader.end(), page.begin());
        file.Overlay(mend.page, std::move(page));
    }
    for (const TPointerPageRebuild& rebuild : check.rebuilds) {
        file.Overlay(rebuild.page, rebuild.bytes);
    }
}

} // namespace onarim::ods
