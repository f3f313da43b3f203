#include "wardlock/platform/application.h"
#include "wardlock/platform/dialogs.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

using namespace vcl;

namespace {

TEST(Application, HandleIsTheHostWindowAndForgetsItWhenItDies)
{
    TApplication application;
    EXPECT_EQ(application.Handle(), nullptr);
    EXPECT_EQ(application.Window(), nullptr);

    auto host = std::make_unique<QWidget>();
    application.SetHandle(WindowHandle(host.get()));
    EXPECT_EQ(application.Handle(), static_cast<void*>(host.get()));
    EXPECT_EQ(application.Window(), host.get());

    host.reset();
    EXPECT_EQ(application.Handle(), nullptr);
    EXPECT_EQ(application.Window(), nullptr);
}

TEST(Application, ShowExceptionAsksAStopBoxWithTheTitleOwnedByTheHost)
{
    TApplication application;
    QWidget host;
    application.SetHandle(WindowHandle(&host));
    application.SetTitle("WardDemo");

    MessageBoxRequest asked;
    int calls = 0;
    ScopedMessageBoxHook hook([&](const MessageBoxRequest& request) {
        asked = request;
        ++calls;
        return IDOK;
    });
    application.ShowException(std::runtime_error("Login failed."));

    EXPECT_EQ(calls, 1);
    EXPECT_EQ(asked.owner, static_cast<void*>(&host));
    EXPECT_EQ(asked.text, "Login failed.");
    EXPECT_EQ(asked.caption, "WardDemo");
    EXPECT_EQ(asked.buttons, MB_OK);
    EXPECT_EQ(asked.icon, MB_ICONSTOP);
}

TEST(Application, FoundUpTheOwnerChain)
{
    TApplication application;
    auto* security = new TComponent(&application);
    auto* dataModule = new TComponent(security);
    TComponent stray;

    EXPECT_EQ(FindApplication(dataModule), &application);
    EXPECT_EQ(FindApplication(&application), &application);
    EXPECT_EQ(FindApplication(&stray), nullptr);
    EXPECT_EQ(FindApplication(nullptr), nullptr);
}

} // namespace
