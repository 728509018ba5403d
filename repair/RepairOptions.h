#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace onarim {

// Choices of a front end beyond the window's.
struct TRepairOptions {
    // Keep a byte copy of the original beside it before anything changes it.
    bool keepCopy = true;
    // The program that runs each validation in a process of its own (onarim-validate; see
    // ValidatorPath). Empty: the tools' ValidatorProgram, and when that is empty too, the
    // service component validates in this process, which is then left holding a database
    // whose validation failed part-way.
    std::string validator;
    // Count the kept original on a thread of its own while gfix and the backup run (each in a
    // process of its own), instead of before them. Tests whose server tools record the order
    // of calls turn it off.
    bool countAlongsideTools = true;
    // The clock that dates the kept copy and the report (tests fix it).
    std::function<std::chrono::system_clock::time_point()> clock = [] {
        return std::chrono::system_clock::now();
    };
};

} // namespace onarim
