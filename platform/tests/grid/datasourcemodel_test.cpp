// The grid model over a query on an SQLite file, without a window: shape and
// headers, cell roles, edits through the dataset (and refused ones), current
// row tracking, disabled controls, and Qt's own model checks.

#include "wardlock/data/connection.h"
#include "wardlock/data/dbdataset.h"
#include "wardlock/grid/datasourcemodel.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace vcl;

// Readable values in failure messages.
void PrintTo(const QVariant& value, std::ostream* os)
{
    *os << value.typeName() << "(" << value.toString().toStdString() << ")";
}

namespace {

// Warnings of the model tester end up here.
std::vector<QString> g_warnings;
void CollectWarnings(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_warnings.push_back(message);
}

class GridModelTest : public ::testing::Test {
public:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        db_ = new TDatabase(&form_);
        db_->SetDriverName("QSQLITE");
        db_->SetLoginPrompt(false);
        db_->Params().SetValues("DATABASE NAME", dir_.filePath("grid.db").toStdString());
        db_->Params().SetValues("CREATE", "TRUE");
        db_->Execute(
            "CREATE TABLE Items (ID INTEGER PRIMARY KEY, Name TEXT, Hidden BOOLEAN, Note TEXT)");
        for (int i = 1; i <= 6; ++i)
            db_->Execute("INSERT INTO Items VALUES (" + std::to_string(i) + ", 'item"
                + std::to_string(i) + "', " + (i == 2 || i == 4 ? "1" : "0") + ", 'n')");
        q_ = new TQuery(&form_);
        q_->SetName("Items");
        q_->SetDatabase(db_);
        q_->SQL().SetText("select ID, Name, Hidden, Note from Items order by ID");
        q_->SetCachedUpdates(true);
        q_->OnUpdateRecord = [](TDataSet*, TUpdateKind, TUpdateAction& a) { a = uaApplied; };
        id_ = new TIntegerField(&form_);
        id_->SetFieldName("ID");
        id_->SetDataSet(q_);
        name_ = new TStringField(&form_, 20);
        name_->SetFieldName("Name");
        name_->SetDisplayLabel("Item name");
        name_->SetDataSet(q_);
        hidden_ = new TBooleanField(&form_);
        hidden_->SetFieldName("Hidden");
        hidden_->SetDataSet(q_);
        auto* note = new TStringField(&form_, 20);
        note->SetFieldName("Note");
        note->SetVisible(false);
        note->SetDataSet(q_);
        source_ = new TDataSource(&form_);
        source_->SetDataSet(q_);
        q_->SetFilter("Hidden = false");
    }

    QTemporaryDir dir_;
    TComponent form_;
    TDatabase* db_ = nullptr;
    TQuery* q_ = nullptr;
    TDataSource* source_ = nullptr;
    TField* id_ = nullptr;
    TField* name_ = nullptr;
    TField* hidden_ = nullptr;
};

TEST_F(GridModelTest, PassesQtsModelChecksThroughOpenFilterEditsAndClose)
{
    g_warnings.clear();
    QtMessageHandler previous = qInstallMessageHandler(CollectWarnings);
    {
        TDataSourceModel model(source_);
        QAbstractItemModelTester tester(
            &model, QAbstractItemModelTester::FailureReportingMode::Warning);
        q_->Open();
        q_->SetFiltered(true);
        model.setData(model.index(1, 1), QStringLiteral("renamed"));
        model.setData(model.index(2, 2), Qt::Checked, Qt::CheckStateRole); // leaves the filter
        q_->SetFiltered(false);
        q_->Last();
        q_->Delete();
        q_->Close();
        q_->Open();
        source_->SetDataSet(nullptr);
        EXPECT_EQ(model.rowCount(), 0);
        EXPECT_EQ(model.columnCount(), 0);
    }
    qInstallMessageHandler(previous);
    EXPECT_THAT(g_warnings, ::testing::IsEmpty());
}

TEST_F(GridModelTest, OneColumnPerVisibleFieldOneRowPerShownRecord)
{
    TDataSourceModel model(source_);
    EXPECT_EQ(model.rowCount(), 0) << "closed";
    EXPECT_EQ(model.columnCount(), 3) << "Note is not visible";
    q_->Open();
    EXPECT_EQ(model.rowCount(), 6);
    q_->SetFiltered(true);
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "ID");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Item name") << "the display label";
    EXPECT_EQ(model.FieldAt(2), hidden_);
    EXPECT_EQ(model.ColumnOf(name_), 1);
    EXPECT_EQ(model.ColumnOf(q_->FieldByName("Note")), -1);
}

TEST_F(GridModelTest, CellRoles)
{
    TDataSourceModel model(source_);
    q_->Open();
    q_->Last(); // the rows read are not the current one, except the last
    struct Row {
        int row, column, role;
        QVariant expected;
    };
    const Row rows[] = {
        { 0, 1, Qt::DisplayRole, QStringLiteral("item1") },
        { 1, 0, Qt::DisplayRole, QStringLiteral("2") },
        { 1, 0, Qt::EditRole, 2 },
        { 1, 2, Qt::CheckStateRole, int(Qt::Checked) },
        { 2, 2, Qt::CheckStateRole, int(Qt::Unchecked) },
        { 1, 2, Qt::DisplayRole, QVariant() }, // a check box, no text
        { 1, 1, Qt::CheckStateRole, QVariant() },
        { 5, 1, Qt::DisplayRole, QStringLiteral("item6") },
        { 6, 1, Qt::DisplayRole, QVariant() }, // past the last row
        { 0, 0, Qt::TextAlignmentRole,
            QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter)) },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message()
            << "row " << row.row << " column " << row.column << " role " << row.role);
        const QVariant value = model.data(model.index(row.row, row.column), row.role);
        if (row.role == Qt::CheckStateRole && value.isValid())
            EXPECT_EQ(value.toInt(), row.expected.toInt());
        else
            EXPECT_EQ(value, row.expected);
    }
    EXPECT_TRUE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model.flags(model.index(0, 2)) & Qt::ItemIsUserCheckable);
    name_->SetReadOnly(true);
    EXPECT_FALSE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
}

TEST_F(GridModelTest, EditsGoThroughTheDatasetAndRefusedOnesAreReported)
{
    struct Row {
        const char* label;
        int column, role;
        QVariant value;
        std::function<void()> arrange;
        bool accepted;
        const char* messagePart; // of the reported message; null: refused without one
        QVariant shownAfter; // the cell's value afterwards
    };
    const Row rows[] = {
        { "text", 1, Qt::EditRole, QStringLiteral("renamed"), [] {}, true, "",
            QStringLiteral("renamed") },
        { "check box", 2, Qt::CheckStateRole, int(Qt::Checked), [] {}, true, "", int(Qt::Checked) },
        { "not a number", 0, Qt::EditRole, QStringLiteral("abc"), [] {}, false, "abc", 3 },
        { "refused by the owner's BeforePost", 1, Qt::EditRole, QStringLiteral("wider"),
            [this] {
                q_->BeforePost = [](TDataSet*) {
                    throw Exception(
                        "You can't grant wider rights than those that has currently logged user.");
                };
            },
            false, "wider rights", QStringLiteral("item3") },
        { "read-only column", 1, Qt::EditRole, QStringLiteral("x"),
            [this] { name_->SetReadOnly(true); }, false, nullptr, QStringLiteral("item3") },
    };
    const int target = 2; // the third row; the dataset starts on the first
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        q_->Open();
        TDataSourceModel model(source_);
        QSignalSpy failures(&model, &TDataSourceModel::editFailed);
        row.arrange();
        const QModelIndex cell = model.index(target, row.column);
        EXPECT_EQ(model.setData(cell, row.value, row.role), row.accepted);
        EXPECT_EQ(q_->State(), dsBrowse);
        EXPECT_EQ(model.CurrentRow(), row.messagePart ? target : 0)
            << "the dataset moves to the edited row";
        const QModelIndex after = model.index(target, row.column);
        const QVariant shown = model.data(after, row.role);
        EXPECT_EQ(row.role == Qt::CheckStateRole ? QVariant(shown.toInt()) : shown, row.shownAfter);
        if (row.accepted || !row.messagePart) {
            EXPECT_EQ(failures.count(), 0);
        } else {
            ASSERT_EQ(failures.count(), 1);
            const QString message = failures.at(0).at(0).toString();
            EXPECT_TRUE(message.contains(row.messagePart)) << message.toStdString();
            EXPECT_EQ(model.LastError(), message);
        }
        q_->BeforePost = nullptr;
        name_->SetReadOnly(false);
        q_->CancelUpdates();
        q_->Close();
    }
}

TEST_F(GridModelTest, TracksTheCurrentRow)
{
    TDataSourceModel model(source_);
    QSignalSpy moves(&model, &TDataSourceModel::currentRowChanged);
    EXPECT_EQ(model.CurrentRow(), -1);
    q_->Open();
    EXPECT_EQ(model.CurrentRow(), 0);
    EXPECT_TRUE(model.SetCurrentRow(3));
    EXPECT_EQ(q_->FieldByName("ID")->AsInteger(), 4);
    q_->Next();
    EXPECT_EQ(model.CurrentRow(), 4);
    q_->SetFiltered(true); // back to the first row
    q_->Last();
    EXPECT_EQ(model.CurrentRow(), 3) << "position among the shown rows";
    EXPECT_FALSE(model.SetCurrentRow(4));
    q_->Insert();
    EXPECT_EQ(model.CurrentRow(), -1) << "a new record has no row yet";
    q_->Cancel();
    std::vector<int> reported;
    for (const auto& args : moves)
        reported.push_back(args.at(0).toInt());
    EXPECT_THAT(reported, ::testing::ElementsAre(0, 3, 4, 3, 0, 3, -1, 3));
}

TEST_F(GridModelTest, NoSignalsWhileControlsAreDisabledAndOneResetAfter)
{
    q_->Open();
    TDataSourceModel model(source_);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy moves(&model, &TDataSourceModel::currentRowChanged);
    QSignalSpy states(&model, &TDataSourceModel::stateChanged);

    q_->DisableControls();
    q_->DisableControls(); // nested
    q_->Edit();
    name_->SetAsString("quiet");
    q_->Post();
    q_->SetFiltered(true);
    q_->Last();
    EXPECT_EQ(model.rowCount(), 6) << "the view keeps what it was told";
    q_->EnableControls();
    EXPECT_EQ(resets.count() + changes.count() + moves.count() + states.count(), 0);
    q_->EnableControls();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), "quiet");
    EXPECT_EQ(model.CurrentRow(), 3);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
