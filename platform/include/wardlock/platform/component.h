#pragma once
// Components with an owner and a name. The owner destroys what it owns; names
// are identifiers, unique among an owner's components without regard to case.

#include <string>
#include <vector>

namespace vcl {

// An object with an owner and a name (see the file comment). Destroying a component destroys the
// components it owns, and removes it from its owner's list.
class TComponent {
public:
    // Owned by `owner` (null: by nobody, the caller destroys it).
    explicit TComponent(TComponent* owner = nullptr);
    virtual ~TComponent();

    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    // The owner (null when none).
    TComponent* Owner() const noexcept { return owner_; }
    // The name ("" when none).
    const std::string& Name() const noexcept { return name_; }

    // Throws EComponentError (and changes nothing) when `name` is not a valid
    // identifier or another component of the same owner already has it, in
    // any letter case. The empty name is always allowed.
    void SetName(const std::string& name);

    // The number of owned components, and one of them (in the order they were added; an index out
    // of range throws std::out_of_range).
    int ComponentCount() const noexcept { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }
    // Case-insensitive, as names are unique without regard to case; null when absent.
    TComponent* FindComponent(const std::string& name) const;

    // Ownership transfer: remove from the current owner, add to `owner` (may be null).
    void SetOwner(TComponent* owner);

    // True when `name` is an identifier: a letter or '_', then letters, digits or '_'.
    static bool IsValidIdent(const std::string& name);

protected:
    // Called on the owner when one of its components is about to be destroyed.
    virtual void Notification(TComponent* component) { }

private:
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    TComponent* owner_ = nullptr;
    std::string name_;
    std::vector<TComponent*> components_;
    bool destroying_ = false;
};

} // namespace vcl
