// Record numbering on queries and procedures over an SQLite file: the numbers
// after open, nothing pending and nothing written, record numbers of the
// numbered datasets, filters and refresh, the owner's handlers, and memory
// fields on numbered rows.

#include "wardlock/data/connection.h"
#include "wardlock/data/dbdataset.h"
#include "wardlock/keeper/intnofield.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace vcl;
using namespace tor;
using ::testing::ElementsAre;

namespace {

constexpr const char* kItemsSql = "select Items.*, 1 as RecNo from Items order by ID";

// Six items (IDs 1..6; 2 and 4 hidden). Every UPDATE, INSERT or DELETE on
// the table is logged by triggers, so a test can see that nothing was written.
class NumberingTest : public ::testing::Test {
public:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        db_ = new TDatabase(&form_);
        db_->SetDriverName("QSQLITE");
        db_->SetLoginPrompt(false);
        db_->Params().SetValues("DATABASE NAME", dir_.filePath("items.db").toStdString());
        db_->Params().SetValues("CREATE", "TRUE");
        db_->Execute("CREATE TABLE Items (ID INTEGER PRIMARY KEY, Name TEXT, Hidden BOOLEAN)");
        db_->Execute("CREATE TABLE Writes (What TEXT)");
        for (const char* what : { "UPDATE", "INSERT", "DELETE" })
            db_->Execute(std::string("CREATE TRIGGER Log") + what + " AFTER " + what
                + " ON Items BEGIN INSERT INTO Writes VALUES ('" + what + "'); END");
        for (int i = 1; i <= 6; ++i)
            db_->Execute("INSERT INTO Items VALUES (" + std::to_string(i) + ", 'item"
                + std::to_string(i) + "', " + (i == 2 || i == 4 ? "1" : "0") + ")");
        db_->Execute("DELETE FROM Writes");
        // The procedure form of the same rows (SQLite keeps the body in the
        // database's procedure tables).
        db_->Execute("CREATE TABLE SecProcedures (Name TEXT PRIMARY KEY, Params TEXT NOT NULL, "
                     "ReturnsRows INTEGER NOT NULL)");
        db_->Execute("CREATE TABLE SecProcedureSteps (Name TEXT NOT NULL, Step INTEGER NOT NULL, "
                     "Statement TEXT NOT NULL, PRIMARY KEY (Name, Step))");
        db_->Execute("INSERT INTO SecProcedures VALUES ('QItems', 'MinID int', 1)");
        db_->Execute("INSERT INTO SecProcedureSteps VALUES ('QItems', 1, "
                     "'select Items.*, 1 as RecNo from Items where ID >= :MinID order by ID')");
    }

    // The data fields and the numbering field of an items dataset.
    TIntNoField* AddFields(TDataSet* ds)
    {
        for (const char* name : { "ID", "Name", "Hidden" }) {
            TField* f = std::string(name) == "Hidden"
                ? static_cast<TField*>(new TBooleanField(&form_))
                : std::string(name) == "ID" ? static_cast<TField*>(new TIntegerField(&form_))
                                            : static_cast<TField*>(new TStringField(&form_, 20));
            f->SetFieldName(name);
            f->SetDataSet(ds);
        }
        auto* no = new TIntNoField(&form_);
        no->SetFieldName("RecNo");
        no->SetDataSet(ds);
        return no;
    }

    // A memory field "Value" numbered by `no`.
    TMemStringField* AddValueField(TDataSet* ds, TNoField* no)
    {
        auto* value = new TMemStringField(&form_, 16);
        value->SetFieldName("Value");
        value->SetDataSet(ds);
        value->SetNoField(no);
        return value;
    }

    TNoQuery* MakeQuery(const std::string& name = "Items")
    {
        auto* q = new TNoQuery(&form_);
        q->SetName(name);
        q->SetDatabase(db_);
        q->SQL().SetText(kItemsSql);
        q->SetCachedUpdates(true);
        return q;
    }

    TUpdateSQL* UpdateObject()
    {
        auto* u = new TUpdateSQL(&form_);
        u->ModifySQL().SetText("update Items set Name = :Name where ID = :OLD_ID");
        u->InsertSQL().SetText("insert into Items (ID, Name, Hidden) values (:ID, :Name, :Hidden)");
        u->DeleteSQL().SetText("delete from Items where ID = :OLD_ID");
        return u;
    }

    // RecNo of each row in the current order, with its ID.
    static std::vector<std::pair<int, int>> Numbers(TDataSet& ds)
    {
        std::vector<std::pair<int, int>> out;
        for (ds.First(); !ds.Eof(); ds.Next())
            out.emplace_back(
                ds.FieldByName("ID")->AsInteger(), ds.FieldByName("RecNo")->AsInteger());
        return out;
    }

    int Writes() { return std::stoi(Scalar("select count(*) from Writes")); }

    std::string Scalar(const std::string& sql)
    {
        TQuery q;
        q.SetDatabase(db_);
        q.SQL().SetText(sql);
        q.Open();
        return q.Fields(0)->AsString();
    }

    QTemporaryDir dir_;
    TComponent form_;
    TDatabase* db_ = nullptr;
};

using Unfiltered = std::vector<std::pair<int, int>>;
const Unfiltered kAllNumbered = { { 1, 0 }, { 2, 1 }, { 3, 2 }, { 4, 3 }, { 5, 4 }, { 6, 5 } };

// ---------------------------------------------------------------- numbering after open

TEST_F(NumberingTest, AfterOpenRowsAreNumberedAndNothingIsPendingOrWritten)
{
    struct Row {
        const char* label;
        std::function<TDataSet*(NumberingTest&)> make;
        bool cached; // as the owner set it up
        bool modifiableAfter; // the numbering does not change what may be edited
    };
    const Row rows[] = {
        { "cached query with an update object",
            [](NumberingTest& t) -> TDataSet* {
                TNoQuery* q = t.MakeQuery();
                q->SetUpdateObject(t.UpdateObject());
                q->SetNoField(t.AddFields(q));
                return q;
            },
            true, true },
        // Editable only through the numbering field's handler, which stays.
        { "cached read-only query",
            [](NumberingTest& t) -> TDataSet* {
                TNoQuery* q = t.MakeQuery();
                q->SetNoField(t.AddFields(q));
                return q;
            },
            true, true },
        { "live query without cached updates",
            [](NumberingTest& t) -> TDataSet* {
                TNoQuery* q = t.MakeQuery();
                q->SetCachedUpdates(false);
                q->SQL().SetText("select ID, Name, Hidden, 1 as RecNo from Items order by ID");
                q->SetRequestLive(true);
                q->SetNoField(t.AddFields(q));
                return q;
            },
            false, true },
        { "read-only query without cached updates",
            [](NumberingTest& t) -> TDataSet* {
                TNoQuery* q = t.MakeQuery();
                q->SetCachedUpdates(false);
                q->SetNoField(t.AddFields(q));
                return q;
            },
            false, false },
        { "procedure",
            [](NumberingTest& t) -> TDataSet* {
                auto* p = new TNoStoredProc(&t.form_);
                p->SetName("QItems");
                p->SetDatabase(t.db_);
                p->SetStoredProcName("QItems");
                p->ParamByName("MinID").SetAsInteger(0);
                p->SetCachedUpdates(true);
                p->SetNoField(t.AddFields(p));
                return p;
            },
            true, true },
        // A whole table, posted through generated statements.
        { "table",
            [](NumberingTest& t) -> TDataSet* {
                auto* table = new TNoTable(&t.form_);
                table->SetName("ItemsTable");
                table->SetDatabase(t.db_);
                table->SetTableName("Items");
                table->SetIndexFieldNames("ID");
                table->SetCachedUpdates(true);
                table->SetNoField(t.AddFields(table));
                return table;
            },
            true, true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        TDataSet* ds = row.make(*this);
        auto* no = dynamic_cast<TIntNoField*>(ds->FieldByName("RecNo"));
        ASSERT_NE(no, nullptr);
        EXPECT_FALSE(no->Numbered());
        ds->Open();
        EXPECT_TRUE(no->Numbered());
        EXPECT_EQ(Numbers(*ds), kAllNumbered) << "the statement selected the constant 1";
        EXPECT_FALSE(ds->UpdatesPending());
        EXPECT_EQ(ds->CachedUpdates(), row.cached);
        EXPECT_EQ(ds->CanModify(), row.modifiableAfter);
        EXPECT_EQ(Writes(), 0);
        ds->Close();
        EXPECT_FALSE(no->Numbered());
        delete ds;
    }
}

// ---------------------------------------------------------------- record numbers

TEST_F(NumberingTest, RecordNumbersComeFromTheNumberingField)
{
    for (bool filtered : { false, true }) {
        SCOPED_TRACE(filtered ? "filtered" : "unfiltered");
        TNoQuery* q = MakeQuery();
        q->SetNoField(AddFields(q));
        q->SetFilter("Hidden = false");
        q->SetFiltered(filtered);
        q->Open();
        EXPECT_TRUE(q->IsSequenced());
        ASSERT_TRUE(q->Locate("ID", QVariant(5)));
        ASSERT_EQ(q->FieldByName("RecNo")->AsInteger(), 4);
        EXPECT_EQ(q->GetRecNo(), 5);
        EXPECT_EQ(q->RecNo(), 5);
        q->First();
        q->SetRecNo(5);
        EXPECT_EQ(q->FieldByName("ID")->AsInteger(), 5);
        q->SetRecNo(2); // ID 2 is hidden when filtered: no move
        EXPECT_EQ(q->FieldByName("ID")->AsInteger(), filtered ? 5 : 2);
        delete q;
    }
}

// The counting datasets number by place: always sequenced, also under a
// filter, where the places are those of the rows shown.
TEST_F(NumberingTest, CountingDatasetsNumberByPlace)
{
    auto table = std::make_unique<TIntNoTable>(&form_);
    table->SetDatabase(db_);
    table->SetTableName("Items");
    table->SetIndexFieldNames("ID");
    auto query = std::make_unique<TIntNoQuery>(&form_);
    query->SetDatabase(db_);
    query->SQL().SetText("select * from Items order by ID");
    for (TDataSet* ds :
        { static_cast<TDataSet*>(table.get()), static_cast<TDataSet*>(query.get()) }) {
        ds->SetFilter("Hidden = false");
        ds->SetFiltered(true);
        ds->Open();
        EXPECT_TRUE(ds->IsSequenced());
        EXPECT_EQ(ds->RecNo(), 1);
        ds->Last();
        EXPECT_EQ(ds->RecNo(), 4) << "four rows are shown";
        EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 6);
        ds->SetRecNo(2);
        EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 3);
        ds->Close();
    }
}

TEST_F(NumberingTest, WithoutANumberedFieldTheEngineAnswers)
{
    TNoQuery* q = MakeQuery();
    q->SetFilter("Hidden = false");
    q->SetFiltered(true);
    q->Open(); // no numbering field at all
    EXPECT_FALSE(q->IsSequenced());
    EXPECT_EQ(q->GetRecNo(), -1);
    q->Close();

    auto* no = AddFields(q);
    q->SetNoField(no);
    EXPECT_FALSE(q->IsSequenced()) << "not numbered yet";
    q->Open();
    EXPECT_TRUE(q->IsSequenced());
    delete no; // a numbering field destroyed with its form is forgotten
    EXPECT_FALSE(q->IsSequenced());
    EXPECT_EQ(q->GetRecNo(), -1);
}

TEST_F(NumberingTest, FilterKeepsTheNumbersAndRefreshNumbersAgain)
{
    TNoQuery* q = MakeQuery();
    q->SetNoField(AddFields(q));
    q->SetFilter("Hidden = false");
    q->SetFiltered(true);
    q->Open();
    const Unfiltered visible = { { 1, 0 }, { 3, 2 }, { 5, 4 }, { 6, 5 } };
    EXPECT_EQ(Numbers(*q), visible);
    q->SetFiltered(false);
    EXPECT_EQ(Numbers(*q), kAllNumbered);
    q->SetFiltered(true);
    EXPECT_EQ(Numbers(*q), visible);

    db_->Execute("INSERT INTO Items VALUES (0, 'item0', 0)"); // comes first in the result
    q->Refresh();
    EXPECT_TRUE(q->Filtered());
    EXPECT_FALSE(q->UpdatesPending());
    EXPECT_EQ(Numbers(*q), (Unfiltered { { 0, 0 }, { 1, 1 }, { 3, 3 }, { 5, 5 }, { 6, 6 } }));
    q->SetFiltered(false);
    EXPECT_EQ(Numbers(*q),
        (Unfiltered { { 0, 0 }, { 1, 1 }, { 2, 2 }, { 3, 3 }, { 4, 4 }, { 5, 5 }, { 6, 6 } }));
}

// The administration opens its new-value caches empty; their first rows
// are numbered as they are posted.
TEST_F(NumberingTest, RowsPostedIntoAnEmptyNumberedQuery)
{
    for (bool cached : { true, false }) {
        SCOPED_TRACE(cached ? "cached, with an update object" : "live");
        db_->Execute("DELETE FROM Items WHERE ID > 100");
        db_->Execute("DELETE FROM Writes");
        TNoQuery* q = MakeQuery();
        q->SQL().SetText("select ID, Name, Hidden, 1 as RecNo from Items where ID > 100");
        if (cached) {
            q->SetUpdateObject(UpdateObject());
        } else {
            q->SetCachedUpdates(false);
            q->SetRequestLive(true);
        }
        TIntNoField* no = AddFields(q);
        q->SetNoField(no);
        TMemStringField* value = AddValueField(q, no);
        q->Open();
        ASSERT_TRUE(q->IsEmpty());
        for (int i = 0; i < 2; ++i) {
            q->Append();
            q->FieldByName("ID")->SetAsInteger(101 + i);
            q->FieldByName("Name")->SetAsString("new" + std::to_string(i));
            q->FieldByName("Hidden")->SetAsBoolean(false);
            value->SetAsString("v" + std::to_string(i));
            q->Post();
            EXPECT_EQ(q->FieldByName("RecNo")->AsInteger(), i);
            EXPECT_EQ(q->RecNo(), i + 1);
        }
        EXPECT_EQ(value->getDataAsString(0), "v0");
        EXPECT_EQ(value->getDataAsString(1), "v1");
        if (cached) {
            EXPECT_EQ(Writes(), 0);
            q->ApplyUpdates();
            q->CommitUpdates();
        }
        EXPECT_EQ(Writes(), 2);
        EXPECT_EQ(Scalar("select count(*) from Items where ID > 100"), "2");
        delete value;
        delete q;
    }
}

// Numbering again (after a requery) drops its own edits from the cache, not
// the owner's; a failing numbering cancels none of them either, and an edit
// in progress is refused rather than posted behind the owner's handlers.
TEST_F(NumberingTest, NumberingAgainKeepsTheEditsPendingBeforeIt)
{
    struct Row {
        const char* label;
        bool failing;
    };
    for (const Row& row :
        { Row { "numbering succeeds", false }, Row { "numbering fails", true } }) {
        SCOPED_TRACE(row.label);
        db_->Execute("DELETE FROM Items WHERE ID = 7");
        db_->Execute("DELETE FROM Writes");
        TNoQuery* q = MakeQuery();
        q->SetUpdateObject(UpdateObject());
        TIntNoField* no = AddFields(q);
        q->SetNoField(no);
        q->Open();
        ASSERT_TRUE(q->Locate("ID", QVariant(3)));
        q->Edit();
        q->FieldByName("Name")->SetAsString("renamed");
        q->Post();
        q->Append();
        q->FieldByName("ID")->SetAsInteger(7);
        q->FieldByName("Name")->SetAsString("item7");
        q->FieldByName("Hidden")->SetAsBoolean(false);
        q->Post();
        ASSERT_TRUE(q->UpdatesPending());

        // An edit in progress is neither posted nor cancelled.
        q->First();
        q->Edit();
        q->FieldByName("Name")->SetAsString("being edited");
        EXPECT_THROW(no->IntAfterRequery(q), EDatabaseError);
        EXPECT_EQ(q->State(), dsEdit);
        EXPECT_EQ(q->FieldByName("Name")->AsString(), "being edited");
        q->Cancel();

        if (row.failing) {
            no->OnValidate = [](TField* f) {
                if (f->AsInteger() == 3)
                    throw Exception("refused");
            };
            EXPECT_THROW(no->IntAfterRequery(q), Exception);
            no->OnValidate = nullptr;
        } else {
            no->IntAfterRequery(q);
            EXPECT_EQ(Numbers(*q),
                (Unfiltered {
                    { 1, 0 }, { 2, 1 }, { 3, 2 }, { 4, 3 }, { 5, 4 }, { 6, 5 }, { 7, 6 } }));
        }
        std::vector<std::pair<int, TUpdateStatus>> statuses;
        for (q->First(); !q->Eof(); q->Next())
            statuses.emplace_back(q->FieldByName("ID")->AsInteger(), q->UpdateStatus());
        EXPECT_THAT(statuses,
            ElementsAre(std::pair(1, usUnmodified), std::pair(2, usUnmodified),
                std::pair(3, usModified), std::pair(4, usUnmodified), std::pair(5, usUnmodified),
                std::pair(6, usUnmodified), std::pair(7, usInserted)));
        q->ApplyUpdates();
        q->CommitUpdates();
        EXPECT_EQ(Writes(), 2) << "the owner's two edits, nothing of the numbering";
        EXPECT_EQ(Scalar("select Name from Items where ID = 3"), "renamed");
        EXPECT_EQ(Scalar("select Name from Items where ID = 7"), "item7");
        db_->Execute("UPDATE Items SET Name = 'item3' WHERE ID = 3");
        delete q;
    }
}

// ---------------------------------------------------------------- the owner's handlers

TEST_F(NumberingTest, NumberingRunsNoneOfTheOwnersHandlers)
{
    TNoQuery* q = MakeQuery();
    q->SetUpdateObject(UpdateObject());
    std::map<std::string, int> calls;
    auto counter
        = [&calls](const char* name) { return [&calls, name](TDataSet*) { ++calls[name]; }; };
    q->BeforePost = counter("BeforePost");
    q->AfterPost = counter("AfterPost");
    q->BeforeEdit = counter("BeforeEdit");
    q->AfterEdit = counter("AfterEdit");
    q->BeforeScroll = counter("BeforeScroll");
    q->AfterScroll = counter("AfterScroll");
    q->SetFilter("Hidden = false");
    q->SetFiltered(true);
    q->SetNoField(AddFields(q));

    q->Open();
    EXPECT_EQ(calls, (std::map<std::string, int> { { "AfterScroll", 1 } }))
        << "only the open's own scroll";
    calls.clear();
    q->Refresh();
    EXPECT_TRUE(calls.empty());

    // The handlers are back once the numbering is done.
    q->Edit();
    q->FieldByName("Name")->SetAsString("renamed");
    q->Post();
    EXPECT_EQ(calls["BeforeEdit"], 1);
    EXPECT_EQ(calls["BeforePost"], 1);
    EXPECT_EQ(calls["AfterPost"], 1);
    q->Next();
    EXPECT_EQ(calls["AfterScroll"], 1);
    EXPECT_TRUE(q->Filtered());
}

// Recognisable update-record handlers.
struct OwnerUpdate {
    int* calls;
    void operator()(TDataSet*, TUpdateKind, TUpdateAction& action) const
    {
        ++*calls;
        action = uaApplied;
    }
};

TEST_F(NumberingTest, TheOwnersUpdateRecordHandlerSurvivesTheNumbering)
{
    struct Row {
        const char* label;
        bool ownerHandler;
        bool updateObject;
        bool ownerHandlerAfter;
        bool modifiableAfter;
    };
    const Row rows[] = {
        { "owner's handler on a read-only cached query", true, false, true, true },
        { "owner's handler beside an update object", true, true, true, true },
        { "no handler, update object", false, true, false, true },
        { "no handler, read-only cached query", false, false, false, true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        TNoQuery* q = MakeQuery();
        int ownerCalls = 0;
        if (row.ownerHandler)
            q->OnUpdateRecord = OwnerUpdate { &ownerCalls };
        if (row.updateObject)
            q->SetUpdateObject(UpdateObject());
        q->SetNoField(AddFields(q));
        for (int open = 0; open < 2; ++open) { // and again after a reopen
            q->Open();
            EXPECT_EQ(q->OnUpdateRecord.target<OwnerUpdate>() != nullptr, row.ownerHandlerAfter);
            EXPECT_EQ(q->CanModify(), row.modifiableAfter);
            q->Close();
        }
        q->Open();
        q->Edit();
        q->FieldByName("Name")->SetAsString("changed");
        q->Post();
        q->ApplyUpdates();
        EXPECT_EQ(ownerCalls, row.ownerHandler ? 1 : 0) << "the owner's handler applies the edit";
        delete q;
    }
}

TEST_F(NumberingTest, AFailingNumberingLeavesTheDatasetAsTheOwnerSetItUp)
{
    TNoQuery* q = MakeQuery();
    int afterScrolls = 0;
    q->AfterScroll = [&](TDataSet*) { ++afterScrolls; };
    q->SetFilter("Hidden = false");
    q->SetFiltered(true);
    TIntNoField* no = AddFields(q);
    q->SetNoField(no);
    no->OnValidate = [](TField* f) {
        if (f->AsInteger() == 3)
            throw Exception("refused");
    };
    EXPECT_THROW(q->Open(), Exception);
    EXPECT_FALSE(no->Numbered());
    EXPECT_FALSE(q->UpdatesPending());
    EXPECT_TRUE(q->Filtered());
    ASSERT_TRUE(q->Active());
    q->Next();
    EXPECT_EQ(afterScrolls, 1) << "the owner's scroll handler is back";
}

// ---------------------------------------------------------------- memory fields on numbered rows

TEST_F(NumberingTest, MemoryValuesFollowTheNumbersUnderTheFilterAndForNewRows)
{
    TNoQuery* q = MakeQuery();
    q->SetUpdateObject(UpdateObject());
    TIntNoField* no = AddFields(q);
    q->SetNoField(no);
    TMemStringField* value = AddValueField(q, no);
    std::vector<std::string> written;
    value->BeforeUpdate = [&](TField* f) {
        written.push_back(q->FieldByName("ID")->AsString() + "=" + f->AsString());
    };
    q->SetFilter("Hidden = false");
    q->SetFiltered(true);
    q->Open();
    ASSERT_EQ(value->RecCount(), 6u);
    for (unsigned r = 0; r < 6; ++r)
        value->setDataAsString(r, "v" + std::to_string(r + 1));
    q->Resync();
    std::vector<std::string> shown;
    for (q->First(); !q->Eof(); q->Next())
        shown.push_back(value->AsString());
    EXPECT_THAT(shown, ElementsAre("v1", "v3", "v5", "v6"));

    // The row read while another is current shows its own value.
    std::string third;
    q->First();
    q->ReadRecord(2, [&] { third = value->AsString(); });
    EXPECT_EQ(third, "v5");

    q->Append();
    q->FieldByName("ID")->SetAsInteger(7);
    q->FieldByName("Name")->SetAsString("item7");
    q->FieldByName("Hidden")->SetAsBoolean(false);
    value->SetAsString("v7");
    q->Post();
    EXPECT_EQ(q->FieldByName("RecNo")->AsInteger(), 6) << "the next unused number";
    EXPECT_EQ(value->getDataAsString(6), "v7");
    EXPECT_THAT(written, ElementsAre("7=v7"));
    for (unsigned r = 0; r < 6; ++r)
        EXPECT_EQ(value->getDataAsString(r), "v" + std::to_string(r + 1));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
