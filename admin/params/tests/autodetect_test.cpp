// Autodetection of a parameter type's entry points: it asks first, fills the
// type row from the library's export, and on any failure shows message 219
// and leaves the row as it was.

#include "params_fixture.h"

#include "autodetect.h"

#include <wardlock/data/dataset.h>
#include <wardlock/data/fields.h>
#include <wardlock/keeper/strings.h>

#include <gmock/gmock.h>

using namespace Security;

namespace wardlock_test {

namespace {

class AutodetectTest : public ParamsTest {
protected:
    // A type naming only its library, current in the module's types.
    vcl::TDataSet& TypeNaming(const std::string& dll)
    {
        AddType("Probe", { dll, "", "", "", "", "", {} });
        ReloadTypes();
        vcl::TDataSet& types = *Module().Current.ParamTypesDS->DataSet();
        EXPECT_TRUE(types.Locate("Name", "Probe"));
        return types;
    }
    static std::string Field(vcl::TDataSet& types, const char* name)
    {
        return types.FieldByName(name)->AsString();
    }
    // Answers the question with `answer`, everything else with OK.
    static vcl::ScopedMessageBoxHook Answering(int answer, std::vector<std::string>& texts)
    {
        return vcl::ScopedMessageBoxHook([answer, &texts](const vcl::MessageBoxRequest& box) {
            texts.push_back(box.text);
            return box.buttons == vcl::MB_YESNO ? answer : vcl::IDOK;
        });
    }
};

TEST_P(AutodetectTest, FillsTheTypeRowFromTheLibrary)
{
    vcl::TDataSet& types = TypeNaming("wardtestparamed.dll");
    std::vector<std::string> texts;
    {
        auto hook = Answering(vcl::IDYES, texts);
        EXPECT_TRUE(ParamEditors::AutodetectParamType(Module(), nullptr));
    }
    EXPECT_THAT(texts, ::testing::ElementsAre(SecString(sAutodetectAsk)));
    EXPECT_EQ(Field(types, "InsFncName"), "TestEdIns");
    EXPECT_EQ(Field(types, "ItrFncName"), "TestEdItr");
    EXPECT_EQ(Field(types, "RenFncName"), "TestEdRen");
    EXPECT_EQ(Field(types, "ShowFncName"), "TestEdShow");
    EXPECT_EQ(Field(types, "KeyFncName"), "TestEdKey");
    EXPECT_EQ(types.FieldByName("FKey")->AsRaw(), QByteArray(kTestEditorKey));

    // Applied, the type works with its key checked.
    Module().ApplyParamTypes();
    EXPECT_EQ(
        db().Scalar("select FKey from ParamTypes where Name = 'Probe'").toString(), kTestEditorKey);
}

TEST_P(AutodetectTest, NoChangesWhenAnsweredNoOrWhenItFails)
{
    struct Case {
        const char* why;
        std::string dll;
        int answer;
        std::string progID;
    };
    const Case cases[] = {
        { "answered No", "wardtestparamed.dll", vcl::IDNO, "Torvane.Wardlock" },
        { "no such library", "wardnosuchlibrary.dll", vcl::IDYES, "Torvane.Wardlock" },
        { "no autodetection export", "wardtestthrower.dll", vcl::IDYES, "Torvane.Wardlock" },
        // The test editor then gives a key function name of 256 bytes.
        { "a name longer than 255 bytes", "wardtestparamed.dll", vcl::IDYES, "long names" },
    };
    ExtraPluginFolder named;
    for (const Case& test : cases) {
        SCOPED_TRACE(test.why);
        db().Exec("delete from ParamTypes where Name = 'Probe'");
        db().Exec("update SecurityParams set FValue = :p1 where Name = 'ProgID'",
            { QString::fromStdString(test.progID) });
        vcl::TDataSet& types = TypeNaming(test.dll);
        Module().Current.SecurityParams->Close();
        Module().Current.SecurityParams->Open();
        std::vector<std::string> texts;
        {
            auto hook = Answering(test.answer, texts);
            EXPECT_FALSE(ParamEditors::AutodetectParamType(Module(), nullptr));
        }
        if (test.answer == vcl::IDNO)
            EXPECT_THAT(texts, ::testing::ElementsAre(SecString(sAutodetectAsk)));
        else
            EXPECT_THAT(texts,
                ::testing::ElementsAre(SecString(sAutodetectAsk), SecString(sAutodetectFailed)));
        for (const char* field : { "InsFncName", "KeyFncName", "FKey" })
            EXPECT_EQ(Field(types, field), "") << field;
        EXPECT_EQ(types.State(), vcl::dsBrowse);
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, AutodetectTest,
    ::testing::Values(Engine::SQLite, Engine::PostgreSQL), AdminEngineName);

} // namespace

} // namespace wardlock_test
