#include <gtest/gtest.h>

#include "cli/CheckFindings.h"
#include "cli/CheckStatusLine.h"

namespace onarim {
namespace {

TDatabaseInfo Facts(bool forcedWrites, std::int64_t oldest, std::int64_t next) {
    TDatabaseInfo facts;
    facts.pages = 344;
    facts.forcedWrites = forcedWrites;
    facts.oldestTransaction = oldest;
    facts.oldestActive = oldest + 1;
    facts.nextTransaction = next;
    return facts;
}

// The line a monitor reads, from what the check found: the worst finding decides the status,
// every finding is told (the worst first), the performance data ends the line.
TEST(CheckStatusLineTest, TellsEveryFindingTheWorstFirst) {
    const std::string db = "/srv/muhasebe.fdb";
    const TValidationReport sound =
        ReadValidationReport({"Relation 128 (T1) is ok", "Validation finished"});
    const TValidationReport damaged =
        ReadValidationReport({"Relation 128 (ITEMS) : 3 ERRORS found", "Relation 129 (NOTLAR) ",
                "Acquire relation lock failed", "Relation 129 (NOTLAR) : 1 ERRORS found",
                "Validation finished"});
    const struct {
        const char* label;
        TDatabaseInfo facts;
        TValidationReport validation;
        std::int64_t warnGap;
        TCheckStatus status;
        std::string line;
    } cases[] = {
        {"gap at the limit is no warning", Facts(true, 10, 60), sound, 50, TCheckStatus::Ok,
         "ONARIM OK - /srv/muhasebe.fdb: sağlam, 1 tablo doğrulandı, hata yok | pages=344 "
         "gap=50;50 errors=0"},
        {"forced writes off and a gap", Facts(false, 10, 61), sound, 50, TCheckStatus::Warning,
         "ONARIM WARNING - /srv/muhasebe.fdb: zorunlu yazma (forced writes) kapalı: bir çökmede "
         "onaylanmış veriler kaybolabilir; açmak için gfix -write sync; işlem farkı 51, sınır 50 "
         "(en eski ilgili işlem 10, sonraki 61): uzun süredir açık bir işlem ya da yapılmamış bir "
         "süpürme (sweep) var | pages=344 gap=51;50 errors=0"},
        {"damage before the lock it was told with", Facts(true, 10, 12), damaged, 100000,
         TCheckStatus::Critical,
         "ONARIM CRITICAL - /srv/muhasebe.fdb: doğrulama hata buldu: ITEMS tablosunda 3 hata; "
         "veri tabanına bağlı kullanıcı yokken onarımı çalıştırın: onarim-cli /srv/muhasebe.fdb; "
         "NOTLAR tablosu başka bir işlemin kilidi yüzünden doğrulanamadı | pages=344 "
         "gap=2;100000 errors=3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TCheckResult result;
        result.database = db;
        result.warnGap = c.warnGap;
        result.facts = c.facts;
        result.validation = c.validation;
        result.findings = ValidationFindings(c.validation, db);
        for (const TCheckFinding& finding : FactFindings(c.facts, c.warnGap)) {
            result.findings.push_back(finding);
        }
        EXPECT_EQ(result.Status(), c.status);
        EXPECT_EQ(CheckStatusLine(result), c.line);
    }
}

// A path or a server text must not break the one line or begin the performance data early;
// the advice quotes a path a shell would split.
TEST(CheckStatusLineTest, KeepsToOneLineWhateverTheTextsHold) {
    TCheckResult result;
    result.database = "/srv/a|b\nc d.fdb";
    result.warnGap = 7;
    result.validation = ReadValidationReport({"Relation 128 (T1) : 1 ERRORS found"});
    result.findings = ValidationFindings(*result.validation, result.database);
    EXPECT_EQ(CheckStatusLine(result),
              "ONARIM CRITICAL - /srv/a¦b c d.fdb: doğrulama hata buldu: T1 tablosunda 1 hata; veri "
              "tabanına bağlı kullanıcı yokken onarımı çalıştırın: onarim-cli '/srv/a¦b c d.fdb' | "
              "pages=U gap=U;7 errors=1");
    EXPECT_EQ(RepairAdvice("/srv/it's.fdb"),
              "veri tabanına bağlı kullanıcı yokken onarımı çalıştırın: onarim-cli "
              "'/srv/it'\\''s.fdb'");
}

} // namespace
} // namespace onarim
