// onarim-damaged-sample PATH: makes a Firebird database at PATH (which must not exist yet)
// with a user table of 200 rows, and damages it the way an accident could, on a page the
// repair mends without losing a row. For trying the repair out; see scripts/run.sh.
#include <cstdio>
#include <filesystem>

#include "platform/Exception.h"
#include "platform/Utf8Locale.h"
#include "support/DatabaseDamage.h"
#include "support/TestDatabase.h"

int main(int argc, char** argv) {
    using namespace onarim::testing;
    onarim::EnsureUtf8Locale();
    if (argc != 2) {
        std::fprintf(stderr, "Usage: %s PATH\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    if (std::filesystem::exists(path)) {
        std::fprintf(stderr, "%s: %s already exists; it is left as it is.\n", argv[0], path.c_str());
        return 1;
    }
    try {
        const TestDatabase database = CreateTestDatabase(path);
        const DamageSite site = DamageDatabase(database, DamageKind::RecordLengthPastPage);
        std::printf("Made %s: table %s with %d rows; damaged %s (a record length past the "
                    "page).\n",
                    path.c_str(), kUserTable, database.rowCount, site.Describe().c_str());
    } catch (const onarim::Exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
    return 0;
}
