#pragma once

#include "trace/TraceFlags.h"
#include "platform/Component.h"

namespace onarim {

// A component that the trace hook reports on: its name starts every text posted for it, and
// its trace-flag set, together with the hook's own, decides whether anything is posted.
// Empty by default: such a component is never traced.
class TTracedComponent : public TComponent {
public:
    using TComponent::TComponent;

    TTraceFlags TraceFlags() const noexcept { return traceFlags_; }
    void SetTraceFlags(TTraceFlags flags) noexcept { traceFlags_ = flags; }

private:
    TTraceFlags traceFlags_;
};

} // namespace onarim
