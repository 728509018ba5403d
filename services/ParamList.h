#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace onarim {

// An ordered list of text lines of the form name=value, as a service component holds its
// parameters. Its owner installs two hooks: `changing` runs before every change and may refuse
// it by raising (the list then keeps its lines); `changed` runs after every change.
class TParamList {
public:
    using Hook = std::function<void()>;

    void SetHooks(Hook changing, Hook changed) {
        changing_ = std::move(changing);
        changed_ = std::move(changed);
    }

    std::size_t Count() const noexcept { return lines_.size(); }
    const std::string& operator[](std::size_t index) const { return lines_.at(index); }
    const std::vector<std::string>& Lines() const noexcept { return lines_; }

    void Add(std::string line) {
        Change([&] { lines_.push_back(std::move(line)); });
    }
    // Replaces the line at `index` (an index past the end raises std::out_of_range).
    void Set(std::size_t index, std::string line) {
        Change([&] { lines_.at(index) = std::move(line); });
    }
    void Delete(std::size_t index) {
        Change([&] {
            static_cast<void>(lines_.at(index));
            lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index));
        });
    }
    void Clear() {
        Change([&] { lines_.clear(); });
    }
    // Replaces every line by a copy of `lines`.
    void Assign(std::vector<std::string> lines) {
        Change([&] { lines_ = std::move(lines); });
    }

private:
    template <typename Edit>
    void Change(Edit edit) {
        if (changing_) {
            changing_();
        }
        edit();
        if (changed_) {
            changed_();
        }
    }

    std::vector<std::string> lines_;
    Hook changing_;
    Hook changed_;
};

} // namespace onarim
