#include "wardlock/platform/form.h"

#include "wardlock/platform/application.h"
#include "wardlock/platform/dialogs.h"

#include <QPointer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

using namespace vcl;

namespace {

// A security-like component owned by the application, owning its dialog.
struct Fixture {
    TApplication application;
    std::unique_ptr<QWidget> host = std::make_unique<QWidget>();
    TComponent* security = new TComponent(&application);
};

TEST(Form, ParentIsTheOwningModulesApplicationWindow)
{
    Fixture f;
    f.application.SetHandle(WindowHandle(f.host.get()));
    auto* form = new TForm(f.security);
    EXPECT_EQ(form->parentWidget(), f.host.get());
    EXPECT_TRUE(form->isWindow());

    TComponent stray;
    TForm orphan(&stray);
    EXPECT_EQ(orphan.parentWidget(), nullptr);
    TForm none(nullptr);
    EXPECT_EQ(none.parentWidget(), nullptr);
}

TEST(Form, ShowModalFollowsTheApplicationWindowGivenLater)
{
    Fixture f;
    auto* form = new TForm(f.security);
    EXPECT_EQ(form->parentWidget(), nullptr);
    f.application.SetHandle(WindowHandle(f.host.get()));

    QWidget* parentDuringRun = nullptr;
    ScopedModalHook hook([&](QDialog& d) { parentDuringRun = d.parentWidget(); });
    form->ShowModal();
    EXPECT_EQ(parentDuringRun, f.host.get());
}

struct ResultCase {
    const char* name;
    std::function<void(TForm&)> drive;
    int expected;
};

class FormModalResult : public testing::TestWithParam<ResultCase> { };

TEST_P(FormModalResult, ShowModalRunsThroughTheHook)
{
    TForm form(nullptr);
    EXPECT_EQ(form.ModalResult(), mrNone);
    ScopedModalHook hook([&](QDialog& d) {
        ASSERT_EQ(&d, static_cast<QDialog*>(&form));
        GetParam().drive(form);
    });
    EXPECT_EQ(form.ShowModal(), GetParam().expected);
    EXPECT_EQ(form.ModalResult(), GetParam().expected);
    EXPECT_FALSE(form.isVisible());
}

INSTANTIATE_TEST_SUITE_P(Table, FormModalResult,
    testing::Values(
        ResultCase { "SetModalResultOk", [](TForm& f) { f.SetModalResult(mrOk); }, mrOk },
        ResultCase {
            "SetModalResultCancel", [](TForm& f) { f.SetModalResult(mrCancel); }, mrCancel },
        ResultCase { "Accepted", [](TForm& f) { f.accept(); }, mrOk },
        ResultCase { "LeftOpen", [](TForm&) {}, mrCancel }),
    [](const auto& info) { return std::string(info.param.name); });

// However a form dies, its owner and its window parent both forget it.
struct DeathCase {
    const char* name;
    std::function<void(Fixture&, TForm*)> kill;
    bool ownerSurvives;
};

class FormDestruction : public testing::TestWithParam<DeathCase> { };

TEST_P(FormDestruction, LeavesOwnerAndParentConsistent)
{
    Fixture f;
    f.application.SetHandle(WindowHandle(f.host.get()));
    auto* form = new TForm(f.security);
    form->SetName("LoginDlg");
    QPointer<QObject> watch(form);
    ASSERT_EQ(f.security->FindComponent("LoginDlg"), form);
    ASSERT_TRUE(f.host->children().contains(form));

    GetParam().kill(f, form);

    EXPECT_TRUE(watch.isNull());
    if (GetParam().ownerSurvives) {
        EXPECT_EQ(f.security->ComponentCount(), 0);
        EXPECT_EQ(f.security->FindComponent("LoginDlg"), nullptr);
    }
    if (f.host) {
        EXPECT_TRUE(f.host->children().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Table, FormDestruction,
    testing::Values(DeathCase { "Deleted", [](Fixture&, TForm* form) { delete form; }, true },
        DeathCase { "ByItsOwner", [](Fixture& f, TForm*) { delete f.security; }, false },
        DeathCase { "ByItsWindowParent", [](Fixture& f, TForm*) { f.host.reset(); }, true }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Form, ApplicationDestroysItsFormsBeforeTheHostWindow)
{
    auto host = std::make_unique<QWidget>();
    QPointer<QObject> watch;
    {
        TApplication application;
        application.SetHandle(WindowHandle(host.get()));
        watch = new TForm(&application);
    }
    EXPECT_TRUE(watch.isNull());
    EXPECT_TRUE(host->children().isEmpty());
}

} // namespace
