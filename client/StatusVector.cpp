#include "client/StatusVector.h"

namespace onarim {

ISC_STATUS* ThreadStatusVector() {
    thread_local ISC_STATUS statusVector[kStatusVectorLength] = {};
    return statusVector;
}

} // namespace onarim
