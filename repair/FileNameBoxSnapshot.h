#pragma once

#include <string>
#include <utility>

#include "repair/RepairOperator.h"

namespace onarim {

// The file-name edit box as it stood when a repair began: its text and the file name it
// derived from it, read on the GUI thread, so that the repair on its worker thread never
// touches the widget.
class TFileNameBoxSnapshot : public IFileNameBox {
public:
    TFileNameBoxSnapshot(std::string text, std::string fileName)
        : text_(std::move(text)), fileName_(std::move(fileName)) {}
    std::string Text() const override { return text_; }
    std::string FileName() const override { return fileName_; }

private:
    std::string text_;
    std::string fileName_;
};

} // namespace onarim
