#pragma once
// The full administration dialog over a real data module: the administration
// data modules' fixture (a fresh security database, securities logged in
// through the BDE provider) and a dialog built on one of its securities.
// Message boxes are answered from a script and recorded.

#include "admin_fixture.h"
#include "securitydlgfrm.h"

#include <wardlock/keeper/strings.h>
#include <wardlock/platform/dialogs.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace wardlock_test {

// Answers message boxes in order (IDOK once the answers run out, which the
// test notices as an unexpected box) and records them.
class BoxScript {
public:
    explicit BoxScript(std::deque<int> answers = {});
    ~BoxScript();
    std::vector<std::string> Texts() const;
    const std::vector<vcl::MessageBoxRequest>& Boxes() const { return boxes_; }
    std::size_t Unanswered() const { return answers_.size(); }

private:
    std::deque<int> answers_;
    std::vector<vcl::MessageBoxRequest> boxes_;
    vcl::ScopedMessageBoxHook hook_;
    bool overrun_ = false;
};

class FullDialogTest : public AdminTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A group whose members hold `adminMask` on "Security" and `designMask`
    // on "SecProjecting", with a member "name" logged in.
    Security::TSecurity* LoginWithMasks(const std::string& name, int adminMask, int designMask);
    std::unique_ptr<Security::TSecurityDlgFrm> Open(Security::TSecurity* security);
    // Gives the logged user's own record the full name `fullName` through the
    // dialog's module, unapplied.
    static void RenameOwnUser(Security::TSecurityDlgFrm& dialog, const char* fullName);
    // The tab captions of a dialog, in order.
    static std::vector<std::string> Tabs(const Security::TSecurityDlgFrm& dialog);
    // Selects the tab with `caption`; false when there is none.
    static bool ShowTab(Security::TSecurityDlgFrm& dialog, const std::string& caption);

    static std::string Msg(Security::TSecStringId id) { return Security::SecString(id); }
};

} // namespace wardlock_test
