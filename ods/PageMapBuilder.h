#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ods/DataPage.h"
#include "ods/DatabaseFile.h"
#include "ods/InventoryPages.h"
#include "ods/PageGeometry.h"
#include "ods/PageMap.h"
#include "ods/PageMapEntry.h"
#include "ods/PagesRelation.h"

namespace onarim::ods {

// Builds a TPageMap (see BuildPageMap). First the structure is read page by page where it
// lies: the PIPs, the SCN page of the first range, RDB$PAGES, the pointer pages and index
// roots it lists. Then one sequential pass in large runs reads every page's header, follows
// the bodies of the pages the map names as data pages, blob pointer pages and TIPs (blob
// headers, fragment pointers, TIP chain), and recognises B-tree pages by their bodies. A page
// named after the pass went by it is read on its own. Last, pointer pages that could not be
// read are rebuilt from the data pages that name their relation.
class TPageMapBuilder {
public:
    explicit TPageMapBuilder(const TDatabaseFile& file);
    TPageMap Build();

private:
    // What a structure says a page must be.
    struct TClaim {
        TPageType type;
        std::uint8_t flags;
        TPageOrigin origin;
        std::uint16_t relation;
        std::uint32_t owner;
        std::uint32_t position;
    };
    // A page RDB$PAGES lists, and the RDB$PAGES page the row lies on.
    struct TListed {
        std::uint32_t page;
        std::uint32_t rowPage;
    };
    // A pointer page to rebuild.
    struct TPendingRebuild {
        std::uint16_t relation;
        std::uint32_t sequence;
        std::uint32_t page;
        std::uint32_t next;
    };
    // A data page that names a relation whose pointer page is to be rebuilt.
    struct TCandidate {
        std::uint32_t page;
        std::uint32_t sequence;
        std::uint8_t flags;
        std::uint16_t lineCount;
    };
    struct TIndexRoot {
        std::uint32_t rootIndexPage; // the index root page
        std::optional<std::uint8_t> level;
    };

    // Structure read where it lies.
    void ReadInventory();
    void ReadPagesRelation();
    void DecodePagesRows(std::uint32_t page);
    void AddPagesRow(const TPagesRow& row, std::uint32_t rowPage);
    void ReadPointerChain(std::uint16_t relation, const std::map<std::uint32_t, TListed>& listed);
    void ClaimSlots(std::uint32_t page, TBytes bytes, std::uint16_t relation, std::uint32_t sequence,
                    std::vector<std::uint32_t>* dataPages);
    void ReadIndexRoots();

    // The sequential pass.
    void ObserveAll();
    void Observe(std::uint32_t page, TBytes bytes);
    void LoadScnTable(std::uint32_t page, TBytes bytes);
    void NoteHighestScn(const TScnPage& scn);
    bool ScnAgrees(std::uint32_t page, std::uint32_t scn) const;
    bool RecogniseBTree(std::uint32_t page, TBytes bytes);
    void CollectCandidate(std::uint32_t page, TBytes bytes);

    // Following bodies.
    static bool NeedsParse(const TPageMapEntry& entry);
    void Parse(std::uint32_t page, TBytes bytes);
    void ParseDataPage(std::uint32_t page, TBytes bytes);
    void ParseBlobPointerPage(std::uint32_t page, TBytes bytes);
    void ParseTip(std::uint32_t page, TBytes bytes);
    void DrainWorklist();

    // After the pass.
    std::vector<TCandidate> ScanForDataPages(std::uint16_t relation);
    bool Rebuild(const TPendingRebuild& pending, std::vector<TCandidate> candidates,
                 std::vector<std::uint32_t>* dataPages);
    void RebuildPending();
    void JudgeUnnamedPages();

    bool Claim(std::uint64_t page, const TClaim& claim);
    bool Contradicts(std::uint32_t page, const std::string& what);
    void Problem(std::uint32_t page, std::string text);
    std::string Reason(const TPageMapEntry& entry) const;
    std::vector<std::uint8_t> Read(std::uint32_t page) const { return file_.ReadPage(page); }

    const TDatabaseFile& file_;
    TPageGeometry geometry_;
    TPageMap map_;
    std::vector<TPageMapEntry>& entries_;
    std::uint32_t pageCount_;

    std::map<std::uint16_t, std::map<std::uint32_t, TListed>> pointerPages_;
    std::map<std::uint16_t, TListed> indexRootPages_;
    std::map<std::uint32_t, TIndexRoot> indexRoots_; // key: relation << 8 | index slot
    std::vector<TPendingRebuild> pendingRebuilds_;
    std::set<std::uint16_t> rebuildRelations_;
    std::map<std::uint16_t, std::vector<TCandidate>> candidates_;

    std::uint64_t observedUpTo_ = 0; // pages below this were read by the sequential pass
    std::vector<std::uint32_t> worklist_;
    std::vector<std::uint8_t> scnTable_; // the SCN slots of the range being passed
    bool scnKnown_ = false;
    std::vector<std::uint8_t> firstScnTable_;
    bool firstScnKnown_ = false;
};

} // namespace onarim::ods
