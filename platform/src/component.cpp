#include "wardlock/platform/component.h"

#include "wardlock/platform/exception.h"

#include <algorithm>
#include <cctype>

namespace vcl {

namespace {
bool sameTextIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}
}  // namespace

TComponent::TComponent(TComponent* owner)
{
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    destroying_ = true;
    // Owned components die with their owner, newest first.
    while (!components_.empty()) {
        TComponent* child = components_.back();
        components_.pop_back();
        child->owner_ = nullptr;
        delete child;
    }
    if (owner_)
        owner_->RemoveComponent(this);
}

bool TComponent::IsValidIdent(const std::string& name)
{
    if (name.empty())
        return false;
    auto isStart = [](unsigned char c) { return std::isalpha(c) || c == '_'; };
    auto isPart = [](unsigned char c) { return std::isalnum(c) || c == '_'; };
    if (!isStart(static_cast<unsigned char>(name[0])))
        return false;
    return std::all_of(name.begin() + 1, name.end(),
                       [&](char c) { return isPart(static_cast<unsigned char>(c)); });
}

void TComponent::SetName(const std::string& name)
{
    if (name == name_)
        return;
    if (!name.empty()) {
        if (!IsValidIdent(name))
            throw EComponentError("'" + name + "' is not a valid component name");
        if (owner_) {
            TComponent* other = owner_->FindComponent(name);
            if (other && other != this)
                throw EComponentError("A component named " + name + " already exists");
        }
    }
    name_ = name;
}

TComponent* TComponent::FindComponent(const std::string& name) const
{
    if (name.empty())
        return nullptr;
    for (TComponent* c : components_)
        if (sameTextIgnoringCase(c->name_, name))
            return c;
    return nullptr;
}

void TComponent::SetOwner(TComponent* owner)
{
    if (owner == owner_)
        return;
    if (owner && !name_.empty() && owner->FindComponent(name_))
        throw EComponentError("A component named " + name_ + " already exists");
    if (owner_)
        owner_->RemoveComponent(this);
    if (owner)
        owner->InsertComponent(this);
}

void TComponent::InsertComponent(TComponent* component)
{
    components_.push_back(component);
    component->owner_ = this;
}

void TComponent::RemoveComponent(TComponent* component)
{
    if (!destroying_)
        Notification(component);
    auto it = std::find(components_.begin(), components_.end(), component);
    if (it != components_.end())
        components_.erase(it);
    component->owner_ = nullptr;
}

}  // namespace vcl
