#pragma once
// TSecuredForm: a form that binds itself to a security when it is created and
// makes sure a user is logged in before the application's own code runs.
// Derive from it, name the security in the constructor, and put the code that
// depends on the user's rights into OnRightsCheck or an AfterRightsCheck
// override.

#include <wardlock/platform/form.h>
#include <wardlock/rights.h>

#include <functional>

// A form bound to a security that logs the user in while it is made (see the file comment).
class TSecuredForm : public vcl::TForm {
    Q_OBJECT

public:
    // Binds Rights to `securityName`; when it is bound and nobody is logged
    // in, logs in (AutoLogin). AfterRightsCheck runs in every case, also for
    // an unknown security or a failed login.
    TSecuredForm(vcl::TComponent* owner, const char* securityName);
    ~TSecuredForm() override;

    // Raised by AfterRightsCheck with the form as sender (null at construction).
    std::function<void(TSecuredForm* sender)> OnRightsCheck;
    Security::TSecRights Rights;

    // Raises OnRightsCheck when it is assigned.
    virtual void AfterRightsCheck();

protected:
    // For subclasses that override AfterRightsCheck: a base class constructor
    // cannot reach an override, so construct with DeferredCheck and call
    // RightsCheck() as the last step of the subclass's constructor.
    struct DeferredCheck { };
    // Binds without the check; the subclass calls RightsCheck at the end of its constructor.
    TSecuredForm(vcl::TComponent* owner, const char* securityName, DeferredCheck);
    // The security check: AutoLogin when bound and not logged in, then
    // AfterRightsCheck.
    void RightsCheck();
};
