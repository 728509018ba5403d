#pragma once

#include <string>
#include <vector>

namespace onarim {

class TSqlAttachment;

// Sets the active triggers of one table inactive for as long as it lives, so that rows
// written back land as they were read: a trigger could give a row a new key, fill a column
// or refuse the row. The triggers are made active again when it goes. Each change is
// committed in a transaction of its own on `attachment`, which must outlive it.
class TTriggerPause {
public:
    // Raises EIBInterBaseError when the triggers cannot be listed or one cannot be set
    // inactive (those already set inactive are set active again first).
    TTriggerPause(TSqlAttachment& attachment, const std::string& table);
    // Sets the triggers active again, as far as it can; never raises. Call Resume() to learn
    // which could not be.
    ~TTriggerPause();
    TTriggerPause(const TTriggerPause&) = delete;
    TTriggerPause& operator=(const TTriggerPause&) = delete;

    // Sets the triggers active again and returns one message for each that could not be
    // ("TRIGGER_NAME: server message"). Nothing is left to do afterwards.
    std::vector<std::string> Resume();

private:
    TSqlAttachment& attachment_;
    std::vector<std::string> paused_;
};

// Runs one statement in a read-write transaction of its own and commits it. Raises
// EIBInterBaseError when the server refuses it (nothing is then committed).
void ExecuteCommitted(TSqlAttachment& attachment, const std::string& sql);

} // namespace onarim
