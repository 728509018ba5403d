#pragma once

#include <string>

namespace onarim {

// A named part of the program. The owner is recorded for whoever needs to walk up from a
// component (a window to its form, for instance); lifetime is managed by plain C++ ownership,
// so an owner holds its components as members or smart pointers. The name is what trace output
// prints for the component.
class TComponent {
public:
    explicit TComponent(TComponent* owner = nullptr, std::string name = {})
        : owner_(owner), name_(std::move(name)) {}
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    virtual ~TComponent() = default;

    TComponent* Owner() const noexcept { return owner_; }
    const std::string& Name() const noexcept { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

private:
    TComponent* owner_;
    std::string name_;
};

} // namespace onarim
