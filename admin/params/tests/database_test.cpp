// The built-in "Database" type: its sub-parameters "User" and "Passwd", and
// its editor with the password rules (the stored form through the
// application's decoder, or the padded password; one with a zero byte is
// refused).

#include "params_fixture.h"

#include "databasetype.h"
#include "paramcommands.h"
#include "stored_form.h"

#include <wardlock/keeper/strings.h>

#include <QLineEdit>
#include <QPushButton>

#include <gmock/gmock.h>

#include <optional>

using namespace Security;

namespace wardlock_test {

namespace {

// The keys the decoder was last called with.
int decodedWith[2] = {};

// A decoder as an application passes it: "dec:" and the text; for "zero" a
// form holding a zero byte.
tor::pswdsstr<16> TestDecoder(const char* text, int first, int second)
{
    decodedWith[0] = first;
    decodedWith[1] = second;
    if (std::string(text) == "zero") {
        char raw[17] = "dec:\0ero";
        return tor::pswdsstr<16>::from_raw(raw);
    }
    return tor::pswdsstr<16>(("dec:" + std::string(text)).c_str());
}

tor::pswdsstr<16> Padded(const char* password)
{
    return storedform::PaddedPassword(password);
}

// The fixture's hidden form, with a decoder as ShowDlg would hand over.
class DecoderHost : public TSecParamEdFullHost {
public:
    explicit DecoderHost(TSecParamEdFullHost& host)
        : host_(host)
    {
    }
    TSecDModDlgBaseFrm* DataModule() const override { return host_.DataModule(); }
    TSecurity* Security() const override { return host_.Security(); }
    void* Window() const override { return nullptr; }
    SecDlgDecoder PasswdDecoder() const override { return &TestDecoder; }

private:
    TSecParamEdFullHost& host_;
};

struct Typed {
    QString database = "sales";
    QString user = "clerk";
    QString old;
    QString fresh;
    QString confirm;
};

class DatabaseTypeTest : public ParamsTest {
protected:
    void SetUp() override
    {
        ParamsTest::SetUp();
        if (IsSkipped())
            return;
        NewParam("Conn", Module().GetParamTypeID("Database"), "master");
        Select("Conn");
    }
    TSecParamEd Editor() { return TSecParamEd(&Host(), "Conn"); }
    // Opens the editor on "Conn", types `typed` and presses OK; a dialog
    // still open afterwards is cancelled. The cancelled flag.
    bool RunEditor(const Typed& typed, bool decoder)
    {
        Select("Conn");
        TSecParamEd context(
            &Host(), Module().Current.Params, nullptr, Module().ParamValue().c_str());
        if (decoder)
            DatabaseType::SetDecoder(context, &TestDecoder);
        ModalScript script({ [&](QDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Database settings editor");
            EXPECT_EQ(dialog.findChild<QLineEdit*>("DatabaseName")->text(), "master");
            dialog.findChild<QLineEdit*>("DatabaseName")->setText(typed.database);
            dialog.findChild<QLineEdit*>("UserName")->setText(typed.user);
            dialog.findChild<QLineEdit*>("Passwd")->setText(typed.old);
            dialog.findChild<QLineEdit*>("NewPasswd")->setText(typed.fresh);
            dialog.findChild<QLineEdit*>("SecondPasswd")->setText(typed.confirm);
            dialog.findChild<QPushButton*>("OKBtn")->click();
            if (dialog.isVisible())
                dialog.findChild<QPushButton*>("CancelBtn")->click();
        } });
        bool cancelled = false;
        value_ = DatabaseType::Edit(context, cancelled);
        return cancelled;
    }
    tor::pswdsstr<16> value_;
};

TEST_P(DatabaseTypeTest, SubParametersFollowTheParameter)
{
    EXPECT_TRUE(IsHidden("ConnUser"));
    EXPECT_TRUE(IsHidden("ConnPasswd"));
    EXPECT_EQ(FullNameOf("ConnUser"), "Conn full - U\u017Cytkownik");
    EXPECT_EQ(FullNameOf("ConnPasswd"), "Conn full - Has\u0142o");
    EXPECT_TRUE(Editor().RenParam("Conn", "Link"));
    ApplyAndRefresh();
    EXPECT_TRUE(Exists("LinkUser"));
    EXPECT_TRUE(Exists("LinkPasswd"));
    EXPECT_FALSE(Exists("ConnUser"));
    Select("Link");
    ParamCommands::DeleteParam(Host());
    for (const char* name : { "Link", "LinkUser", "LinkPasswd" })
        EXPECT_FALSE(Exists(name)) << name;
}

TEST_P(DatabaseTypeTest, PasswordRules)
{
    const std::string secret = "secret";
    struct Case {
        const char* why;
        std::optional<tor::pswdsstr<16>> storedBefore;
        bool decoder;
        Typed typed;
        std::vector<std::string> boxes;
        // After OK (or the dialog kept open and cancelled):
        tor::pswdsstr<16> storedAfter;
        std::string userAfter;
    };
    const std::string tooLong = SecFormat(sTextTooLong, "New password", "16");
    const Case cases[] = {
        { "new and confirmation differ, old empty", {}, false,
            { "sales", "clerk", "", "one", "two" }, { SecString(sPasswordsDiffer) }, {}, "" },
        { "old and new empty: only the user", Padded("secret"), false,
            { "sales", "bob", "", "", "" }, {}, Padded("secret"), "bob" },
        { "nothing stored: any old password", {}, false,
            { "sales", "clerk", "whatever", "pw1", "pw1" }, {}, Padded("pw1"), "clerk" },
        { "wrong old password", Padded("secret"), false,
            { "sales", "clerk", "wrong", "pw1", "pw1" }, { SecString(sPasswordIncorrect) },
            Padded("secret"), "" },
        { "right old password", Padded("secret"), false,
            { "sales", "clerk", "secret", "next", "next" }, {}, Padded("next"), "clerk" },
        { "through the decoder", {}, true, { "sales", "clerk", "", "pw1", "pw1" }, {},
            tor::pswdsstr<16>("dec:pw1"), "clerk" },
        { "right old password through the decoder", tor::pswdsstr<16>("dec:secret"), true,
            { "sales", "clerk", "secret", "pw2", "pw2" }, {}, tor::pswdsstr<16>("dec:pw2"),
            "clerk" },
        { "a stored form with a zero byte", {}, true, { "sales", "clerk", "", "zero", "zero" },
            { SecString(sPasswordHoldsZero) }, {}, "" },
        { "a password of 17 bytes", {}, false,
            { "sales", "clerk", "", "seventeen bytes!!", "seventeen bytes!!" }, { tooLong }, {},
            "" },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.why);
        Module().CancelUpdates();
        if (test.storedBefore)
            Editor().SetPswdSubParam("Passwd", *test.storedBefore);
        BoxRecorder boxes;
        const bool cancelled = RunEditor(test.typed, test.decoder);
        EXPECT_EQ(boxes.Texts(), test.boxes);
        EXPECT_EQ(cancelled, !test.boxes.empty());
        EXPECT_EQ(value_, cancelled ? tor::pswdsstr<16>() : tor::pswdsstr<16>("sales"));
        EXPECT_EQ(Editor().GetPswdSubParam("Passwd"), test.storedAfter);
        EXPECT_EQ(Editor().GetSubParam("User").str(), test.userAfter);
    }
}

// Through the value column's command: the host's decoder reaches the editor
// with the context's keys; Cancel leaves everything as it was.
TEST_P(DatabaseTypeTest, TheCommandHandsOverTheDecoder)
{
    DecoderHost host(Host());
    {
        ModalScript script({ [](QDialog& dialog) {
            dialog.findChild<QLineEdit*>("DatabaseName")->setText("sales");
            dialog.findChild<QLineEdit*>("NewPasswd")->setText("pw1");
            dialog.findChild<QLineEdit*>("SecondPasswd")->setText("pw1");
            dialog.findChild<QPushButton*>("OKBtn")->click();
        } });
        EXPECT_TRUE(ParamCommands::EditParamValue(host));
    }
    Select("Conn");
    EXPECT_EQ(Module().ParamValue().str(), "sales");
    EXPECT_EQ(Editor().GetPswdSubParam("Passwd"), tor::pswdsstr<16>("dec:pw1"));
    TSecParamEd context(&Host(), Module().Current.Params, nullptr, "");
    EXPECT_EQ(decodedWith[0], context.Keys[0]);
    EXPECT_EQ(decodedWith[1], context.Keys[1]);

    ModalScript script({ [](QDialog& dialog) {
        dialog.findChild<QLineEdit*>("DatabaseName")->setText("other");
        dialog.findChild<QLineEdit*>("UserName")->setText("someone");
        dialog.findChild<QPushButton*>("CancelBtn")->click();
    } });
    EXPECT_FALSE(ParamCommands::EditParamValue(host));
    Select("Conn");
    EXPECT_EQ(Module().ParamValue().str(), "sales");
    EXPECT_EQ(Editor().GetSubParam("User").str(), "");
}

INSTANTIATE_TEST_SUITE_P(Engines, DatabaseTypeTest,
    ::testing::Values(Engine::SQLite, Engine::PostgreSQL), AdminEngineName);

} // namespace

} // namespace wardlock_test
