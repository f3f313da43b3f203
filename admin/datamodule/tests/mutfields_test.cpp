// Memory-backed fields on a real query over an SQLite file: slots, write-back
// events, numbering under a filter, handler chaining and restoring, the two
// error messages, and the Mut and Fll field rules.

#include "wardlock/data/connection.h"
#include "wardlock/data/dbdataset.h"
#include "wardlock/grid/datasourcemodel.h"
#include "wardlock/keeper/mutfields.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace vcl;
using namespace tor;
using ::testing::ElementsAre;

namespace {

// Six items; the second and fourth are hidden. "No" numbers them 0..5 in
// result order, so a TExtNoField can read its number from the column.
class MemFieldsTest : public ::testing::Test {
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
        for (int i = 1; i <= 6; ++i)
            db_->Execute("INSERT INTO Items VALUES (" + std::to_string(i) + ", 'item"
                + std::to_string(i) + "', " + (i == 2 || i == 4 ? "1" : "0") + ")");
    }

    // The dataset with its data fields; editable through a cache that
    // writes nothing.
    TQuery* MakeQuery(const std::string& name = "Items")
    {
        auto* q = new TQuery(&form_);
        q->SetName(name);
        q->SetDatabase(db_);
        q->SQL().SetText("select ID, ID - 1 as No, Name, Hidden from Items order by ID");
        q->SetCachedUpdates(true);
        q->OnUpdateRecord
            = [](TDataSet*, TUpdateKind, TUpdateAction& action) { action = uaApplied; };
        auto* id = new TIntegerField(&form_);
        id->SetFieldName("ID");
        id->SetDataSet(q);
        auto* name_ = new TStringField(&form_, 20);
        name_->SetFieldName("Name");
        name_->SetDataSet(q);
        auto* hidden = new TBooleanField(&form_);
        hidden->SetFieldName("Hidden");
        hidden->SetDataSet(q);
        return q;
    }

    template<class F>
    F* AddField(TDataSet* ds, const std::string& name, TNoField* noField = nullptr)
    {
        auto* f = new F(&form_);
        f->SetFieldName(name);
        f->SetDataSet(ds);
        if constexpr (std::is_base_of_v<TMemFieldBuffer, F>)
            f->SetNoField(noField);
        return f;
    }

    // A numbering field of either kind on the "No" column.
    template<class N = TExtNoField> N* AddNoField(TDataSet* ds) { return AddField<N>(ds, "No"); }

    static std::vector<std::string> Column(TDataSet& ds, TField* field)
    {
        std::vector<std::string> out;
        for (ds.First(); !ds.Eof(); ds.Next())
            out.push_back(field->AsString());
        return out;
    }

    QTemporaryDir dir_;
    TComponent form_;
    TDatabase* db_ = nullptr;
};

// ---------------------------------------------------------------- write-back

// One memory field type: how to fill a slot, read it, and what to edit.
struct MemKind {
    const char* label;
    std::function<TField*(MemFieldsTest&, TDataSet*, TNoField*)> make;
    std::function<void(TField*, unsigned, int)> fill; // slot r := a value made from n
    std::function<std::string(TField*, unsigned)> slot;
    QVariant edited; // value set through the field
    std::string shownAs; // the edited value as AsString shows it
};

class MemWriteBack : public MemFieldsTest, public ::testing::WithParamInterface<MemKind> { };

TEST_P(MemWriteBack, PostFiresBeforeUpdateOncePerChangedFieldBeforeTheSlotChanges)
{
    const MemKind& kind = GetParam();
    TQuery* q = MakeQuery();
    TNoField* no = AddNoField(q);
    TField* mem = kind.make(*this, q, no);
    auto* buffer = dynamic_cast<TMemFieldBuffer*>(mem);
    ASSERT_NE(buffer, nullptr);

    std::vector<std::string> log;
    std::string slotSeenByBeforeUpdate, valueSeenByBeforeUpdate;
    no->BeforeUpdate = [&](TDataSet*) { log.push_back("no.before"); };
    no->AfterUpdate = [&](TDataSet*) { log.push_back("no.after"); };
    auto setEvents = [&](auto* typed) {
        typed->BeforeUpdate = [&](TField* f) {
            log.push_back("mem.before");
            slotSeenByBeforeUpdate = kind.slot(f, 2);
            valueSeenByBeforeUpdate = f->AsString();
        };
        typed->AfterUpdate = [&](TField*) { log.push_back("mem.after"); };
    };
    if (auto* s = dynamic_cast<TMemStringField*>(mem))
        setEvents(s);
    if (auto* i = dynamic_cast<TMemIntegerField*>(mem))
        setEvents(i);
    if (auto* b = dynamic_cast<TMemBooleanField*>(mem))
        setEvents(b);

    q->Open();
    ASSERT_EQ(buffer->RecCount(), 6u);
    ASSERT_EQ(no->RecCount(), 6u);
    for (unsigned r = 0; r < 6; ++r)
        kind.fill(mem, r, static_cast<int>(r));
    q->Resync();
    q->First();
    q->MoveBy(2);
    const std::string before = kind.slot(mem, 2);
    const std::string neighbour = kind.slot(mem, 3);
    EXPECT_EQ(mem->AsString(), before) << "the current row shows its slot";

    // Unchanged value: nothing fires.
    q->Edit();
    mem->SetAsString(mem->AsString());
    q->Post();
    EXPECT_TRUE(log.empty());

    q->Edit();
    mem->SetValue(kind.edited);
    EXPECT_TRUE(q->Modified()) << "setting a memory value marks the row for posting";
    q->Post();
    EXPECT_THAT(log, ElementsAre("no.before", "mem.before", "mem.after", "no.after"));
    EXPECT_EQ(slotSeenByBeforeUpdate, before) << "slot 2 still held the old value";
    EXPECT_EQ(valueSeenByBeforeUpdate, kind.shownAs);
    EXPECT_EQ(kind.slot(mem, 2), kind.shownAs);
    EXPECT_EQ(mem->AsString(), kind.shownAs) << "recomputed from the slot after the post";
    EXPECT_EQ(kind.slot(mem, 3), neighbour) << "other slots untouched";
    EXPECT_FALSE(q->UpdatesPending()) << "a memory value is not a change of the row";
}

INSTANTIATE_TEST_SUITE_P(Kinds, MemWriteBack,
    ::testing::Values(MemKind { "String",
                          [](MemFieldsTest& t, TDataSet* ds, TNoField* no) -> TField* {
                              auto* f = new TMemStringField(ds, 16);
                              f->SetFieldName("Value");
                              f->SetDataSet(ds);
                              f->SetNoField(no);
                              return f;
                          },
                          [](TField* f, unsigned r, int n) {
                              static_cast<TMemStringField*>(f)->setDataAsString(
                                  r, "v" + std::to_string(n));
                          },
                          [](TField* f, unsigned r) {
                              return static_cast<TMemStringField*>(f)->getDataAsString(r);
                          },
                          QVariant(QStringLiteral("fresh")), "fresh" },
        MemKind { "Integer",
            [](MemFieldsTest& t, TDataSet* ds, TNoField* no) -> TField* {
                auto* f = new TMemIntegerField(ds);
                f->SetFieldName("UserID");
                f->SetDataSet(ds);
                f->SetNoField(no);
                return f;
            },
            [](TField* f, unsigned r, int n) {
                static_cast<TMemIntegerField*>(f)->setDataAsInteger(r, 10 + n);
            },
            [](TField* f, unsigned r) {
                return std::to_string(static_cast<TMemIntegerField*>(f)->getDataAsInteger(r));
            },
            QVariant(-2), "-2" },
        MemKind { "Boolean",
            [](MemFieldsTest& t, TDataSet* ds, TNoField* no) -> TField* {
                auto* f = new TMemBooleanField(ds);
                f->SetFieldName("View");
                f->SetDataSet(ds);
                f->SetNoField(no);
                return f;
            },
            // Row 2 starts false, so the edit below changes it.
            [](TField* f, unsigned r, int n) {
                static_cast<TMemBooleanField*>(f)->setDataAsBoolean(r, n % 2 == 1);
            },
            [](TField* f, unsigned r) {
                return std::string(
                    static_cast<TMemBooleanField*>(f)->getDataAsBoolean(r) ? "True" : "False");
            },
            QVariant(true), "True" }),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(MemFieldsTest, OnlyChangedFieldsFireAndPlainColumnEditsFireNothing)
{
    TQuery* q = MakeQuery();
    TNoField* no = AddNoField(q);
    auto* view = AddField<TMemBooleanField>(q, "View", no);
    auto* insert = AddField<TMemBooleanField>(q, "Ins", no);
    auto* id = AddField<TMemIntegerField>(q, "RightID", no);
    std::vector<std::string> log;
    no->BeforeUpdate = [&](TDataSet*) { log.push_back("no"); };
    view->BeforeUpdate = [&](TField*) { log.push_back("view"); };
    insert->BeforeUpdate = [&](TField*) { log.push_back("insert"); };
    id->BeforeUpdate = [&](TField*) { log.push_back("id"); };
    q->Open();

    q->Edit();
    q->FieldByName("Name")->SetAsString("renamed");
    q->Post();
    EXPECT_TRUE(log.empty()) << "no memory value changed";

    q->Edit();
    view->SetAsBoolean(true);
    id->SetAsInteger(-2);
    q->Post();
    EXPECT_THAT(log, ElementsAre("no", "view", "id"));
    EXPECT_TRUE(view->getDataAsBoolean(0));
    EXPECT_FALSE(insert->getDataAsBoolean(0));
    EXPECT_EQ(id->getDataAsInteger(0), -2);
}

TEST_F(MemFieldsTest, AnOwnerThatRefusesInBeforeUpdateKeepsTheSlotAndTheEdit)
{
    TQuery* q = MakeQuery();
    TNoField* no = AddNoField(q);
    auto* value = AddField<TMemStringField>(q, "Value", no);
    value->BeforeUpdate = [](TField*) { throw Exception("write-back failed"); };
    q->Open();
    q->Edit();
    value->SetAsString("new");
    EXPECT_THROW(q->Post(), Exception);
    EXPECT_EQ(q->State(), dsEdit);
    EXPECT_EQ(value->getDataAsString(0), "");
    EXPECT_EQ(value->AsString(), "new");
}

// ---------------------------------------------------------------- slot contents

TEST_F(MemFieldsTest, AStringSlotKeepsAtMostTheFieldsSizeInCharacters)
{
    struct Row {
        const char* label;
        QString text;
        QString kept;
    };
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80"); // one character, two UTF-16 units
    const QString umlauts = QString::fromUtf8("\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xC3\xA9");
    const Row rows[] = {
        { "shorter", "ab", "ab" },
        { "exactly the size", "abcd", "abcd" },
        { "longer", "abcdefgh", "abcd" },
        { "non-ASCII characters", umlauts, umlauts.left(4) },
        { "a pair of UTF-16 units is one character", "ab" + smile + smile, "ab" + smile + smile },
        { "a pair is never split", "abc" + smile + "d", "abc" + smile },
        { "only pairs", smile + smile + smile + smile + smile, smile + smile + smile + smile },
    };
    TQuery* q = MakeQuery();
    TNoField* no = AddNoField(q);
    auto* value = new TMemStringField(&form_, 4);
    value->SetFieldName("Value");
    value->SetDataSet(q);
    value->SetNoField(no);
    std::vector<std::string> written;
    value->BeforeUpdate = [&](TField* f) { written.push_back(f->AsString()); };
    q->Open();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const std::string kept = row.kept.toStdString();
        value->setDataAsString(1, row.text.toStdString());
        EXPECT_EQ(value->getDataAsString(1), kept) << "written directly";
        value->setDataAsString(0, "");
        q->First();
        q->Edit();
        value->SetAsString(row.text.toStdString());
        EXPECT_EQ(value->AsString(), kept) << "the field's own value";
        written.clear();
        q->Post();
        EXPECT_EQ(value->getDataAsString(0), kept) << "posted";
        EXPECT_THAT(written, ElementsAre(kept)) << "what the owner writes back";
    }
    value->setDataAsRaw(2, QByteArray("\x01\xff\x00\x80\x7f", 5));
    EXPECT_EQ(value->getDataAsRaw(2), QByteArray("\x01\xff\x00\x80", 4)) << "raw: one byte each";
}

TEST_F(MemFieldsTest, FreshSlotsHoldZero)
{
    TQuery* q = MakeQuery();
    TNoField* no = AddNoField(q);
    auto* id = AddField<TMemIntegerField>(q, "UserParamID", no);
    auto* flag = AddField<TMemBooleanField>(q, "View", no);
    auto* text = AddField<TMemStringField>(q, "Value", no);
    q->Open();
    for (unsigned r = 0; r < 6; ++r) {
        EXPECT_EQ(id->getDataAsInteger(r), 0) << "slot " << r;
        EXPECT_FALSE(flag->getDataAsBoolean(r)) << "slot " << r;
        EXPECT_EQ(text->getDataAsString(r), "") << "slot " << r;
    }
    EXPECT_FALSE(id->IsNull()) << "the current row shows its slot";
    EXPECT_EQ(id->AsInteger(), 0);
    for (unsigned r = 0; r < 6; ++r)
        id->setDataAsInteger(r, -1);
    db_->Execute("INSERT INTO Items VALUES (7, 'item7', 0)");
    q->Refresh();
    ASSERT_EQ(id->RecCount(), 7u);
    EXPECT_EQ(id->getDataAsInteger(5), -1) << "kept";
    EXPECT_EQ(id->getDataAsInteger(6), 0) << "grown";
    EXPECT_FALSE(flag->getDataAsBoolean(6));
    EXPECT_EQ(text->getDataAsString(6), "");
}

// ---------------------------------------------------------------- changing a sibling

// What the administration does with an inherited value (id -1): the first
// edit's write-back adds a row to the new-value cache and turns the row's id
// into -2, so that the next edit updates that row. The id must reach its
// slot whichever handler changes it and wherever it is listed; otherwise the
// second edit adds a second row and the apply fails on the unique index.
TEST_F(MemFieldsTest, AWriteBackThatChangesASiblingKeepsOneNewValueRow)
{
    struct Row {
        const char* label;
        bool idListedFirst;
        bool valueHandler; // the value field's BeforeUpdate; else the numbering field's
    };
    const Row rows[] = {
        { "value's handler, id listed before the value", true, true },
        { "value's handler, id listed after the value", false, true },
        { "numbering field's handler, id listed before the value", true, false },
        { "numbering field's handler, id listed after the value", false, false },
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const std::string suffix = std::to_string(++n);
        db_->Execute("DROP TABLE IF EXISTS NewValues");
        db_->Execute("CREATE TABLE NewValues (UserID INTEGER, ParamID INTEGER, FValue TEXT, "
                     "UNIQUE (UserID, ParamID))");
        auto* fresh = new TQuery(&form_);
        fresh->SetName("NewValues" + suffix);
        fresh->SetDatabase(db_);
        fresh->SQL().SetText("select UserID, ParamID, FValue from NewValues");
        auto* upd = new TUpdateSQL(&form_);
        upd->InsertSQL().SetText("insert into NewValues values (:UserID, :ParamID, :FValue)");
        upd->ModifySQL().SetText("update NewValues set FValue = :FValue where UserID = "
                                 ":OLD_UserID and ParamID = :OLD_ParamID");
        fresh->SetCachedUpdates(true);
        fresh->SetUpdateObject(upd);
        fresh->Open(); // empty, as the administration opens it

        TQuery* q = MakeQuery("Params" + suffix);
        TNoField* no = AddNoField(q);
        TMemIntegerField* id = nullptr;
        TMemStringField* value = nullptr;
        if (row.idListedFirst)
            id = AddField<TMemIntegerField>(q, "UserParamID", no);
        value = AddField<TMemStringField>(q, "Value", no);
        if (!row.idListedFirst)
            id = AddField<TMemIntegerField>(q, "UserParamID", no);
        auto writeBack = [&] {
            const int paramId = q->FieldByName("ID")->AsInteger();
            if (id->AsInteger() == -2) {
                ASSERT_TRUE(fresh->Locate("UserID;ParamID", { QVariant(7), QVariant(paramId) }));
                fresh->Edit();
                fresh->FieldByName("FValue")->SetAsString(value->AsString());
                fresh->Post();
                return;
            }
            fresh->Append();
            fresh->FieldByName("UserID")->SetAsInteger(7);
            fresh->FieldByName("ParamID")->SetAsInteger(paramId);
            fresh->FieldByName("FValue")->SetAsString(value->AsString());
            fresh->Post();
            id->SetAsInteger(-2);
        };
        if (row.valueHandler)
            value->BeforeUpdate = [&](TField*) { writeBack(); };
        else
            no->BeforeUpdate = [&](TDataSet*) { writeBack(); };
        q->Open();
        for (unsigned r = 0; r < 6; ++r)
            id->setDataAsInteger(r, -1);
        q->Resync();
        q->First();
        q->MoveBy(2);
        for (const char* text : { "first", "second" }) {
            q->Edit();
            value->SetAsString(text);
            q->Post();
        }
        EXPECT_EQ(id->getDataAsInteger(2), -2);
        EXPECT_EQ(id->AsInteger(), -2);
        EXPECT_EQ(value->getDataAsString(2), "second");
        EXPECT_EQ(fresh->RecordCount(), 1);
        db_->StartTransaction();
        EXPECT_NO_THROW(fresh->ApplyUpdates());
        db_->Commit();
        fresh->CommitUpdates();
        TQuery check;
        check.SetDatabase(db_);
        check.SQL().SetText("select count(*), max(FValue) from NewValues");
        check.Open();
        EXPECT_EQ(check.Fields(0)->AsInteger(), 1);
        EXPECT_EQ(check.Fields(1)->AsString(), "second");
        delete q;
        delete fresh;
    }
}

// ---------------------------------------------------------------- numbering under a filter

TEST_F(MemFieldsTest, BuffersAndNumbersFollowTheUnfilteredRows)
{
    TQuery* q = MakeQuery();
    q->SetFilter("Hidden = false");
    q->SetFiltered(true);
    TNoField* no = AddNoField(q);
    auto* value = AddField<TMemStringField>(q, "Value", no);
    q->Open();
    ASSERT_EQ(q->RecordCount(), 4);
    EXPECT_EQ(value->RecCount(), 6u) << "sized on the unfiltered record count";
    for (unsigned r = 0; r < 6; ++r)
        EXPECT_EQ(value->getDataAsString(r), "") << "zero-filled";
    for (unsigned r = 0; r < 6; ++r)
        value->setDataAsString(r, "slot" + std::to_string(r));
    q->Resync();
    EXPECT_THAT(Column(*q, value), ElementsAre("slot0", "slot2", "slot4", "slot5"));

    // Editing the third visible row writes the slot of its unfiltered number.
    q->First();
    q->MoveBy(2);
    ASSERT_EQ(q->FieldByName("Name")->AsString(), "item5");
    q->Edit();
    value->SetAsString("edited");
    q->Post();
    EXPECT_EQ(value->getDataAsString(4), "edited");

    q->SetFiltered(false);
    EXPECT_THAT(
        Column(*q, value), ElementsAre("slot0", "slot1", "slot2", "slot3", "edited", "slot5"));
    q->SetFiltered(true);
    EXPECT_THAT(Column(*q, value), ElementsAre("slot0", "slot2", "edited", "slot5"));
}

TEST_F(MemFieldsTest, ReadingOtherRowsComputesTheirOwnSlots)
{
    TQuery* q = MakeQuery();
    TNoField* no = AddNoField<TNoField>(q); // unfiltered: RecNo numbers the rows
    auto* value = AddField<TMemIntegerField>(q, "Value", no);
    q->Open();
    for (unsigned r = 0; r < 6; ++r)
        value->setDataAsInteger(r, 100 + static_cast<int>(r));
    std::vector<int> seen;
    for (int row = 0; row < q->RecordCount(); ++row)
        q->ReadRecord(row, [&] { seen.push_back(value->AsInteger()); });
    EXPECT_THAT(seen, ElementsAre(100, 101, 102, 103, 104, 105));
}

// ---------------------------------------------------------------- handler chaining

TEST_F(MemFieldsTest, TheDatasetsOwnHandlersStillRunAfterTheFieldsWork)
{
    TQuery* q = MakeQuery();
    TMemStringField* value = nullptr;
    std::vector<std::string> log;
    // Each handler records what the field had done by the time it ran.
    q->AfterOpen = [&](TDataSet*) {
        log.push_back("AfterOpen buffers=" + std::to_string(value->RecCount()));
    };
    q->OnCalcFields = [&](TDataSet*) {
        if (value->HasBuffer())
            log.push_back("OnCalcFields value=" + value->AsString());
    };
    q->BeforePost = [&](TDataSet*) {
        log.push_back(
            "BeforePost slot=" + value->getDataAsString(0) + " value=" + value->AsString());
    };
    q->AfterClose = [&](TDataSet*) {
        log.push_back("AfterClose buffer=" + std::to_string(value->HasBuffer()));
    };
    q->AfterRefresh = [&](TDataSet*) {
        log.push_back("AfterRefresh buffers=" + std::to_string(value->RecCount()));
    };
    TNoField* no = AddNoField(q); // takes AfterOpen now, the others at open
    value = AddField<TMemStringField>(q, "Value", no);

    q->Open();
    EXPECT_THAT(log, ::testing::Contains("AfterOpen buffers=6"));
    value->setDataAsString(0, "zero");
    log.clear();
    q->Resync();
    EXPECT_THAT(log, ElementsAre("OnCalcFields value=zero"));

    // The dataset's BeforePost checks come before the write-back, so they
    // may still refuse or narrow the value.
    log.clear();
    q->Edit();
    value->SetAsString("one");
    q->Post();
    EXPECT_EQ(log.front(), "BeforePost slot=zero value=one");
    EXPECT_EQ(value->getDataAsString(0), "one");

    db_->Execute("INSERT INTO Items VALUES (7, 'item7', 0)");
    log.clear();
    q->Refresh();
    EXPECT_THAT(log, ::testing::Contains("AfterRefresh buffers=7"));
    EXPECT_EQ(value->getDataAsString(0), "one") << "growing keeps the values";

    log.clear();
    q->Close();
    EXPECT_THAT(log, ElementsAre("AfterClose buffer=0"));
    EXPECT_EQ(no->RecCount(), 0u);

    // A second open chains the same handlers again, once each.
    log.clear();
    q->Open();
    EXPECT_EQ(std::count(log.begin(), log.end(), "AfterOpen buffers=7"), 1);
}

// Events assigned after the numbering field took them replace its handlers;
// the memory values would be lost silently, so they are refused instead.
TEST_F(MemFieldsTest, EventsAssignedTooLateMakeMemoryValuesRefused)
{
    struct Row {
        const char* label;
        std::function<void(TDataSet*)> late; // assigned after the field took over
        bool afterOpen; // assigned once the dataset is open; else before opening
    };
    const auto noop = [](TDataSet*) {};
    const Row rows[] = {
        { "AfterOpen after attaching the numbering field",
            [&](TDataSet* ds) { ds->AfterOpen = noop; }, false },
        { "BeforePost after opening", [&](TDataSet* ds) { ds->BeforePost = noop; }, true },
        { "OnCalcFields after opening", [&](TDataSet* ds) { ds->OnCalcFields = noop; }, true },
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        TQuery* q = MakeQuery("Late" + std::to_string(++n));
        TNoField* no = AddNoField(q);
        auto* value = AddField<TMemStringField>(q, "Value", no);
        if (!row.afterOpen)
            row.late(q);
        q->Open();
        if (row.afterOpen) {
            EXPECT_TRUE(no->Hooked());
            row.late(q);
        }
        EXPECT_FALSE(no->Hooked());
        q->Edit();
        try {
            value->SetAsString("lost");
            ADD_FAILURE() << "the value was taken";
        } catch (const EDatabaseError& error) {
            EXPECT_EQ(error.Message(),
                "Field 'Value' cannot keep its value: dataset '" + q->Name()
                    + "' no longer calls the handlers of its numbering field 'No' (assign the "
                      "dataset's events before attaching the numbering field and before "
                      "opening the dataset)");
        }
        EXPECT_THROW(value->Clear(), EDatabaseError);
        q->Cancel();
        delete q;
    }
}

// The dataset's own handler, recognisable by its type.
struct OwnerHandler {
    int* calls;
    void operator()(TDataSet*) const { ++*calls; }
};

TEST_F(MemFieldsTest, LeavingADatasetRestoresItsHandlers)
{
    TQuery* first = MakeQuery("First");
    TQuery* second = MakeQuery("Second");
    int ownerCalls = 0;
    TDataSet::TDataSetNotifyEvent TDataSet::*const events[]
        = { &TDataSet::AfterOpen, &TDataSet::OnCalcFields, &TDataSet::BeforePost,
              &TDataSet::AfterClose, &TDataSet::AfterRefresh };
    for (auto event : events)
        first->*event = OwnerHandler { &ownerCalls };

    TNoField* no = AddNoField(first);
    auto* value = AddField<TMemStringField>(first, "Value", no);
    first->Open(); // installs every hook
    first->Close();
    EXPECT_EQ(first->AfterClose.target<OwnerHandler>(), nullptr) << "hooked while attached";

    no->SetDataSet(second);
    for (auto event : events)
        EXPECT_NE((first->*event).target<OwnerHandler>(), nullptr);
    EXPECT_EQ(value->NoField(), nullptr) << "fields of the left dataset are released";
    EXPECT_EQ(no->PubFields().Count(), 0);

    ownerCalls = 0;
    first->Open();
    EXPECT_GT(ownerCalls, 0);
    EXPECT_FALSE(value->HasBuffer());

    auto* other = AddField<TMemIntegerField>(second, "Value", no);
    second->Open();
    EXPECT_EQ(other->RecCount(), 6u) << "the second dataset is hooked";
}

TEST_F(MemFieldsTest, DestroyingTheNumberingFieldRestoresHandlersAndReleasesFields)
{
    TQuery* q = MakeQuery();
    int ownerOpens = 0;
    q->AfterOpen = [&](TDataSet*) { ++ownerOpens; };
    auto* no = AddNoField(q);
    auto* value = AddField<TMemBooleanField>(q, "View", no);
    q->Open();
    q->Close();
    delete no;
    EXPECT_EQ(value->NoField(), nullptr);
    q->Open();
    EXPECT_EQ(ownerOpens, 2);
    EXPECT_FALSE(value->HasBuffer());
    delete value; // detached: nothing to call back
}

// ---------------------------------------------------------------- in a grid

TEST_F(MemFieldsTest, AGridShowsEachRowsSlotAndItsCheckBoxWritesBack)
{
    TQuery* q = MakeQuery();
    q->SetFilter("Hidden = false");
    q->SetFiltered(true);
    TNoField* no = AddNoField(q);
    auto* view = AddField<TMemBooleanField>(q, "View", no);
    std::vector<std::string> written;
    view->BeforeUpdate = [&](TField* f) {
        written.push_back(q->FieldByName("Name")->AsString() + "=" + f->AsString());
    };
    auto* source = new TDataSource(&form_);
    source->SetDataSet(q);
    TDataSourceModel model(source);
    q->Open();
    for (unsigned r = 0; r < 6; ++r)
        view->setDataAsBoolean(r, r == 2 || r == 5);
    q->Resync();
    const int column = model.ColumnOf(view);
    ASSERT_GE(column, 0);
    std::vector<int> shown;
    for (int row = 0; row < model.rowCount(); ++row)
        shown.push_back(model.data(model.index(row, column), Qt::CheckStateRole).toInt());
    EXPECT_THAT(shown, ElementsAre(Qt::Unchecked, Qt::Checked, Qt::Unchecked, Qt::Checked))
        << "items 1, 3, 5, 6 hold the slots 0, 2, 4, 5";
    ASSERT_TRUE(model.flags(model.index(2, column)) & Qt::ItemIsUserCheckable);

    EXPECT_TRUE(model.setData(model.index(2, column), Qt::Checked, Qt::CheckStateRole));
    EXPECT_THAT(written, ElementsAre("item5=True"));
    EXPECT_TRUE(view->getDataAsBoolean(4));
    EXPECT_EQ(model.data(model.index(2, column), Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_FALSE(q->UpdatesPending());
}

// ---------------------------------------------------------------- errors

TEST_F(MemFieldsTest, TheTwoErrorMessages)
{
    struct Row {
        const char* label;
        std::function<void(MemFieldsTest&, TQuery*)> act;
        const char* message;
    };
    const Row rows[] = {
        { "field of another type attached",
            [](MemFieldsTest& t, TQuery* q) {
                auto* no = t.AddNoField(q);
                auto* price = t.AddField<TFloatField>(q, "Price");
                price->SetFieldKind(fkCalculated);
                no->Add(price);
            },
            "MemField : Field type not supported." },
        { "plain numbering field on a filtered dataset",
            [](MemFieldsTest& t, TQuery* q) {
                auto* no = t.AddNoField<TNoField>(q);
                t.AddField<TMemStringField>(q, "Value", no);
                q->SetFilter("Hidden = false");
                q->SetFiltered(true);
                q->Open();
            },
            "DEBUG : DataSet Items does not provide record numbers. Use TExtNoField or TIntNoField "
            "instead." },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        TQuery* q = MakeQuery();
        try {
            row.act(*this, q);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& error) {
            EXPECT_EQ(error.Message(), row.message);
        }
        delete q;
    }
}

TEST_F(MemFieldsTest, ANewRecordWithoutANumberTakesNoOtherRecordsSlot)
{
    TQuery* q = MakeQuery();
    TNoField* no = AddNoField<TNoField>(q); // RecNo numbers rows; a new one has none
    auto* value = AddField<TMemStringField>(q, "Value", no);
    int updates = 0;
    value->BeforeUpdate = [&](TField*) { ++updates; };
    q->Open();
    q->Append();
    q->FieldByName("ID")->SetAsInteger(9);
    value->SetAsString("new");
    EXPECT_NO_THROW(q->Post());
    EXPECT_EQ(updates, 0);
    EXPECT_EQ(q->RecordCount(), 7);
    EXPECT_GE(value->RecCount(), 7u) << "the buffers grew for the new record";
    for (unsigned r = 0; r < value->RecCount(); ++r)
        EXPECT_EQ(value->getDataAsString(r), "") << "slot " << r;
}

TEST_F(MemFieldsTest, SlotAccessOutsideTheBufferIsAClearError)
{
    TQuery* q = MakeQuery();
    TNoField* no = AddNoField(q);
    auto* value = AddField<TMemIntegerField>(q, "Value", no);
    EXPECT_THROW(value->getDataAsInteger(0), EDatabaseError) << "closed: no buffer";
    q->Open();
    EXPECT_NO_THROW(value->setDataAsInteger(5, 1));
    EXPECT_THROW(value->setDataAsInteger(6, 1), EDatabaseError);
}

// ---------------------------------------------------------------- Mut and Fll fields

TEST_F(MemFieldsTest, CalculatedMutFieldsMayBeModifiedWhereTheDatasetMayBe)
{
    TQuery* q = MakeQuery();
    auto* mutText = AddField<TMutStringField>(q, "Note");
    auto* mutNumber = AddField<TMutIntegerField>(q, "Count");
    auto* mutFlag = AddField<TMutBooleanField>(q, "Flag");
    auto* plain = AddField<TStringField>(q, "Plain");
    for (TField* f : std::vector<TField*> { mutText, mutNumber, mutFlag, plain })
        f->SetFieldKind(fkCalculated);
    q->Open();
    EXPECT_TRUE(mutText->CanModify());
    EXPECT_TRUE(mutNumber->CanModify());
    EXPECT_TRUE(mutFlag->CanModify());
    EXPECT_FALSE(plain->CanModify()) << "the platform's rule for calculated fields";

    q->Edit();
    EXPECT_FALSE(q->Modified());
    mutNumber->SetAsInteger(3);
    EXPECT_TRUE(q->Modified()) << "a changed calculated value gets the row posted";
    q->Cancel();

    q->SetReadOnly(true);
    EXPECT_FALSE(mutText->CanModify());
    q->SetReadOnly(false);
    mutFlag->SetReadOnly(true);
    EXPECT_FALSE(mutFlag->CanModify());
}

TEST_F(MemFieldsTest, FllFieldsChangeKindWhileOpen)
{
    TQuery* q = MakeQuery();
    auto* name = new TFllStringField(&form_, 20);
    name->SetFieldName("Name2");
    auto* calc = new TFllIntegerField(&form_);
    calc->SetFieldName("Calc");
    calc->SetFieldKind(fkCalculated);
    calc->SetDataSet(q);
    q->SQL().SetText("select ID, ID - 1 as No, Name, Name as Name2, Hidden from Items order by ID");
    name->SetDataSet(q);
    q->Open();
    ASSERT_EQ(name->AsString(), "item1");

    EXPECT_NO_THROW(name->SetFieldKind(fkCalculated));
    EXPECT_EQ(name->FieldKind(), fkCalculated);
    EXPECT_NO_THROW(name->SetFieldKind(fkData)) << "bound to its column since the open";
    EXPECT_EQ(name->AsString(), "item1");
    EXPECT_THROW(calc->SetFieldKind(fkData), EDatabaseError) << "no column to read";
    EXPECT_EQ(calc->FieldKind(), fkCalculated);
    EXPECT_THROW(q->FieldByName("Name")->SetFieldKind(fkCalculated), EDatabaseError)
        << "a plain field keeps the platform's rule";
    q->Close();
    EXPECT_NO_THROW(calc->SetFieldKind(fkLookup));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
