// Whole tables (TTable) on the engines reached through a database component:
// every row in the order asked for, edits written at once, and only plain
// names in the statement.

#include "engine_fixture.h"

#include "wardlock/data/table.h"

using namespace vcl;

namespace wltest {

namespace {

class TableTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        database_ = dynamic_cast<TDatabase*>(ctx().connection);
        ASSERT_NE(database_, nullptr) << "tables are reached through a database component";
        ctx().Table("Fruits", ctx().Ddl("ID {pk}, Name varchar(20), Rank integer"));
        for (const char* row : { "('pear', 3)", "('apple', 1)", "('plum', 2)" })
            ctx().Exec(std::string("insert into Fruits (Name, Rank) values ") + row);
    }

    std::unique_ptr<TTable> Fruits(const std::string& order)
    {
        auto table = std::make_unique<TTable>();
        table->SetDatabase(database_);
        table->SetTableName("Fruits");
        table->SetIndexFieldNames(order);
        return table;
    }

    static std::vector<std::string> Names(TDataSet& ds)
    {
        std::vector<std::string> names;
        for (ds.First(); !ds.Eof(); ds.Next())
            names.push_back(ds.FieldByName("Name")->AsString());
        return names;
    }

    TDatabase* database_ = nullptr;
};

TEST_P(TableTest, EveryRowInTheOrderAskedFor)
{
    auto byRank = Fruits("Rank");
    byRank->Open();
    EXPECT_EQ(Names(*byRank), (std::vector<std::string> { "apple", "plum", "pear" }));
    auto byNameThenRank = Fruits("Name;Rank");
    byNameThenRank->Open();
    EXPECT_EQ(Names(*byNameThenRank), (std::vector<std::string> { "apple", "pear", "plum" }));
}

TEST_P(TableTest, EditsAreWrittenAtOnce)
{
    auto table = Fruits("Rank");
    table->Open();
    ASSERT_TRUE(table->Locate("Name", "plum"));
    table->Edit();
    table->FieldByName("Rank")->SetAsInteger(7);
    table->Post();
    EXPECT_EQ(ctx().Scalar("select Rank from Fruits where Name = 'plum'"), "7");
    table->Append();
    table->FieldByName("Name")->SetAsString("fig");
    table->FieldByName("Rank")->SetAsInteger(4);
    table->Post();
    EXPECT_FALSE(table->FieldByName("ID")->IsNull()) << "the key the database gave";
    ASSERT_TRUE(table->Locate("Name", "apple"));
    table->Delete();
    EXPECT_EQ(ctx().Scalar("select count(*) from Fruits"), "3");

    auto readOnly = Fruits("");
    readOnly->SetReadOnly(true);
    readOnly->Open();
    EXPECT_FALSE(readOnly->CanModify());
}

TEST_P(TableTest, OnlyPlainNamesReachTheStatement)
{
    TTable table;
    table.SetDatabase(database_);
    table.SetTableName("Fruits");
    EXPECT_THROW(table.SetTableName("Fruits; delete from Fruits"), EDatabaseError);
    EXPECT_EQ(table.TableName(), "Fruits");
    EXPECT_THROW(table.SetIndexFieldNames("Rank desc"), EDatabaseError);
    EXPECT_THROW(TTable().Open(), EDatabaseError) << "no table name";
    table.Open();
    EXPECT_EQ(table.RecordCount(), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Engines, TableTest, ::testing::Values(Engine::SQLite, Engine::PostgreSQL), ParamName);

} // namespace

} // namespace wltest
