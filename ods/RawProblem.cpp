#include "ods/RawProblem.h"

namespace onarim::ods {

std::string TRawProblem::Describe() const {
    std::string text = "page " + std::to_string(page);
    if (line) {
        text += " line " + std::to_string(*line);
    }
    return text + ": " + reason;
}

} // namespace onarim::ods
