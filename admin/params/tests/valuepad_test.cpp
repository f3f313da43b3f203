// The real valuepad plug-in through the administration module: its five
// sub-parameters, the names that 14 and 15 bytes leave them, its dialog (OK
// and Cancel), rename and delete, and its autodetection.

#include "params_fixture.h"

#include "autodetect.h"
#include "paramcommands.h"
#include "valuepad_key_texts.h"

#include <wardlock/keeper/strings.h>

#include <QLineEdit>
#include <QPushButton>

#include <gmock/gmock.h>

using namespace Security;

namespace wardlock_test {

namespace {

const char* const kSubs[] = { "Surnm", "Name", "Strt", "House", "Place" };
const char* const kFields[] = { "Surname", "UserName", "Street", "House", "Place" };

class ValuepadTest : public ParamsTest {
protected:
    // Fills the plug-in's dialog: the alias, then the five fields.
    static ModalScript::Step Fill(const std::vector<QString>& texts, bool ok)
    {
        return [texts, ok](QDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "User personal data");
            dialog.findChild<QLineEdit*>("Alias")->setText(texts[0]);
            for (std::size_t i = 0; i < 5; ++i)
                dialog.findChild<QLineEdit*>(kFields[i])->setText(texts[i + 1]);
            dialog.findChild<QPushButton*>(ok ? "OKBtn" : "CancelBtn")->click();
        };
    }
    std::vector<std::string> SubValues(const std::string& parent)
    {
        std::vector<std::string> values;
        const TSecParamEd editor(&Host(), parent.c_str());
        for (const char* sub : kSubs)
            values.push_back(editor.GetSubParam(sub).str());
        return values;
    }
};

TEST_P(ValuepadTest, InsertMakesFiveHiddenSubParameters)
{
    NewParam("Person", AddValuepadType());
    const struct {
        const char* name;
        const char* fullName;
    } expected[] = {
        { "PersonSurnm", "Person full - Surname" },
        { "PersonName", "Person full - Name" },
        { "PersonStrt", "Person full - Street" },
        { "PersonHouse", "Person full - House" },
        { "PersonPlace", "Person full - Place" },
    };
    for (const auto& sub : expected) {
        EXPECT_TRUE(Exists(sub.name)) << sub.name;
        EXPECT_TRUE(IsHidden(sub.name)) << sub.name;
        EXPECT_EQ(FullNameOf(sub.name), sub.fullName);
    }
}

// With 14 bytes each sub-parameter keeps two characters of its name; with
// 15 only one, so "Surnm" and "Strt" meet: the third insert is refused and
// nothing of the parameter stays.
TEST_P(ValuepadTest, LongNamesLeaveTheSubParametersFewCharacters)
{
    const int type = AddValuepadType();
    NewParam("FourteenBytes1", type);
    for (const char* name : { "FourteenBytes1Su", "FourteenBytes1Na", "FourteenBytes1St",
             "FourteenBytes1Ho", "FourteenBytes1Pl" })
        EXPECT_TRUE(Exists(name)) << name;

    EXPECT_EQ(MessageOf([&] { NewParam("FifteenBytesAbc", type); }),
        std::string(SecString(sInsertParamFailed)) + " : "
            + SecFormat(sParamNameTaken, "FifteenBytesAbcS"));
    for (const char* name : { "FifteenBytesAbc", "FifteenBytesAbcS", "FifteenBytesAbcN" })
        EXPECT_FALSE(Exists(name)) << name;
}

TEST_P(ValuepadTest, TheDialogWritesOnOkAndNothingOnCancel)
{
    NewParam("Person", AddValuepadType());
    Select("Person");
    {
        ModalScript script({ Fill({ "Ann", "Smith", "Ann", "High St", "12", "Leeds" }, true) });
        EXPECT_TRUE(ParamCommands::EditParamValue(Host()));
    }
    Select("Person");
    EXPECT_EQ(Module().ParamValue().str(), "Ann");
    EXPECT_THAT(
        SubValues("Person"), ::testing::ElementsAre("Smith", "Ann", "High St", "12", "Leeds"));
    {
        ModalScript script({ Fill({ "Bob", "Jones", "Bob", "Low St", "3", "York" }, false) });
        EXPECT_FALSE(ParamCommands::EditParamValue(Host()));
    }
    Select("Person");
    EXPECT_EQ(Module().ParamValue().str(), "Ann");
    EXPECT_THAT(
        SubValues("Person"), ::testing::ElementsAre("Smith", "Ann", "High St", "12", "Leeds"));

    // Too long a field is refused in the dialog, never cut.
    {
        BoxRecorder boxes;
        ModalScript script({ [](QDialog& dialog) {
            dialog.findChild<QLineEdit*>("Street")->setText("A street of 24 letters..");
            dialog.findChild<QPushButton*>("OKBtn")->click();
            EXPECT_TRUE(dialog.isVisible());
            dialog.findChild<QPushButton*>("CancelBtn")->click();
        } });
        EXPECT_FALSE(ParamCommands::EditParamValue(Host()));
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, "Street may hold at most 16 bytes.");
    }
    EXPECT_EQ(SubValues("Person")[2], "High St");
}

TEST_P(ValuepadTest, RenameAndDeleteCarryTheSubParameters)
{
    NewParam("Person", AddValuepadType());
    const TSecParamEd editor(&Host());
    editor.SetParam("PersonStrt", "Elm Row");
    ASSERT_TRUE(editor.RenParam("Person", "Human"));
    ApplyAndRefresh();
    for (const char* sub : kSubs) {
        EXPECT_TRUE(Exists(std::string("Human") + sub)) << sub;
        EXPECT_FALSE(Exists(std::string("Person") + sub)) << sub;
    }
    EXPECT_EQ(SubValues("Human")[2], "Elm Row");

    Select("Human");
    ParamCommands::DeleteParam(Host());
    EXPECT_FALSE(Exists("Human"));
    for (const char* sub : kSubs)
        EXPECT_FALSE(Exists(std::string("Human") + sub)) << sub;
}

TEST(ValuepadAutodetectionTest, GivesTheNamesAndTheKey)
{
    BoxRecorder boxes;
    const auto names = ParamEditors::DetectFunctionNames("valuepad.dll", "Any.ProgID", nullptr);
    ASSERT_TRUE(names);
    EXPECT_EQ(names->Insert, "ShowUserEditorIns");
    EXPECT_EQ(names->Iterate, "ShowUserEditorItr");
    EXPECT_EQ(names->Rename, "ShowUserEditorRen");
    EXPECT_EQ(names->Show, "ShowUserEditor");
    EXPECT_EQ(names->Key, "ShowUserEditorKey");
    EXPECT_EQ(names->KeyValue, valuepadkey::Key());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_THAT(boxes.boxes[0].text,
        ::testing::HasSubstr(
            "Allows entering basic personal data about user: name and surname, address."));
}

INSTANTIATE_TEST_SUITE_P(
    Engines, ValuepadTest, ::testing::Values(Engine::SQLite, Engine::PostgreSQL), AdminEngineName);

} // namespace

} // namespace wardlock_test
