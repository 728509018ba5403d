// onarim-damaged-sample [--no-loss] [--rows N] [--large-every K] PATH: makes a Firebird
// database at PATH (which must not exist yet) with a user table of N rows (3000 unless given),
// each with a short text note (every K-th a note of 8000 characters, on blob pages), and
// damages it the way an accident could: a record length past the page on a page of the notes'
// blob records. The repair's tools keep every row but lose those notes, and say nothing of it;
// the repair's own count tells. For trying the repair out; see scripts/run.sh.
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "platform/Exception.h"
#include "platform/Utf8Locale.h"
#include "support/DatabaseDamage.h"
#include "support/TestDatabase.h"

namespace {

// The row count of "--rows N": a whole number from 1 on; 0 when it is not one.
int ParseRowCount(std::string_view text) {
    int rows = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rows);
    return error == std::errc() && end == text.data() + text.size() && rows > 0 ? rows : 0;
}

} // namespace

int main(int argc, char** argv) {
    using namespace onarim::testing;
    onarim::EnsureUtf8Locale();
    TestDatabaseOptions options;
    options.rowCount = 3000;
    options.notes = true;
    int first = 1;
    // --no-loss: the damage hits a page of deleted rows, which the repair mends losing nothing
    // (the benchmark of the repair's own costs uses it).
    bool noLoss = false;
    if (argc > first && std::string_view(argv[first]) == "--no-loss") {
        noLoss = true;
        ++first;
    }
    // --large-every K: the size of a table whose rows are about a kilobyte (with 10: 200 000
    // rows make about 190 MB).
    bool valid = true;
    while (valid && argc >= first + 3) {
        const std::string_view option = argv[first];
        int& value = option == "--rows" ? options.rowCount : options.largeNoteEvery;
        valid = option == "--rows" || option == "--large-every";
        value = valid ? ParseRowCount(argv[first + 1]) : 0;
        valid = valid && value > 0;
        first += 2;
    }
    if (!valid || argc != first + 1) {
        std::fprintf(stderr, "Usage: %s [--no-loss] [--rows N] [--large-every K] PATH\n", argv[0]);
        return 2;
    }
    const std::string path = argv[first];
    if (std::filesystem::exists(path)) {
        std::fprintf(stderr, "%s: %s already exists; it is left as it is.\n", argv[0],
                     path.c_str());
        return 1;
    }
    try {
        const TestDatabase database = CreateTestDatabase(path, options);
        const DamageSite site = DamageDatabase(
            database, DamageKind::RecordLengthPastPage,
            noLoss ? RepairableTarget(DamageKind::RecordLengthPastPage) : DamageTarget::LiveBlobs);
        std::printf("Made %s: table %s with %d rows and notes; damaged %s (a record length "
                    "past the page, among the notes' blob records).\n",
                    path.c_str(), kUserTable, database.rowCount, site.Describe().c_str());
    } catch (const onarim::Exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
    return 0;
}
