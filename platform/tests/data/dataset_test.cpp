// The dataset layer against every engine (see engine_fixture.h).

#include "engine_fixture.h"

#include "wardlock/data/ado.h"
#include "wardlock/data/dbdataset.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

using namespace vcl;
using namespace wltest;
using ::testing::ElementsAre;

namespace {

bool text_equal(const std::string& a, const std::string& b)
{
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

class DataSetTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        ctx().Table("People",
            "ID {pk}, Name VARCHAR(30) UNIQUE, Age INTEGER, Active BOOLEAN, Code VARCHAR(16)");
        ctx().Exec("INSERT INTO People (Name, Age, Active) VALUES ('Admin', 40, true)");
        ctx().Exec("INSERT INTO People (Name, Age, Active) VALUES ('admin', 30, false)");
        ctx().Exec("INSERT INTO People (Name, Age, Active) VALUES ('Bob', 25, true)");
        ctx().Exec("INSERT INTO People (Name, Age, Active) VALUES ('Carol', 35, false)");
        ctx().Exec("INSERT INTO People (Name, Age, Active) VALUES ('Dave', 50, true)");
    }

    std::unique_ptr<TCustomQuery> People(const std::string& where = "")
    {
        auto q = ctx().NewQuery(
            "select ID, Name, Age, Active, Code from People " + where + " order by ID");
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
    q->ParamByName("MAXAGE").SetAsString("45"); // text for an integer: converted
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
        { "trailing semicolon and blanks", "select Name from People where ID = :ID; \n", 1, "Bob" },
        { "colon inside a literal is text", "select Name, 'a:b' as T from People where ID = :ID", 1,
            "Bob" },
        { "repeated parameter binds every marker",
            "select Name from People where ID = :ID or ID = :ID + 100", 1, "Bob" },
        { "p-rewritten marker binds by position", "select Name from People where People.ID=pID;", 1,
            "Bob" },
        { "question mark binds by position", "select Name from People where ID = ?", 1, "Bob" },
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
    auto q = ctx().NewQuery("select Name"
                            "\n"
                            "from People"
                            "\n"
                            "where People.ID=:ID and Age>=:Age; ");
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
    auto q = ctx().NewQuery(
        "select [Name], [Active] from People where [Active] = true and not false order by [ID];");
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
    if (!ctx().IsOdbc()) { // ODBC drivers report booleans as numbers or text
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
    EXPECT_EQ(q->FindField("Name"), nullptr); // only persistent fields exist
    q->Close();
    auto* missing = new TStringField(&form, 16);
    missing->SetFieldName("Nickname");
    missing->SetDataSet(q.get());
    EXPECT_THROW(q->Open(), EDatabaseError);
    EXPECT_FALSE(q->Active());
    q->SetName("Hidden"); // fields removed before the query dies
    delete missing;
    delete active;
    delete id;
}

TEST_P(DataSetTest, RawBytesRoundTrip)
{
    QByteArray bytes;
    for (int i = 0; i < 16; ++i)
        bytes.append(
            static_cast<char>(i < 8 ? 0x80 + i * 9 : 0xff - i)); // high bytes, 0x80-0x9f too
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
    // Non-ASCII text takes Locate's general path: still exact and case-sensitive.
    auto all = People();
    all->Open();
    EXPECT_FALSE(all->Locate("Code", "grüße ∑"));
    EXPECT_FALSE(all->Locate("Code", "Grüße"));
    ASSERT_TRUE(all->Locate("Code", "Grüße ∑"));
    EXPECT_EQ(all->FieldByName("ID")->AsInteger(), 2);
}

// ---------------------------------------------------------------- navigation

TEST_P(DataSetTest, NavigationEofBofAndRecNo)
{
    auto q = People();
    q->Open();
    EXPECT_EQ(q->RecordCount(), 5);
    EXPECT_TRUE(q->Bof());
    EXPECT_FALSE(q->Eof());
    EXPECT_EQ(q->RecNo(), 1);
    q->Next();
    EXPECT_FALSE(q->Bof());
    EXPECT_EQ(q->RecNo(), 2);
    EXPECT_EQ(q->MoveBy(10), 3);
    EXPECT_TRUE(q->Eof());
    EXPECT_EQ(q->RecNo(), 5);
    q->Next();
    EXPECT_EQ(q->RecNo(), 5);
    q->Prior();
    EXPECT_FALSE(q->Eof());
    EXPECT_EQ(q->FieldByName("Name")->AsString(), "Carol");
    q->SetRecNo(2);
    EXPECT_EQ(q->FieldByName("Name")->AsString(), "admin");
    EXPECT_EQ(q->MoveBy(-5), -1);
    EXPECT_TRUE(q->Bof());
    q->Last();
    EXPECT_TRUE(q->Eof());
    EXPECT_EQ(q->FieldByName("Name")->AsString(), "Dave");
}

TEST_P(DataSetTest, BookmarksSurviveFilteringAndInserts)
{
    auto q = People();
    ctx().SetLive(*q, true);
    q->Open();
    q->Locate("Name", "Carol");
    TBookmark mark = q->GetBookmark();
    q->SetFilter("Active = false");
    q->SetFiltered(true);
    q->GotoBookmark(mark);
    EXPECT_EQ(q->FieldByName("Name")->AsString(), "Carol");
    q->SetFiltered(false);
    q->First();
    q->Insert();
    q->FieldByName("Name")->SetAsString("Aaron");
    q->Post();
    q->GotoBookmark(mark);
    EXPECT_EQ(q->FieldByName("Name")->AsString(), "Carol");
    EXPECT_EQ(q->RecNo(), 5);
    q->Close();
    q->Open();
    EXPECT_THROW(q->GotoBookmark(mark), EDatabaseError); // from the previous open
}

// ---------------------------------------------------------------- filter

TEST_P(DataSetTest, FilterTextAndCallbackApplyTogether)
{
    struct Row {
        const char* filter;
        std::vector<std::string> names;
    };
    const Row rows[] = {
        { "Active = false", { "admin", "Carol" } },
        { "Active  = true", { "Admin", "Bob", "Dave" } },
        { "Active=true", { "Admin", "Bob", "Dave" } },
        { "Name = 'Bob'", { "Bob" } },
        { "Age >= 35 and Active = true", { "Admin", "Dave" } },
        { "Age = 25 or Name = 'Carol'", { "Bob", "Carol" } },
        { "Code = null", { "Admin", "admin", "Bob", "Carol", "Dave" } },
    };
    auto q = People();
    q->Open();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.filter);
        q->SetFilter(row.filter);
        q->SetFiltered(true);
        EXPECT_EQ(Names(*q), row.names);
        EXPECT_EQ(q->RecordCount(), static_cast<int>(row.names.size()));
        EXPECT_EQ(q->UnfilteredRecordCount(), 5);
    }
    // The callback narrows the text filter further.
    q->SetFilter("Active = true");
    q->OnFilterRecord
        = [](TDataSet* ds, bool& accept) { accept = ds->FieldByName("Age")->AsInteger() < 45; };
    q->SetFiltered(true);
    EXPECT_THAT(Names(*q), ElementsAre("Admin", "Bob"));
    EXPECT_FALSE(q->IsSequenced());
    q->SetFiltered(false);
    EXPECT_EQ(q->RecordCount(), 5);
    EXPECT_THROW(q->SetFilter("Active ="), EDatabaseError);
    EXPECT_EQ(q->Filter(), "Active = true"); // a bad text keeps the old filter
}

TEST_P(DataSetTest, FilterOnOpenAndRowsThatStopPassing)
{
    auto q = People();
    ctx().SetLive(*q, true);
    q->SetFilter("Active = true");
    q->SetFiltered(true);
    q->Open();
    EXPECT_EQ(q->RecordCount(), 3);
    q->Locate("Name", "Bob");
    q->Edit();
    q->FieldByName("Active")->SetAsBoolean(false);
    q->Post();
    EXPECT_EQ(q->RecordCount(), 2);
    EXPECT_FALSE(q->Locate("Name", "Bob"));
}

// ---------------------------------------------------------------- locate

TEST_P(DataSetTest, LocateIsExactAndCaseSensitiveByDefault)
{
    auto q = People();
    q->Open();
    struct Row {
        const char* label;
        const char* fields;
        std::vector<QVariant> values;
        TLocateOptions options;
        const char* expected; // nullptr: not found
    };
    const Row rows[] = {
        { "exact lower case", "Name", { QString("admin") }, 0, "admin" },
        { "exact upper case", "Name", { QString("Admin") }, 0, "Admin" },
        { "no partial match", "Name", { QString("Adm") }, 0, nullptr },
        { "case-insensitive finds the first", "Name", { QString("ADMIN") }, loCaseInsensitive,
            "Admin" },
        { "partial key", "Name", { QString("Ca") }, loPartialKey, "Carol" },
        { "integer column", "Age", { 25 }, 0, "Bob" },
        { "integer from text", "Age", { QString("35") }, 0, "Carol" },
        { "text that is no integer", "Age", { QString("abc") }, 0, nullptr },
        { "boolean column", "Active", { false }, 0, "admin" },
        { "two fields", "Active;Age", { true, 50 }, 0, "Dave" },
        { "two fields with blanks", "Active; Age", { false, 35 }, 0, "Carol" },
        { "two fields no row", "Active;Age", { true, 35 }, 0, nullptr },
        { "null value", "Code", { QVariant() }, 0, "Admin" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        q->Last();
        bool found = q->Locate(row.fields, row.values, row.options);
        EXPECT_EQ(found, row.expected != nullptr);
        if (row.expected) {
            EXPECT_EQ(q->FieldByName("Name")->AsString(), row.expected);
        } else {
            EXPECT_EQ(q->FieldByName("Name")->AsString(), "Dave"); // stays
        }
    }
    EXPECT_THROW(q->Locate("Nope", QVariant(1)), EDatabaseError);
}

TEST_P(DataSetTest, LocateFollowsEditsInsertsDeletesAndTheFilter)
{
    auto q = People();
    q->SetCachedUpdates(true);
    q->OnUpdateRecord = [](TDataSet*, TUpdateKind, TUpdateAction& a) { a = uaApplied; };
    q->Open();
    ASSERT_TRUE(q->Locate("Name", "Bob")); // builds the index
    q->Edit();
    q->FieldByName("Name")->SetAsString("Robert");
    q->Post();
    EXPECT_FALSE(q->Locate("Name", "Bob"));
    EXPECT_TRUE(q->Locate("Name", "Robert"));
    EXPECT_EQ(q->RecNo(), 3);
    q->Append();
    q->FieldByName("Name")->SetAsString("Bob");
    q->Post();
    EXPECT_TRUE(q->Locate("Name", "Bob"));
    EXPECT_EQ(q->RecNo(), 6);
    q->First();
    q->Insert();
    q->FieldByName("Name")->SetAsString("Bob");
    q->FieldByName("Active")->SetAsBoolean(false);
    q->Post();
    EXPECT_TRUE(q->Locate("Name", "Bob"));
    EXPECT_EQ(q->RecNo(), 1); // the first match in the current order
    q->Delete();
    EXPECT_TRUE(q->Locate("Name", "Bob"));
    EXPECT_EQ(q->RecNo(), 6);
    q->SetFilter("Active = true");
    q->SetFiltered(true);
    EXPECT_TRUE(q->Locate("Name", "Admin"));
    EXPECT_FALSE(q->Locate("Name", "admin")); // filtered out
    q->CancelUpdates();
    q->SetFiltered(false);
    EXPECT_TRUE(q->Locate("Name", "Bob"));
    EXPECT_EQ(q->RecNo(), 3);
    EXPECT_FALSE(q->Locate("Name", "Robert"));
}

// ---------------------------------------------------------------- editing and events

TEST_P(DataSetTest, EventsFireInTheFrameworkOrder)
{
    std::vector<std::string> log;
    auto q = People();
    ctx().SetLive(*q, true);
    auto hook
        = [&log](const char* name) { return [&log, name](TDataSet*) { log.push_back(name); }; };
    q->BeforeOpen = hook("BeforeOpen");
    q->AfterOpen = hook("AfterOpen");
    q->BeforeClose = hook("BeforeClose");
    q->AfterClose = hook("AfterClose");
    q->BeforeScroll = hook("BeforeScroll");
    q->AfterScroll = hook("AfterScroll");
    q->BeforeEdit = hook("BeforeEdit");
    q->AfterEdit = hook("AfterEdit");
    q->BeforePost = hook("BeforePost");
    q->AfterPost = hook("AfterPost");
    q->BeforeInsert = hook("BeforeInsert");
    q->AfterInsert = hook("AfterInsert");
    q->OnNewRecord = hook("OnNewRecord");
    q->BeforeCancel = hook("BeforeCancel");
    q->AfterCancel = hook("AfterCancel");
    q->BeforeDelete = hook("BeforeDelete");
    q->AfterDelete = hook("AfterDelete");
    struct Step {
        const char* label;
        std::function<void()> run;
        std::vector<std::string> events;
    };
    const Step steps[] = {
        { "open", [&] { q->Open(); }, { "BeforeOpen", "AfterOpen", "AfterScroll" } },
        { "next", [&] { q->Next(); }, { "BeforeScroll", "AfterScroll" } },
        { "edit and post",
            [&] {
                q->Edit();
                q->FieldByName("Age")->SetAsInteger(26);
                q->Post();
            },
            { "BeforeEdit", "AfterEdit", "BeforePost", "AfterPost" } },
        { "insert and cancel",
            [&] {
                q->Insert();
                q->Cancel();
            },
            { "BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll",
                "BeforeCancel", "AfterCancel" } },
        { "scroll posts a modified edit",
            [&] {
                q->Edit();
                q->FieldByName("Age")->SetAsInteger(27);
                q->Next();
            },
            { "BeforeEdit", "AfterEdit", "BeforePost", "AfterPost", "BeforeScroll",
                "AfterScroll" } },
        { "delete", [&] { q->Delete(); },
            { "BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll" } },
        { "locate not found", [&] { q->Locate("Name", "Nobody"); }, { "BeforeScroll" } },
        { "close", [&] { q->Close(); }, { "BeforeClose", "AfterClose" } },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.label);
        log.clear();
        step.run();
        EXPECT_EQ(log, step.events);
    }
}

TEST_P(DataSetTest, ExceptionInBeforePostKeepsTheEdit)
{
    auto q = People();
    ctx().SetLive(*q, true);
    q->Open();
    q->BeforePost = [](TDataSet* ds) {
        if (ds->FieldByName("Age")->AsInteger() > 100)
            throw Exception("too old");
    };
    q->Edit();
    q->FieldByName("Age")->SetAsInteger(120);
    EXPECT_THROW(q->Post(), Exception);
    EXPECT_EQ(q->State(), dsEdit);
    EXPECT_EQ(q->FieldByName("Age")->AsInteger(), 120);
    EXPECT_TRUE(q->Modified());
    q->Cancel();
    EXPECT_EQ(q->FieldByName("Age")->AsInteger(), 40);
    EXPECT_EQ(ctx().Scalar("select Age from People where ID = 1"), "40");
    // An exception in BeforeEdit leaves the dataset browsing.
    q->BeforeEdit = [](TDataSet*) { throw Exception("no"); };
    EXPECT_THROW(q->Edit(), Exception);
    EXPECT_EQ(q->State(), dsBrowse);
}

TEST_P(DataSetTest, ValidateAndChangeHandlersSeeTheNewValue)
{
    TComponent form;
    auto q = ctx().NewQuery("select ID, Name, Age from People order by ID", &form);
    ctx().SetLive(*q, true);
    auto* age = new TIntegerField(&form);
    age->SetFieldName("Age");
    age->SetDataSet(q.get());
    auto* name = new TStringField(&form, 30);
    name->SetFieldName("Name");
    name->SetDataSet(q.get());
    auto* id = new TIntegerField(&form);
    id->SetFieldName("ID");
    id->SetDataSet(q.get());
    id->SetReadOnly(true);
    std::vector<std::string> seen;
    age->OnValidate = [&](TField* f) {
        seen.push_back(
            "validate " + f->AsString() + " old " + f->OldValue().toString().toStdString());
        if (f->AsInteger() < 0)
            throw Exception("negative");
    };
    age->OnChange = [&](TField* f) { seen.push_back("change " + f->AsString()); };
    q->Open();
    q->Edit();
    age->SetAsInteger(41);
    EXPECT_THROW(age->SetAsInteger(-1), Exception);
    EXPECT_EQ(age->AsInteger(), 41);
    EXPECT_THROW(age->SetAsString("forty"), EConvertError);
    EXPECT_THROW(id->SetAsInteger(9), EDatabaseError); // read-only field
    EXPECT_THAT(seen, ElementsAre("validate 41 old 40", "change 41", "validate -1 old 40"));
    q->Post();
    EXPECT_EQ(ctx().Scalar("select Age from People where ID = 1"), "41");
    EXPECT_THROW(age->SetAsInteger(1), EDatabaseError); // not editing
    q->Close();
    delete id;
    delete name;
    delete age;
}

TEST_P(DataSetTest, ReadOnlyResultsRefuseEdits)
{
    auto q = ctx().NewQuery("select p.Name, q.Age from People p join People q on q.ID = p.ID");
    ctx().SetLive(*q, true); // a join cannot be live
    q->Open();
    EXPECT_FALSE(q->CanModify());
    EXPECT_THROW(q->Edit(), EDatabaseError);
    EXPECT_THROW(q->Delete(), EDatabaseError);
    EXPECT_THROW(q->Append(), EDatabaseError);
    EXPECT_EQ(q->State(), dsBrowse);
    auto plain = People();
    ctx().SetLive(*plain, false);
    plain->Open();
    EXPECT_THROW(plain->Edit(), EDatabaseError);
}

TEST_P(DataSetTest, LiveResultsPostAtOnce)
{
    auto q = People();
    ctx().SetLive(*q, true);
    q->Open();
    ASSERT_TRUE(q->CanModify());
    q->Locate("Name", "Carol");
    q->Edit();
    q->FieldByName("Age")->SetAsInteger(36);
    q->Post();
    EXPECT_EQ(ctx().Scalar("select Age from People where Name = 'Carol'"), "36");
    q->Append();
    q->FieldByName("Name")->SetAsString("Eve");
    q->FieldByName("Age")->SetAsInteger(22);
    q->FieldByName("Active")->SetAsBoolean(true);
    q->Post();
    EXPECT_EQ(ctx().Scalar("select Age from People where Name = 'Eve'"), "22");
    // The key the database assigned is filled in.
    EXPECT_EQ(
        q->FieldByName("ID")->AsString(), ctx().Scalar("select ID from People where Name = 'Eve'"));
    q->Locate("Name", "Bob");
    q->Delete();
    EXPECT_EQ(ctx().Scalar("select count(*) from People where Name = 'Bob'"), "0");
    // A failing statement leaves the row in edit state with its values.
    q->Locate("Name", "Dave");
    q->Edit();
    q->FieldByName("Name")->SetAsString("Admin"); // unique name taken
    EXPECT_THROW(q->Post(), EDatabaseError);
    EXPECT_EQ(q->State(), dsEdit);
    EXPECT_EQ(q->FieldByName("Name")->AsString(), "Admin");
    q->Cancel();
    EXPECT_EQ(q->FieldByName("Name")->AsString(), "Dave");
}

// A result with no rows has handed out no record order yet; the first
// records posted into it must get one (this used to write past the end of
// the order table and crash).
TEST_P(DataSetTest, RecordsPostedIntoAnEmptyResult)
{
    struct Row {
        const char* label;
        bool cached; // through an update object; otherwise a live result
        bool persistent; // persistent fields; otherwise default ones
        bool append; // Append; otherwise Insert
        bool indexed; // a Locate built the index before the first post
    };
    const Row rows[] = {
        { "cached, default fields, append", true, false, true, false },
        { "cached, persistent fields, append", true, true, true, false },
        { "cached, default fields, insert", true, false, false, false },
        { "cached, persistent fields, insert after a locate", true, true, false, true },
        { "live, default fields, append", false, false, true, false },
        { "live, persistent fields, append after a locate", false, true, true, true },
        { "live, default fields, insert", false, false, false, false },
        { "live, persistent fields, insert", false, true, false, false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        ctx().Exec("DELETE FROM People WHERE Age > 100");
        TComponent form;
        auto q
            = ctx().NewQuery("select ID, Name, Age from People where Age > 100 order by ID", &form);
        if (row.persistent) {
            auto* id = new TIntegerField(&form);
            id->SetFieldName("ID");
            id->SetDataSet(q.get());
            auto* name = new TStringField(&form, 30);
            name->SetFieldName("Name");
            name->SetDataSet(q.get());
            auto* age = new TIntegerField(&form);
            age->SetFieldName("Age");
            age->SetDataSet(q.get());
        }
        if (row.cached) {
            auto* upd = new TUpdateSQL(&form);
            upd->InsertSQL().SetText("insert into People (Name, Age) values (:Name, :Age)");
            q->SetCachedUpdates(true);
            q->SetUpdateObject(upd);
        } else {
            ctx().SetLive(*q, true);
        }
        q->Open();
        ASSERT_TRUE(q->IsEmpty());
        if (row.indexed) {
            EXPECT_FALSE(q->Locate("Name", "New1"));
        }
        for (int i = 1; i <= 2; ++i) {
            row.append ? q->Append() : q->Insert();
            q->FieldByName("Name")->SetAsString("New" + std::to_string(i));
            q->FieldByName("Age")->SetAsInteger(100 + i);
            q->Post();
        }
        EXPECT_EQ(q->RecordCount(), 2);
        // Insert puts the second record before the first.
        EXPECT_THAT(
            Names(*q), row.append ? ElementsAre("New1", "New2") : ElementsAre("New2", "New1"));
        ASSERT_TRUE(q->Locate("Name", "New1"));
        EXPECT_EQ(q->FieldByName("Age")->AsInteger(), 101);
        EXPECT_EQ(q->RecNo(), row.append ? 1 : 2);
        if (row.cached) {
            EXPECT_EQ(q->UpdateStatus(), usInserted);
            ctx().connection->StartTransaction();
            q->ApplyUpdates();
            ctx().connection->Commit();
            q->CommitUpdates();
        }
        EXPECT_EQ(ctx().Scalar("select count(*) from People where Age > 100"), "2");
    }
}

TEST_P(DataSetTest, RefreshSeesNewRowsKeepsThePositionAndProtectsTheCache)
{
    auto q = People();
    std::vector<std::string> log;
    q->BeforeRefresh = [&](TDataSet*) { log.push_back("BeforeRefresh"); };
    q->AfterRefresh = [&](TDataSet*) { log.push_back("AfterRefresh"); };
    q->Open();
    TField* name = q->FieldByName("Name");
    q->SetRecNo(3);
    ctx().Exec("INSERT INTO People (Name, Age, Active) VALUES ('Eve', 20, true)");
    q->Refresh();
    EXPECT_THAT(log, ElementsAre("BeforeRefresh", "AfterRefresh"));
    EXPECT_EQ(q->RecordCount(), 6);
    EXPECT_EQ(q->RecNo(), 3);
    EXPECT_EQ(q->FieldByName("Name"), name); // same default fields for the views
    q->SetCachedUpdates(true);
    q->OnUpdateRecord = [](TDataSet*, TUpdateKind, TUpdateAction& a) { a = uaApplied; };
    q->Edit();
    q->FieldByName("Age")->SetAsInteger(1);
    q->Post();
    EXPECT_THROW(q->Refresh(), EDatabaseError);
    EXPECT_TRUE(q->UpdatesPending());
    EXPECT_EQ(q->FieldByName("Age")->AsInteger(), 1);
}

// ---------------------------------------------------------------- cached updates

class CachedUpdatesTest : public DataSetTest {
protected:
    // A cached query on People written through an update object.
    std::unique_ptr<TCustomQuery> Cached(TComponent& form, TUpdateSQL*& upd)
    {
        auto q = People();
        upd = new TUpdateSQL(&form);
        upd->ModifySQL().SetText(
            "update People set Name = :Name, Age = :Age, Active = :Active\nwhere ID = :OLD_ID");
        upd->InsertSQL().SetText(
            "insert into People (Name, Age, Active) values (:Name, :Age, :Active)");
        upd->DeleteSQL().SetText("delete from People where ID = :OLD_ID");
        q->SetCachedUpdates(true);
        q->SetUpdateObject(upd);
        q->Open();
        return q;
    }
    // Edits the age of the named rows.
    static void SetAge(TDataSet& q, std::initializer_list<const char*> names, int age)
    {
        for (const char* name : names) {
            ASSERT_TRUE(q.Locate("Name", name));
            q.Edit();
            q.FieldByName("Age")->SetAsInteger(age);
            q.Post();
        }
    }
    std::string Snapshot() { return Dump("select Name, Age from People order by Name"); }
    std::string Dump(const std::string& sql)
    {
        auto q = ctx().NewQuery(sql);
        q->Open();
        std::string out;
        for (q->First(); !q->Eof(); q->Next())
            out += q->Fields(0)->AsString() + "=" + q->Fields(1)->AsString() + ";";
        return out;
    }
};

TEST_P(CachedUpdatesTest, ModifyInsertDeleteAppliedWithOldKeys)
{
    TComponent form;
    TUpdateSQL* upd = nullptr;
    auto q = Cached(form, upd);
    q->Locate("Name", "Bob");
    q->Edit();
    q->FieldByName("ID")->SetAsInteger(99); // the key itself changes: OLD_ID finds the row
    q->FieldByName("Age")->SetAsInteger(26);
    q->Post();
    EXPECT_EQ(q->UpdateStatus(), usModified);
    EXPECT_EQ(q->FieldByName("ID")->OldValue().toInt(), 3);
    q->Append();
    q->FieldByName("Name")->SetAsString("Eve");
    q->FieldByName("Age")->SetAsInteger(22);
    q->FieldByName("Active")->SetAsBoolean(false);
    q->Post();
    EXPECT_EQ(q->UpdateStatus(), usInserted);
    q->Locate("Name", "Carol");
    q->Delete();
    EXPECT_TRUE(q->UpdatesPending());
    const std::string before = Snapshot();
    EXPECT_EQ(before, "Admin=40;Bob=25;Carol=35;Dave=50;admin=30;");
    ctx().connection->StartTransaction();
    q->ApplyUpdates();
    ctx().connection->Commit();
    EXPECT_TRUE(q->UpdatesPending()); // until CommitUpdates
    q->CommitUpdates();
    EXPECT_FALSE(q->UpdatesPending());
    EXPECT_EQ(Snapshot(), "Admin=40;Bob=26;Dave=50;Eve=22;admin=30;");
    EXPECT_EQ(q->RecordCount(), 5);
}

TEST_P(CachedUpdatesTest, FailedApplyRollsBackAndKeepsEveryEdit)
{
    // The apply fails at row 1, 2 or 3 (a duplicate name); after the rollback
    // the database is unchanged, every edit is still pending, and once the
    // fault is fixed the same cache applies.
    for (int failAt = 1; failAt <= 3; ++failAt) {
        SCOPED_TRACE("failing row " + std::to_string(failAt));
        SetUp();
        TComponent form;
        TUpdateSQL* upd = nullptr;
        auto q = Cached(form, upd);
        const char* names[] = { "Bob", "Carol", "Dave" };
        for (int i = 0; i < 3; ++i) {
            q->Locate("Name", names[i]);
            q->Edit();
            q->FieldByName("Age")->SetAsInteger(60 + i);
            if (i + 1 == failAt)
                q->FieldByName("Name")->SetAsString("Admin");
            q->Post();
        }
        const std::string before = Snapshot();
        ctx().connection->StartTransaction();
        EXPECT_THROW(q->ApplyUpdates(), EDatabaseError);
        ctx().connection->Rollback();
        EXPECT_EQ(Snapshot(), before);
        EXPECT_TRUE(q->UpdatesPending());
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(q->Locate("Age", 60 + i));
            EXPECT_EQ(q->UpdateStatus(), usModified);
        }
        q->Locate("Age", 60 + failAt - 1);
        q->Edit();
        q->FieldByName("Name")->SetAsString("Fixed");
        q->Post();
        ctx().connection->StartTransaction();
        q->ApplyUpdates();
        ctx().connection->Commit();
        q->CommitUpdates();
        std::string expected = before;
        EXPECT_EQ(ctx().Scalar("select count(*) from People where Age >= 60"), "3");
        EXPECT_EQ(ctx().Scalar("select Age from People where Name = 'Fixed'"),
            std::to_string(60 + failAt - 1));
    }
}

TEST_P(CachedUpdatesTest, CancelUpdatesRestoresTheFetchedRows)
{
    TComponent form;
    TUpdateSQL* upd = nullptr;
    auto q = Cached(form, upd);
    q->Locate("Name", "Bob");
    q->Edit();
    q->FieldByName("Age")->SetAsInteger(99);
    q->Post();
    q->Append();
    q->FieldByName("Name")->SetAsString("Eve");
    q->Post();
    q->Locate("Name", "Carol");
    q->Delete();
    EXPECT_EQ(q->RecordCount(), 5);
    q->CancelUpdates();
    EXPECT_FALSE(q->UpdatesPending());
    EXPECT_THAT(Names(*q), ElementsAre("Admin", "admin", "Bob", "Carol", "Dave"));
    q->Locate("Name", "Bob");
    EXPECT_EQ(q->FieldByName("Age")->AsInteger(), 25);
    EXPECT_EQ(q->UpdateStatus(), usUnmodified);
    EXPECT_EQ(Snapshot(), "Admin=40;Bob=25;Carol=35;Dave=50;admin=30;");
}

TEST_P(CachedUpdatesTest, UpdateHandlerAndErrorHandlerDecide)
{
    TComponent form;
    TUpdateSQL* upd = nullptr;
    auto q = Cached(form, upd);
    SetAge(*q, { "Bob", "Carol" }, 1);
    // The handler writes Bob through the update object and skips Carol.
    std::vector<std::string> seen;
    q->OnUpdateRecord = [&](TDataSet* ds, TUpdateKind kind, TUpdateAction& action) {
        seen.push_back(ds->FieldByName("Name")->AsString());
        if (ds->FieldByName("Name")->AsString() == "Bob") {
            upd->Apply(kind);
            action = uaApplied;
        } else {
            action = uaSkip;
        }
    };
    ctx().connection->StartTransaction();
    q->ApplyUpdates();
    ctx().connection->Commit();
    EXPECT_THAT(seen, ElementsAre("Bob", "Carol"));
    EXPECT_EQ(Snapshot(), "Admin=40;Bob=1;Carol=35;Dave=50;admin=30;");
    // The error handler's abort ends the apply with the silent exception.
    q->OnUpdateRecord = nullptr;
    upd->ModifySQL().SetText("update NoSuchTable set Age = :Age where ID = :OLD_ID");
    int errors = 0;
    q->OnUpdateError = [&](TDataSet*, EDatabaseError&, TUpdateKind kind, TUpdateAction& action) {
        EXPECT_EQ(kind, ukModify);
        ++errors;
        action = uaAbort;
    };
    ctx().connection->StartTransaction();
    EXPECT_THROW(q->ApplyUpdates(), EAbort);
    ctx().connection->Rollback();
    EXPECT_EQ(errors, 1);
    EXPECT_TRUE(q->UpdatesPending());
}

TEST_P(CachedUpdatesTest, SwappingTheUpdateObjectAndCommitWithoutApply)
{
    TComponent form;
    TUpdateSQL* upd = nullptr;
    auto q = Cached(form, upd);
    // What the record numbering does: take the update object away, let a
    // handler claim every row, commit the cache, put everything back.
    q->SetUpdateObject(nullptr);
    q->OnUpdateRecord = [](TDataSet*, TUpdateKind, TUpdateAction& a) { a = uaApplied; };
    for (q->First(); !q->Eof(); q->Next()) {
        q->Edit();
        q->FieldByName("Age")->SetAsInteger(q->RecNo());
        q->Post();
    }
    q->CommitUpdates();
    q->OnUpdateRecord = nullptr;
    q->SetUpdateObject(upd);
    EXPECT_FALSE(q->UpdatesPending());
    EXPECT_EQ(upd->DataSet(), q.get());
    q->First();
    EXPECT_EQ(q->FieldByName("Age")->AsInteger(), 1);
    EXPECT_EQ(Snapshot(), "Admin=40;Bob=25;Carol=35;Dave=50;admin=30;");
}

TEST_P(CachedUpdatesTest, CommitRecordForgetsOneRowsChange)
{
    TComponent form;
    TUpdateSQL* upd = nullptr;
    auto q = Cached(form, upd);
    SetAge(*q, { "Bob", "Carol" }, 1);
    q->Append();
    q->FieldByName("Name")->SetAsString("Eve");
    q->Post();
    q->Locate("Name", "Carol");
    q->Edit();
    EXPECT_THROW(q->CommitRecord(), EDatabaseError) << "an edit in progress is no cached change";
    q->Cancel();
    q->CommitRecord();
    EXPECT_EQ(q->UpdateStatus(), usUnmodified);
    EXPECT_EQ(q->FieldByName("Age")->AsInteger(), 1) << "the values stay";
    q->Locate("Name", "Eve");
    q->CommitRecord();
    EXPECT_EQ(q->UpdateStatus(), usUnmodified);
    EXPECT_TRUE(q->UpdatesPending()) << "Bob's change";
    ctx().connection->StartTransaction();
    q->ApplyUpdates();
    ctx().connection->Commit();
    q->CommitUpdates();
    EXPECT_EQ(Snapshot(), "Admin=40;Bob=1;Carol=35;Dave=50;admin=30;");
}

// ---------------------------------------------------------------- calculated and lookup fields

TEST_P(DataSetTest, CalculatedAndLookupFields)
{
    ctx().Table("Kinds", "KindID INTEGER PRIMARY KEY, KindName VARCHAR(16)");
    ctx().Exec("INSERT INTO Kinds VALUES (25, 'young')");
    ctx().Exec("INSERT INTO Kinds VALUES (40, 'middle')");
    TComponent form;
    auto kinds = ctx().NewQuery("select KindID, KindName from Kinds", &form);
    kinds->Open();
    auto q = ctx().NewQuery("select ID, Name, Age from People order by ID", &form);
    for (const char* n : { "ID", "Name", "Age" }) {
        TField* f = std::string(n) == "Name" ? static_cast<TField*>(new TStringField(&form, 30))
                                             : static_cast<TField*>(new TIntegerField(&form));
        f->SetFieldName(n);
        f->SetDataSet(q.get());
    }
    auto* label = new TStringField(&form, 40);
    label->SetFieldName("Label");
    label->SetFieldKind(fkCalculated);
    label->SetDataSet(q.get());
    auto* kind = new TStringField(&form, 16);
    kind->SetFieldName("Kind");
    kind->SetFieldKind(fkLookup);
    kind->SetLookupDataSet(kinds.get());
    kind->SetKeyFields("Age");
    kind->SetLookupKeyFields("KindID");
    kind->SetLookupResultField("KindName");
    kind->SetDataSet(q.get());
    int calls = 0;
    q->OnCalcFields = [&](TDataSet* ds) {
        ++calls;
        EXPECT_EQ(ds->State(), dsCalcFields);
        ds->FieldByName("Label")->SetAsString(
            ds->FieldByName("Name")->AsString() + "/" + ds->FieldByName("Age")->AsString());
    };
    q->Open();
    EXPECT_GE(calls, 1);
    EXPECT_EQ(label->AsString(), "Admin/40");
    EXPECT_EQ(kind->AsString(), "middle");
    EXPECT_FALSE(label->CanModify());
    q->Locate("Name", "Bob");
    EXPECT_EQ(label->AsString(), "Bob/25");
    EXPECT_EQ(kind->AsString(), "young");
    EXPECT_EQ(kinds->RecNo(), 1); // the lookup did not move the lookup dataset
    q->Next();
    EXPECT_TRUE(kind->IsNull());
    // Locate on a calculated field computes it per row.
    EXPECT_TRUE(q->Locate("Label", "Dave/50"));
    // Values read through ReadRecord for another row (as a grid does).
    std::string second;
    q->ReadRecord(1, [&] { second = label->AsString(); });
    EXPECT_EQ(second, "admin/30");
    EXPECT_EQ(label->AsString(), "Dave/50");
    EXPECT_THROW(label->SetFieldKind(fkData), EDatabaseError); // open dataset
    q->Close();
    kinds->Close();
}

// ---------------------------------------------------------------- views

TEST_P(DataSetTest, DisableControlsHoldsNotificationsUntilTheOuterEnable)
{
    auto q = People();
    TDataSource source;
    std::vector<std::string> seen;
    source.OnDataChange = [&](TDataSource*, TField*) { seen.push_back("data"); };
    source.OnStateChange = [&](TDataSource*) { seen.push_back("state"); };
    source.SetDataSet(q.get());
    seen.clear();
    q->Open();
    // The default fields are a new layout, then the state and the rows change.
    EXPECT_THAT(seen, ElementsAre("data", "state", "data"));
    seen.clear();
    q->DisableControls();
    q->DisableControls();
    q->Next();
    q->Last();
    q->EnableControls();
    EXPECT_TRUE(q->ControlsDisabled());
    EXPECT_TRUE(seen.empty());
    q->EnableControls();
    EXPECT_FALSE(q->ControlsDisabled());
    EXPECT_THAT(seen, ElementsAre("data"));
    source.SetDataSet(nullptr);
}

// ---------------------------------------------------------------- transactions

TEST_P(DataSetTest, TransactionsCommitAndRollBack)
{
    TCustomConnection& c = *ctx().connection;
    auto exec = [&](const std::string& sql) {
        auto q = ctx().NewQuery(sql);
        q->ExecSQL();
    };
    c.StartTransaction();
    EXPECT_TRUE(c.InTransaction());
    EXPECT_THROW(c.StartTransaction(), EDatabaseError);
    exec("delete from People where Name = 'Bob'");
    c.Rollback();
    EXPECT_FALSE(c.InTransaction());
    EXPECT_EQ(ctx().Scalar("select count(*) from People"), "5");
    c.StartTransaction();
    exec("delete from People where Name = 'Bob'");
    c.Commit();
    EXPECT_EQ(ctx().Scalar("select count(*) from People"), "4");
    EXPECT_THROW(c.Commit(), EDatabaseError);
}

// ---------------------------------------------------------------- stored procedures

class StoredProcTest : public DataSetTest {
protected:
    void SetUp() override
    {
        DataSetTest::SetUp();
        if (IsSkipped())
            return;
        if (ctx().IsPostgres()) {
            ctx().Exec("CREATE OR REPLACE FUNCTION AddPerson(PName text, PAge int, PActive bool) "
                       "RETURNS void AS $$ "
                       "INSERT INTO People (Name, Age, Active) VALUES (PName, PAge, PActive) $$ "
                       "LANGUAGE sql");
            ctx().Exec("CREATE OR REPLACE FUNCTION OlderThan(MinAge smallint, OnlyActive bool) "
                       "RETURNS SETOF People AS $$ "
                       "SELECT * FROM People WHERE Age > MinAge AND (NOT OnlyActive OR Active) "
                       "ORDER BY ID $$ LANGUAGE sql");
            ctx().Exec("CREATE OR REPLACE FUNCTION AddTwice(PName text) RETURNS void AS $$ "
                       "INSERT INTO People (Name) VALUES (PName); INSERT INTO People (Name) VALUES "
                       "(PName) $$ LANGUAGE sql");
        } else {
            ctx().Exec("DROP TABLE IF EXISTS SecProcedureSteps");
            ctx().Exec("DROP TABLE IF EXISTS SecProcedures");
            ctx().Exec("CREATE TABLE SecProcedures (Name TEXT PRIMARY KEY, Params TEXT NOT NULL, "
                       "ReturnsRows INTEGER NOT NULL)");
            ctx().Exec("CREATE TABLE SecProcedureSteps (Name TEXT NOT NULL REFERENCES "
                       "SecProcedures(Name) ON DELETE CASCADE, "
                       "Step INTEGER NOT NULL, Statement TEXT NOT NULL, PRIMARY KEY (Name, Step))");
            ctx().Exec("INSERT INTO SecProcedures VALUES ('AddPerson', 'PName text, PAge int, "
                       "PActive bool', 0)");
            ctx().Exec(
                "INSERT INTO SecProcedureSteps VALUES ('AddPerson', 1, "
                "'INSERT INTO People (Name, Age, Active) VALUES (:PName, :PAge, :PActive)')");
            ctx().Exec("INSERT INTO SecProcedures VALUES ('OlderThan', 'MinAge smallint, "
                       "OnlyActive bool', 1)");
            ctx().Exec("INSERT INTO SecProcedureSteps VALUES ('OlderThan', 1, "
                       "'SELECT * FROM People WHERE Age > :MinAge AND (NOT :OnlyActive OR Active) "
                       "ORDER BY ID')");
            ctx().Exec("INSERT INTO SecProcedures VALUES ('AddTwice', 'PName text', 0)");
            ctx().Exec("INSERT INTO SecProcedureSteps VALUES ('AddTwice', 1, 'INSERT INTO People "
                       "(Name) VALUES (:PName)')");
            ctx().Exec("INSERT INTO SecProcedureSteps VALUES ('AddTwice', 2, 'INSERT INTO People "
                       "(Name) VALUES (:PName)')");
        }
    }
};

TEST_P(StoredProcTest, ParametersAreDiscoveredInDeclaredOrder)
{
    auto p = ctx().NewProc("OlderThan");
    ASSERT_EQ(p->ParamCount(), 2);
    EXPECT_TRUE(text_equal(p->Params()[0].Name(), "MinAge"));
    EXPECT_EQ(p->Params()[0].DataType(), ftSmallint);
    EXPECT_TRUE(text_equal(p->Params()[1].Name(), "OnlyActive"));
    EXPECT_EQ(p->Params()[1].DataType(), ftBoolean);
    auto missing = ctx().NewProc("NoSuchProc");
    EXPECT_THROW(missing->Prepare(), EDatabaseError);
}

TEST_P(StoredProcTest, ExecProcWithoutResult)
{
    auto p = ctx().NewProc("AddPerson");
    p->ParamByName("pname").SetAsString("Eve");
    p->Params()[1].SetAsString("22"); // by position, as text
    p->ParamByName("PActive").SetAsInteger(1);
    p->ExecProc();
    EXPECT_EQ(ctx().Scalar("select Age from People where Name = 'Eve'"), "22");
    EXPECT_EQ(
        ctx().Scalar("select count(*) from People where Name = 'Eve' and Active = true"), "1");
}

TEST_P(StoredProcTest, OpenReturnsTheRows)
{
    auto p = ctx().NewProc("OlderThan");
    p->ParamByName("MinAge").SetAsInteger(30);
    p->ParamByName("OnlyActive").SetAsBoolean(true);
    p->Open();
    EXPECT_THAT(Names(*p), ElementsAre("Admin", "Dave"));
    p->Close();
    p->ParamByName("OnlyActive").SetAsInteger(0);
    p->Open();
    EXPECT_THAT(Names(*p), ElementsAre("Admin", "Carol", "Dave"));
}

TEST_P(StoredProcTest, AFailingStepLeavesNothingBehind)
{
    auto p = ctx().NewProc("AddTwice");
    p->ParamByName("PName").SetAsString("Twin"); // the second insert breaks the unique name
    EXPECT_THROW(p->ExecProc(), EDatabaseError);
    EXPECT_EQ(ctx().Scalar("select count(*) from People where Name = 'Twin'"), "0");
    // Inside an outer transaction too (PostgreSQL needs the rollback there).
    ctx().connection->StartTransaction();
    EXPECT_THROW(p->ExecProc(), EDatabaseError);
    ctx().connection->Rollback();
    EXPECT_EQ(ctx().Scalar("select count(*) from People where Name = 'Twin'"), "0");
}

INSTANTIATE_TEST_SUITE_P(Engines, DataSetTest,
    ::testing::Values(
        Engine::SQLite, Engine::PostgreSQL, Engine::OdbcSQLite, Engine::OdbcPostgreSQL),
    ParamName);
INSTANTIATE_TEST_SUITE_P(Engines, CachedUpdatesTest,
    ::testing::Values(
        Engine::SQLite, Engine::PostgreSQL, Engine::OdbcSQLite, Engine::OdbcPostgreSQL),
    ParamName);
INSTANTIATE_TEST_SUITE_P(Engines, StoredProcTest,
    ::testing::Values(
        Engine::SQLite, Engine::PostgreSQL, Engine::OdbcSQLite, Engine::OdbcPostgreSQL),
    ParamName);

} // namespace
