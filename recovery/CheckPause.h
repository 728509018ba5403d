#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "recovery/CheckConstraints.h"

namespace onarim {

class TSqlAttachment;

// What became of the CHECKs a pause took out, once they are back.
struct TChecksRestored {
    // Rows that break a CHECK, by TCheckTest::label; only CHECKs that some row breaks.
    std::map<std::string, std::int64_t> violations;
    // One line for the operator each: a CHECK that could not be made again (the database
    // lacks it now), or whose rows could not be counted.
    std::vector<std::string> problems;
};

// Takes the CHECKs of some tables out of a database for as long as it lives, so that rows
// are written as they were read, those that break a CHECK too: a CHECK judges a row as it is
// written, and a row the damaged database holds is data whatever a CHECK says of it now (an
// order shipped to a customer who was put on hold later). Each CHECK is dropped, and made
// again from its source when the pause ends; Firebird does not test the rows already there
// when it adds a CHECK, so nothing is refused then, and the rows that break it are counted
// instead. CHECKs whose source the catalogue does not keep are left in force (see
// ReadCheckConstraints). Each change is committed in a transaction of its own on
// `attachment`, which must outlive it.
class TCheckPause {
public:
    // Drops the CHECK constraints of `tables` and the CHECKs of the domains their columns
    // use. Raises EIBInterBaseError when they cannot be listed or one cannot be dropped (those
    // dropped already are made again first).
    TCheckPause(TSqlAttachment& attachment, const std::vector<std::string>& tables);
    // Makes the CHECKs again, as far as it can; never raises. Call Resume() to learn what
    // became of them.
    ~TCheckPause();
    TCheckPause(const TCheckPause&) = delete;
    TCheckPause& operator=(const TCheckPause&) = delete;

    // Makes every CHECK again and counts the rows that break each. Nothing is left to do
    // afterwards.
    TChecksRestored Resume();

    // How many CHECKs are out.
    std::size_t Paused() const noexcept { return dropped_.size(); }

private:
    // Adds every dropped CHECK again; returns those made, a line in `failures` for each other.
    std::vector<TCheckConstraint> Restore(std::vector<std::string>& failures);

    TSqlAttachment& attachment_;
    std::vector<TCheckConstraint> dropped_;
};

} // namespace onarim
