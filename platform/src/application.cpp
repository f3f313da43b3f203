#include "wardlock/platform/application.h"

#include "wardlock/platform/dialogs.h"

namespace vcl {

void TApplication::ShowException(const std::exception& error) const
{
    MessageBox(Handle(), error.what(), title_, MB_OK | MB_ICONSTOP);
}

TApplication* FindApplication(const TComponent* component) noexcept
{
    for (auto* c = const_cast<TComponent*>(component); c; c = c->Owner())
        if (auto* application = dynamic_cast<TApplication*>(c))
            return application;
    return nullptr;
}

} // namespace vcl
