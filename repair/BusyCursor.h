#pragma once

#include "repair/RepairOperator.h"

namespace onarim {

// The busy cursor for as long as the object lives; the hand-pointer cursor after it, on every
// way out (a tool that fails to start included). The hand pointer stays after the run.
class TBusyCursor {
public:
    explicit TBusyCursor(IRepairOperator& repairOperator) : operator_(repairOperator) {
        operator_.SetCursor(TAppCursor::Busy);
    }
    ~TBusyCursor() {
        try {
            operator_.SetCursor(TAppCursor::HandPoint);
        } catch (...) {
            // The error that leaves the scope is the one to tell.
        }
    }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

private:
    IRepairOperator& operator_;
};

} // namespace onarim
