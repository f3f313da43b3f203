// The dataset layer against every engine (see engine_fixture.h).

#include "engine_fixture.h"

#include "wardlock/data/ado.h"
#include "wardlock/data/dbdataset.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace vcl;
using namespace wltest;
using ::testing::ElementsAre;

namespace {

class DataSetTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        ctx().Table("People", "ID {pk}, Name VARCHAR(30) UNIQUE, Age INTEGER, Active BOOLEAN, Code VARCHAR(16)");
        ctx().Exec("INSERT INTO People (Name, Age, Active) VALUES ('Admin', 40, true)");
        ctx().Exec("INSERT INTO People (Name, Age, Active) VALUES ('admin', 30, false)");
        ctx().Exec("INSERT INTO People (Name, Age, Active) VALUES ('Bob', 25, true)");
        ctx().Exec("INSERT INTO People (Name, Age, Active) VALUES ('Carol', 35, false)");
        ctx().Exec("INSERT INTO People (Name, Age, Active) VALUES ('Dave', 50, true)");
    }

    std::unique_ptr<TCustomQuery> People(const std::string& where = "")
    {
        auto q = ctx().NewQuery("select ID, Name, Age, Active, Code from People " + where + " order by ID");
        return q;
    }

    std::vector<std::string> Names(TDataSet& ds)
    {
        std::vector<std::string> out;
        ds.First();
        while (!ds.Eof()) {
            out.push_back(ds.FieldByName("Name")->AsString());
            ds.Next();
        }
        return out;
    }
};

// ---------------------------------------------------------------- parameters

TEST_P(DataSetTest, NamedParametersBindByNameWithoutRegardToCase)
{
    auto q = ctx().NewQuery("select Name from People where Age > :MinAge and Age < :maxage");
    ASSERT_EQ(q->ParamCount(), 2);
    q->ParamByName("minage").SetAsInteger(29);
    q->ParamByName("MAXAGE").SetAsString("45");  // text for an integer: converted
    q->Open();
    EXPECT_THAT(Names(*q), ElementsAre("Admin", "admin", "Carol"));
    EXPECT_THROW(q->ParamByName("Missing"), EDatabaseError);
}

TEST_P(DataSetTest, StatementTextRulesForMarkers)
{
    struct Row {
        const char* label;
        const char* sql;
        int params;
        const char* expectedFirstName;
    };
    const Row rows[] = {
        {"trailing semicolon and blanks", "select Name from People where ID = :ID; \n", 1, "Bob"},
        {"colon inside a literal is text", "select Name, 'a:b' as T from People where ID = :ID", 1, "Bob"},
        {"repeated parameter binds every marker", "select Name from People where ID = :ID or ID = :ID + 100", 1, "Bob"},
        {"p-rewritten marker binds by position", "select Name from People where People.ID=pID;", 1, "Bob"},
        {"question mark binds by position", "select Name from People where ID = ?", 1, "Bob"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        auto q = ctx().NewQuery();
        q->SQL().SetText(row.sql);
        if (q->ParamCount() == 0)
            q->Params().CreateParam(ftInteger, "ID");
        ASSERT_EQ(q->ParamCount(), row.params);
        q->Params()[0].SetAsInteger(3);
        q->Open();
        ASSERT_FALSE(q->IsEmpty());
        EXPECT_EQ(q->FieldByName("Name")->AsString(), row.expectedFirstName);
        if (std::string(row.label).find("literal") != std::string::npos) {
            EXPECT_EQ(q->FieldByName("T")->AsString(), "a:b");
        }
    }
}

TEST_P(DataSetTest, ColonRewriteKeepsTheSavedParameterList)
{
    // What the runtime provider does when SQL parameters are off: replace
    // every ':' by 'p' and restore the parameter list.
    auto q = ctx().NewQuery("select Name" "\n" "from People" "\n" "where People.ID=:ID and Age>=:Age; ");
    TParams saved = q->Params();
    std::string text = q->SQL().Text();
    for (char& c : text)
        if (c == ':')
            c = 'p';
    q->SQL().SetText(text);
    EXPECT_EQ(q->ParamCount(), 0);
    q->Params() = saved;
    q->ParamByName("ID").SetAsInteger(5);
    q->ParamByName("Age").SetAsInteger(50);
    q->Open();
    ASSERT_EQ(q->RecordCount(), 1);
    EXPECT_EQ(q->FieldByName("Name")->AsString(), "Dave");
    EXPECT_THAT(q->SQL().Text(), ::testing::HasSubstr("pID and Age>=pAge"));
}

TEST_P(DataSetTest, DoubleColonCastIsNotAParameter)
{
    if (!ctx().IsPostgres())
        GTEST_SKIP() << "casts with :: are PostgreSQL syntax";
    auto q = ctx().NewQuery("select ID::text as T from People where ID = :ID");
    ASSERT_EQ(q->ParamCount(), 1);
    q->ParamByName("ID").SetAsInteger(2);
    q->Open();
    EXPECT_EQ(q->FieldByName("T")->AsString(), "2");
}

TEST_P(DataSetTest, UnsetParameterIsAClearError)
{
    auto q = ctx().NewQuery("select Name from People where ID = :ID");
    try {
        q->Open();
        FAIL() << "opened without a parameter value";
    } catch (const EDatabaseError& e) {
        EXPECT_THAT(e.what(), ::testing::HasSubstr("ID"));
    }
    EXPECT_FALSE(q->Active());
}

TEST_P(DataSetTest, BooleanParameterSetFromInteger)
{
    auto q = ctx().NewQuery("select Name from People where not :Filter or Active = :Flag");
    q->ParamByName("Filter").SetDataType(ftBoolean);
    q->ParamByName("Flag").SetDataType(ftBoolean);
    q->ParamByName("Filter").SetAsInteger(1);
    q->ParamByName("Flag").SetAsInteger(0);
    q->Open();
    EXPECT_THAT(Names(*q), ElementsAre("admin", "Carol"));
    q->Close();
    q->ParamByName("Filter").SetAsInteger(0);
    q->Open();
    EXPECT_EQ(q->RecordCount(), 5);
}

TEST_P(DataSetTest, BracketNamesAndBooleanLiterals)
{
    auto q = ctx().NewQuery("select [Name], [Active] from People where [Active] = true and not false order by [ID];");
    q->Open();
    EXPECT_THAT(Names(*q), ElementsAre("Admin", "Bob", "Dave"));
    auto none = ctx().NewQuery("select Name from People where false");
    none->Open();
    EXPECT_TRUE(none->IsEmpty());
    EXPECT_TRUE(none->Eof());
    EXPECT_TRUE(none->Bof());
}

// ---------------------------------------------------------------- fields and raw bytes

TEST_P(DataSetTest, DefaultFieldsFollowTheResultTypes)
{
    auto q = People();
    q->Open();
    ASSERT_EQ(q->FieldCount(), 5);
    EXPECT_TRUE(q->DefaultFields());
    EXPECT_NE(dynamic_cast<TIntegerField*>(q->FieldByName("id")), nullptr);
    EXPECT_NE(dynamic_cast<TStringField*>(q->FieldByName("NAME")), nullptr);
    if (!ctx().IsOdbc()) {  // ODBC drivers report booleans as numbers or text
        EXPECT_NE(dynamic_cast<TBooleanField*>(q->FieldByName("Active")), nullptr);
    }
    EXPECT_EQ(q->FieldByName("Age")->AsInteger(), 40);
    EXPECT_TRUE(q->FieldByName("Active")->AsBoolean());
    EXPECT_TRUE(q->FieldByName("Code")->IsNull());
    EXPECT_EQ(q->FindField("Nope"), nullptr);
    EXPECT_THROW(q->FieldByName("Nope"), EDatabaseError);
    q->Close();
    EXPECT_EQ(q->FieldCount(), 0);
}

TEST_P(DataSetTest, PersistentFieldsBindByNameAndMissingColumnsFailTheOpen)
{
    TComponent form;
    auto q = ctx().NewQuery("select ID, Name, Active from People order by ID", &form);
    auto* id = new TIntegerField(&form);
    id->SetFieldName("id");
    id->SetDataSet(q.get());
    auto* active = new TBooleanField(&form);
    active->SetFieldName("ACTIVE");
    active->SetDataSet(q.get());
    q->Open();
    EXPECT_FALSE(q->DefaultFields());
    EXPECT_EQ(q->FieldCount(), 2);
    EXPECT_EQ(id->AsInteger(), 1);
    EXPECT_TRUE(active->AsBoolean());
    EXPECT_EQ(q->FindField("Name"), nullptr);  // only persistent fields exist
    q->Close();
    auto* missing = new TStringField(&form, 16);
    missing->SetFieldName("Nickname");
    missing->SetDataSet(q.get());
    EXPECT_THROW(q->Open(), EDatabaseError);
    EXPECT_FALSE(q->Active());
    q->SetName("Hidden");  // fields removed before the query dies
    delete missing;
    delete active;
    delete id;
}

TEST_P(DataSetTest, RawBytesRoundTrip)
{
    QByteArray bytes;
    for (int i = 0; i < 16; ++i)
        bytes.append(static_cast<char>(i < 8 ? 0x80 + i * 9 : 0xff - i));  // high bytes, 0x80-0x9f too
    bytes[0] = '\x01';
    bytes[15] = '\'';
    ASSERT_EQ(bytes.indexOf('\0'), -1);
    auto ins = ctx().NewQuery("update People set Code = :Code where ID = 1");
    ins->ParamByName("Code").SetRaw(bytes);
    ins->ExecSQL();
    EXPECT_EQ(ins->RowsAffected(), 1);
    auto q = People();
    q->Open();
    EXPECT_EQ(q->FieldByName("Code")->AsRaw(), bytes);
    // And through a posted field and an update object.
    TComponent form;
    auto upd = new TUpdateSQL(&form);
    upd->ModifySQL().SetText("update People set Code = :Code where ID = :OLD_ID");
    q->SetCachedUpdates(true);
    q->SetUpdateObject(upd);
    QByteArray other = bytes;
    std::reverse(other.begin(), other.end());
    q->Edit();
    q->FieldByName("Code")->SetRaw(other);
    q->Post();
    ctx().connection->StartTransaction();
    q->ApplyUpdates();
    ctx().connection->Commit();
    q->CommitUpdates();
    auto check = People("where ID = 1");
    check->Open();
    EXPECT_EQ(check->FieldByName("Code")->AsRaw(), other);
}

TEST_P(DataSetTest, Utf8TextSurvives)
{
    auto ins = ctx().NewQuery("update People set Code = :Code where ID = 2");
    ins->ParamByName("Code").SetAsString("Grüße ∑");
    ins->ExecSQL();
    auto q = People("where ID = 2");
    q->Open();
    EXPECT_EQ(q->FieldByName("Code")->AsString(), "Grüße ∑");
}

INSTANTIATE_TEST_SUITE_P(Engines, DataSetTest,
                         ::testing::Values(Engine::SQLite, Engine::PostgreSQL, Engine::OdbcSQLite,
                                           Engine::OdbcPostgreSQL),
                         ParamName);

}  // namespace
