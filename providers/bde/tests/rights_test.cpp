// Rights, parameters and database-wide settings of the logged user, read
// through the BDE provider.

#include "bde_fixture.h"

#include <wardlock/data/dataset.h>
#include <wardlock/datamodule.h>
#include <wardlock/encoding.h>

#include <climits>

using namespace Security;

namespace wardlock_test {
namespace {

class RightsTest : public BdeTest {
protected:
    void SetUp() override
    {
        BdeTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        other = db().AddGroup("Others");
        orders = db().AddForm("Orders");
        stock = db().AddForm("Stock");
        hidden = db().AddForm("Hidden");
        bare = db().AddForm("Bare");
        db().SetGroupRight(clerks, orders, srView | srInsert);
        db().SetGroupRight(clerks, stock, srView | srModify | srDelete);
        db().SetUserRight(clerk, stock, srView); // replaces the group's row
        db().SetGroupRight(clerks, hidden, srView | srInsert | srModify | srDelete);
        db().SetUserRight(clerk, hidden, 0); // all four false hides the group's row
        db().SetGroupRight(other, bare, srView); // another group's row only
    }

    Security::TSecurity* Login()
    {
        Security::TSecurity* security = LoginAs("clerk", kClerkPassword);
        EXPECT_NE(security, nullptr);
        return security;
    }

    int other = 0, orders = 0, stock = 0, hidden = 0, bare = 0;
};

TEST_P(RightsTest, UserRowReplacesTheGroupRowAndUnknownFormsGiveMinusOne)
{
    TSecRights rights(Login());
    struct Case {
        const char* form;
        int id;
        int mask;
    };
    const Case cases[] = {
        { "Orders", orders, srView | srInsert }, // group row only
        { "Stock", stock, srView }, // the user's row, never merged with the group's
        { "Hidden", hidden, 0 }, // an all-false user row hides the group's
        { "Bare", bare, 0 }, // neither the user nor his group has a row
        { "Security", -2, 0 }, // seeded form without a row for this group
        { "orders", -1, 0 }, // names are case-sensitive
        { "Nothing", -1, 0 },
        { "", -1, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form);
        rights.Mask = 0xFF;
        const int id = rights.GetRight(c.form);
        if (c.id == -2) {
            EXPECT_GT(id, 0);
        } else {
            EXPECT_EQ(id, c.id);
        }
        EXPECT_EQ(rights.Mask, c.mask);
        if (c.id > 0) {
            rights.Mask = 0xFF;
            EXPECT_EQ(rights.GetRight(c.id), c.id);
            EXPECT_EQ(rights.Mask, c.mask) << "by id";
        }
    }
    rights.Mask = 0xFF;
    EXPECT_EQ(rights.GetRight(987654), 987654) << "an unknown id comes back unchanged";
    EXPECT_EQ(rights.Mask, 0);
}

TEST_P(RightsTest, EachRightsObjectKeepsItsOwnMaskAndBothClassesAgree)
{
    TSecurity* security = Login();
    TSecRights a(security);
    TSecStdRights b(security);
    a.GetRight("Orders");
    b.GetRight("Stock");
    EXPECT_EQ(a.Mask, srView | srInsert);
    EXPECT_EQ(b.Mask, srView);
    TSecRights copy(a);
    EXPECT_EQ(copy.Mask, srView | srInsert) << "a copy takes the mask";
    EXPECT_EQ(b.GetRight("Orders"), a.GetRight("Orders"));
    EXPECT_EQ(b.Mask, a.Mask);
    EXPECT_EQ(b.UserID(), a.UserID());
}

TEST_P(RightsTest, ParametersUserValueWinsEvenWhenNull)
{
    const int color = db().AddParam("Color");
    const int limit = db().AddParam("Limit");
    const int note = db().AddParam("Note");
    const int unset = db().AddParam("Unset");
    db().SetGroupParam(clerks, color, "Blue");
    db().SetUserParam(clerk, color, "Red");
    db().SetGroupParam(clerks, limit, "100");
    db().SetUserParam(clerk, limit, QVariant()); // a null user value hides the group's
    db().SetGroupParam(other, note, "theirs");
    TSecRights rights(Login());
    struct Case {
        const char* name;
        int id;
        const char* value;
    };
    const Case cases[] = {
        { "Color", color, "Red" },
        { "Limit", limit, "" },
        { "Note", note, "" },
        { "Unset", unset, "" },
        { "color", -1, "" },
        { "Nothing", -1, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(rights.GetParam(c.name).str(), c.value);
        if (c.id > 0) {
            EXPECT_EQ(rights.GetParam(c.id).str(), c.value);
        }
    }
    TSecDModFrm* module = rights.Security()->DataModule();
    int id = 0;
    EXPECT_EQ(module->GetParam("Color", id).str(), "Red");
    EXPECT_EQ(id, color);
    EXPECT_TRUE(module->GetParam("Nothing", id).empty());
    EXPECT_EQ(id, -1);
    EXPECT_TRUE(module->GetPswdParam("Nothing", id).empty());
    EXPECT_EQ(id, -1);
}

TEST_P(RightsTest, TypedParameterReadings)
{
    struct Case {
        const char* value;
        bool boolean;
        int integer;
    };
    const Case cases[] = {
        { "Yes", true, INT_MIN },
        { "yes", false, INT_MIN }, // compared byte for byte
        { "YES ", false, INT_MIN },
        { "No", false, INT_MIN },
        { "", false, INT_MIN },
        { "12", false, 12 },
        { "-7", false, -7 },
        { "+3", false, 3 },
        { "007", false, 7 },
        { "2147483647", false, INT_MAX },
        { "-2147483648", false, INT_MIN },
        { "2147483648", false, INT_MIN },
        { "abc", false, INT_MIN },
        { "12abc", false, INT_MIN },
        { " 12", false, INT_MIN },
        { "1.5", false, INT_MIN },
        { "-", false, INT_MIN },
    };
    int n = 0;
    std::vector<int> ids;
    for (const Case& c : cases) {
        const int id = db().AddParam("P" + std::to_string(++n));
        db().SetGroupParam(clerks, id, QString::fromUtf8(c.value));
        ids.push_back(id);
    }
    TSecStdRights rights(Login());
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(std::string("value '") + c.value + "'");
        const std::string name = "P" + std::to_string(i + 1);
        EXPECT_EQ(rights.GetBoolParam(name.c_str()), c.boolean);
        EXPECT_EQ(rights.GetBoolParam(ids[i]), c.boolean);
        EXPECT_EQ(rights.GetIntParam(name.c_str()), c.integer);
        EXPECT_EQ(rights.GetIntParam(ids[i]), c.integer);
    }
    EXPECT_FALSE(rights.GetBoolParam("Nothing"));
    EXPECT_EQ(rights.GetIntParam("Nothing"), INT_MIN);
}

TEST_P(RightsTest, LongValuesAreCutTo16Characters)
{
    const int param = db().AddParam("Long");
    // PostgreSQL keeps parameter values within their 16 characters; only the
    // settings column is wider there.
    if (GetParam() == Engine::SQLite)
        db().SetGroupParam(clerks, param, "ABCDEFGHIJKLMNOPQRST");
    db().SetSetting("Wide", "0123456789abcdefghijklmnopqrstuv"); // 32 characters
    db().SetSetting("Umlauts", QString::fromUtf8("ÄÖÜäöüßÄÖÜäöüß")); // 14 characters, 28 bytes
    TSecRights rights(Login());
    if (GetParam() == Engine::SQLite) {
        EXPECT_EQ(rights.GetParam("Long").str(), "ABCDEFGHIJKLMNOP");
    }
    EXPECT_EQ(rights.GetDBParam("Wide").str(), "0123456789abcdef");
    // 16 bytes at most, never ending inside a character.
    EXPECT_EQ(rights.GetDBParam("Umlauts").str(), "ÄÖÜäöüßÄ");
}

TEST_P(RightsTest, PasswordValuesAreReadAsRawBytes)
{
    const tor::pswdsstr<16> encoded = Encode("salary 12000", "a key of sixteen");
    ASSERT_EQ(encoded.length(), 16u) << "the fixture needs a block without zero bytes";
    const int param = db().AddParam("Salary");
    db().SetGroupParam(clerks, param, RawBytes(encoded));
    db().SetSetting("Secret", RawBytes(encoded));
    db().SetSetting("Plain", "visible");
    TSecRights rights(Login());
    EXPECT_EQ(rights.GetPswdParam("Salary"), encoded);
    EXPECT_EQ(rights.GetPswdParam(param), encoded);
    EXPECT_EQ(Decode(rights.GetPswdParam("Salary"), "a key of sixteen").str(), "salary 12000");
    EXPECT_EQ(rights.GetPswdDBParam("Secret"), encoded);
    EXPECT_EQ(rights.GetPswdDBParam("Plain").str(), "visible");
    EXPECT_TRUE(rights.GetPswdDBParam("Nothing").empty());
    EXPECT_TRUE(rights.GetPswdParam("Nothing").empty());
}

TEST_P(RightsTest, DatabaseSettings)
{
    db().SetSetting("Flag", "Yes");
    db().SetSetting("Lower", "yes");
    db().SetSetting("Null", QVariant());
    TSecRights rights(Login());
    EXPECT_EQ(rights.GetDBParam("Flag").str(), "Yes");
    EXPECT_TRUE(rights.GetBoolDBParam("Flag"));
    EXPECT_FALSE(rights.GetBoolDBParam("Lower"));
    EXPECT_TRUE(rights.GetDBParam("Null").empty());
    EXPECT_TRUE(rights.GetPswdDBParam("Null").empty());
    EXPECT_TRUE(rights.GetDBParam("flag").empty()) << "names are case-sensitive";
    EXPECT_EQ(rights.GetDBParam("SecurityAutoLog").str(), "Wdk580217;QmTr#6");
}

TEST_P(RightsTest, QueriesAfterLogoutAnswerNotFoundButTheUserStays)
{
    TSecurity* security = Login();
    TSecRights rights(security);
    ASSERT_EQ(rights.GetRight("Orders"), orders);
    rights.Logout();
    EXPECT_EQ(rights.GetRight("Orders"), -1);
    EXPECT_EQ(rights.Mask, 0);
    EXPECT_TRUE(rights.GetDBParam("YesString").empty());
    EXPECT_EQ(rights.UserName().str(), "clerk");
    EXPECT_EQ(rights.UserID(), clerk);
}

TEST_P(RightsTest, AskingAgainGivesTheFirstAnswerForKnownAndUnknownNames)
{
    const int color = db().AddParam("Color");
    db().SetUserParam(clerk, color, "Red");
    const tor::pswdsstr<16> encoded = Encode("salary 12000", "a key of sixteen");
    const int salary = db().AddParam("Salary");
    db().SetGroupParam(clerks, salary, RawBytes(encoded));
    db().SetSetting("Flag", "Yes");
    TSecRights rights(Login());
    TSecDModFrm* module = rights.Security()->DataModule();
    ASSERT_NE(module, nullptr);

    struct FormCase {
        const char* name;
        int id;
        int mask;
    };
    const FormCase forms[] = {
        { "Stock", stock, srView },
        { "Hidden", hidden, 0 },
        { "orders", -1, 0 },
        { "Nothing", -1, 0 },
        { "", -1, 0 },
        { nullptr, -1, 0 },
    };
    for (const FormCase& c : forms) {
        SCOPED_TRACE(c.name ? c.name : "(null)");
        for (int round = 0; round < 3; ++round) {
            int id = 12345;
            EXPECT_EQ(module->GetRight(c.name, id), c.mask) << "round " << round;
            EXPECT_EQ(id, c.id) << "round " << round;
            if (c.id > 0) {
                EXPECT_EQ(module->GetRight(c.id), c.mask) << "by id, round " << round;
            }
        }
    }

    struct ParamCase {
        const char* name;
        int id;
        const char* text; // null: the text reading of raw bytes, as first given
        tor::pswdsstr<16> raw;
    };
    const ParamCase params[] = {
        { "Color", color, "Red", "Red" },
        { "Salary", salary, nullptr, encoded },
        { "color", -1, "", {} },
        { "Nothing", -1, "", {} },
        { nullptr, -1, "", {} },
    };
    for (const ParamCase& c : params) {
        SCOPED_TRACE(c.name ? c.name : "(null)");
        // The raw reading first, then the text one, so that a memory shared
        // by the two would show.
        int id = 12345;
        EXPECT_EQ(module->GetPswdParam(c.name, id), c.raw);
        EXPECT_EQ(id, c.id);
        const tor::pswdsstr<16> firstText = module->GetParam(c.name, id);
        EXPECT_EQ(id, c.id);
        if (c.text) {
            EXPECT_EQ(firstText.str(), c.text);
        }
        for (int round = 1; round < 3; ++round) {
            id = 12345;
            EXPECT_EQ(module->GetPswdParam(c.name, id), c.raw) << "round " << round;
            EXPECT_EQ(id, c.id);
            id = 12345;
            EXPECT_EQ(module->GetParam(c.name, id), firstText) << "round " << round;
            EXPECT_EQ(id, c.id);
            if (c.id > 0) {
                EXPECT_EQ(module->GetPswdParam(c.id), c.raw);
                EXPECT_EQ(module->GetParam(c.id), firstText);
            }
        }
    }
    EXPECT_TRUE(module->GetParam(987654).empty());
    EXPECT_TRUE(module->GetParam(987654).empty()) << "an unknown id, asked again";

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(module->GetDBParam("Flag").str(), "Yes");
        EXPECT_EQ(module->GetPswdDBParam("Flag").str(), "Yes");
        EXPECT_TRUE(module->GetDBParam("flag").empty());
        EXPECT_TRUE(module->GetPswdDBParam("Nothing").empty());
        EXPECT_TRUE(module->GetDBParam(nullptr).empty());
    }
}

TEST_P(RightsTest, AnswersFollowTheDatabaseAfterLoggingInAgain)
{
    const int color = db().AddParam("Color");
    db().SetGroupParam(clerks, color, "Blue");
    db().SetSetting("Flag", "One");
    TSecurity* security = Login();
    ASSERT_NE(security, nullptr);
    TSecRights rights(security);
    auto expectAnswers = [&](int ordersMask, int stockMask, const char* colorValue,
                             const char* flag, int laterID, int laterMask) {
        EXPECT_EQ(rights.GetRight("Orders"), orders);
        EXPECT_EQ(rights.Mask, ordersMask);
        rights.GetRight(stock);
        EXPECT_EQ(rights.Mask, stockMask) << "by id";
        EXPECT_EQ(rights.GetParam("Color").str(), colorValue);
        EXPECT_EQ(rights.GetParam(color).str(), colorValue) << "by id";
        EXPECT_EQ(rights.GetDBParam("Flag").str(), flag);
        EXPECT_EQ(rights.GetRight("Later"), laterID);
        EXPECT_EQ(rights.Mask, laterMask);
    };
    {
        SCOPED_TRACE("first login");
        expectAnswers(srView | srInsert, srView, "Blue", "One", -1, 0);
    }

    security->Logout();
    db().SetGroupRight(clerks, orders, srView);
    db().SetUserRight(clerk, stock, srView | srDelete);
    db().SetUserParam(clerk, color, "Green");
    db().SetSetting("Flag", "Two");
    const int later = db().AddForm("Later");
    db().SetGroupRight(clerks, later, srModify);
    ASSERT_TRUE(security->Login(saltSilent));
    {
        SCOPED_TRACE("second login");
        expectAnswers(srView, srView | srDelete, "Green", "Two", later, srModify);
    }

    // The same data module, its datasets read again by someone else: the
    // answers it gave before are not reused.
    TSecDModFrm* module = security->DataModule();
    ASSERT_NE(module, nullptr);
    db().SetGroupRight(clerks, orders, srDelete);
    db().SetUserRight(clerk, stock, srInsert);
    db().SetUserParam(clerk, color, "Black");
    db().SetSetting("Flag", "Three");
    for (vcl::TDataSet* dataSet :
        { module->GroupRights, module->UserRights, module->UserParams, module->SecurityParams }) {
        dataSet->Close();
        dataSet->Open();
    }
    {
        SCOPED_TRACE("datasets reopened");
        expectAnswers(srDelete, srInsert, "Black", "Three", later, srModify);
    }

    module->Logout();
    int id = 0;
    EXPECT_EQ(module->GetRight("Orders", id), 0) << "no answers after logout";
    EXPECT_EQ(id, -1);
    EXPECT_EQ(module->GetRight(stock), 0);
    EXPECT_TRUE(module->GetParam("Color", id).empty());
    EXPECT_EQ(id, -1);
}

} // namespace

WARDLOCK_INSTANTIATE_ENGINES(RightsTest);

} // namespace wardlock_test
