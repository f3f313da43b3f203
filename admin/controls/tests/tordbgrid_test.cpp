// The data grid on a query over an SQLite file: listed columns, the current
// record both ways, sorting, editing (text, check boxes, pick lists, ellipsis
// buttons, refusals), the owner's colours, keys that only ask the owner,
// cell-to-cell keys, the column layout in the settings and the popup menu.

#include "wardlock/keeper/tordbgrid.h"

#include <wardlock/data/connection.h>
#include <wardlock/data/dbdataset.h>
#include <wardlock/platform/dialogs.h>
#include <wardlock/platform/settings.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace vcl;
using tor::TCellColors;
using tor::TColumnButtonStyle;
using tor::TGridColumn;
using tor::TTorDBGrid;

namespace {

class GridTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        db_ = new TDatabase(&owner_);
        db_->SetDriverName("QSQLITE");
        db_->SetLoginPrompt(false);
        db_->Params().SetValues("DATABASE NAME", dir_.filePath("grid.db").toStdString());
        db_->Params().SetValues("CREATE", "TRUE");
        db_->Execute("CREATE TABLE Items (ID INTEGER PRIMARY KEY, Name TEXT, Flag BOOLEAN, "
                     "Amount INTEGER, Note TEXT)");
        // Amounts sort differently as numbers and as text; one is empty.
        const char* rows[] = {
            "1, 'pear', 0, 9, 'a'",
            "2, 'apple', 1, 10, 'b'",
            "3, 'Cherry', 0, NULL, 'c'",
            "4, 'banana', 1, 100, 'd'",
        };
        for (const char* row : rows)
            db_->Execute(std::string("INSERT INTO Items VALUES (") + row + ")");
        query_ = new TQuery(&owner_);
        query_->SetDatabase(db_);
        query_->SQL().SetText("select ID, Name, Flag, Amount, Note from Items order by ID");
        query_->SetCachedUpdates(true);
        query_->OnUpdateRecord = [](TDataSet*, TUpdateKind, TUpdateAction& a) { a = uaApplied; };
        id_ = AddField<TIntegerField>("ID");
        name_ = AddField<TStringField>("Name");
        flag_ = AddField<TBooleanField>("Flag");
        amount_ = AddField<TIntegerField>("Amount");
        note_ = AddField<TStringField>("Note");
        source_ = new TDataSource(&owner_);
        source_->SetDataSet(query_);
        query_->Open();

        grid_ = std::make_unique<TTorDBGrid>();
        grid_->resize(500, 300);
        grid_->SetDataSource(source_);
    }

    void TearDown() override
    {
        grid_.reset();
        query_->Close();
    }

    template<class Field> Field* AddField(const char* name)
    {
        auto* field = new Field(&owner_);
        field->SetFieldName(name);
        field->SetDataSet(query_);
        return field;
    }

    void ShowActive()
    {
        grid_->show();
        QApplication::setActiveWindow(grid_.get());
        grid_->setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(grid_.get()));
    }

    // Keys go to whatever has the focus (the grid, or the editor it opened).
    static void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        QApplication::processEvents(); // editors commit on Enter through a queued call
    }
    static void Type(const QString& text)
    {
        for (const QChar c : text)
            QTest::keyClicks(QApplication::focusWidget(), QString(c));
    }

    QModelIndex Cell(int row, const char* field) const
    {
        return grid_->model()->index(row, grid_->ColumnOf(field));
    }
    QString Shown(int row, const char* field) const
    {
        return Cell(row, field).data(Qt::DisplayRole).toString();
    }
    std::vector<std::string> Titles() const
    {
        std::vector<std::string> titles;
        const QHeaderView* header = grid_->horizontalHeader();
        for (int visual = 0; visual < header->count(); ++visual)
            titles.push_back(grid_->model()
                                 ->headerData(header->logicalIndex(visual), Qt::Horizontal)
                                 .toString()
                                 .toStdString());
        return titles;
    }
    std::vector<int> IdsShown() const
    {
        std::vector<int> ids;
        for (int row = 0; row < grid_->model()->rowCount(); ++row)
            ids.push_back(Cell(row, "ID").data(Qt::EditRole).toInt());
        return ids;
    }

    QTemporaryDir dir_;
    TComponent owner_;
    TDatabase* db_ = nullptr;
    TQuery* query_ = nullptr;
    TDataSource* source_ = nullptr;
    TField* id_ = nullptr;
    TField* name_ = nullptr;
    TField* flag_ = nullptr;
    TField* amount_ = nullptr;
    TField* note_ = nullptr;
    std::unique_ptr<TTorDBGrid> grid_;
};

TEST_F(GridTest, ShowsTheListedColumnsInTheirOrderWithTheirTitles)
{
    EXPECT_EQ(Titles(), (std::vector<std::string> { "ID", "Name", "Flag", "Amount", "Note" }))
        << "without a list every visible field";
    grid_->SetColumns(
        { { "note", "Remark" }, { "NAME", "" }, { "Missing", "Not there" }, { "Flag", "Yes?" } });
    EXPECT_EQ(Titles(), (std::vector<std::string> { "Remark", "Name", "Yes?" }))
        << "names match without regard to case; a field the dataset lacks is left out";
    EXPECT_EQ(grid_->FieldAt(grid_->horizontalHeader()->logicalIndex(0)), note_);
    EXPECT_EQ(grid_->ColumnOf("amount"), -1);

    query_->Close();
    query_->Open();
    EXPECT_EQ(Titles(), (std::vector<std::string> { "Remark", "Name", "Yes?" }))
        << "the same after the dataset is opened again";
}

TEST_F(GridTest, ReadOnlyColumnsAndGridsOfferNoEditing)
{
    grid_->SetColumns({ { "ID", "", true }, { "Name" }, { "Flag", "", true } });
    EXPECT_FALSE(Cell(0, "ID").flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(Cell(0, "Name").flags() & Qt::ItemIsEditable);
    EXPECT_FALSE(Cell(0, "Flag").flags() & Qt::ItemIsUserCheckable);
    EXPECT_EQ(Cell(1, "Flag").data(Qt::CheckStateRole).toInt(), int(Qt::Checked))
        << "a read-only boolean still shows its check box";

    grid_->SetReadOnly(true);
    EXPECT_FALSE(Cell(0, "Name").flags() & Qt::ItemIsEditable);
    grid_->SetReadOnly(false);
    grid_->SetColumnReadOnly("name", true);
    EXPECT_FALSE(Cell(0, "Name").flags() & Qt::ItemIsEditable);
}

TEST_F(GridTest, TurningAnOpenEditorReadOnlyDropsWhatWasTypedThere)
{
    ShowActive();
    grid_->setCurrentIndex(Cell(0, "Name"));
    Type("typed");
    ASSERT_NE(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr);
    grid_->SetReadOnly(true);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr);
    EXPECT_EQ(Shown(0, "Name"), "pear");
    EXPECT_EQ(query_->State(), dsBrowse);
}

TEST_F(GridTest, TheCurrentRecordFollowsTheGridAndTheGridFollowsTheDataset)
{
    QSignalSpy changes(grid_.get(), &TTorDBGrid::currentRecordChanged);
    grid_->setCurrentIndex(Cell(2, "Name"));
    EXPECT_EQ(id_->AsInteger(), 3);
    EXPECT_GE(changes.count(), 1);

    query_->First();
    EXPECT_EQ(grid_->currentIndex().row(), 0);
    EXPECT_EQ(grid_->SelectedField(), name_) << "the column stays";

    query_->Locate("ID", 4);
    EXPECT_EQ(grid_->currentIndex().row(), 3);
}

TEST_F(GridTest, SortsByAColumnWithoutLosingTheCurrentRecord)
{
    struct Case {
        const char* field;
        Qt::SortOrder order;
        std::vector<int> ids;
        const char* why;
    };
    const Case cases[] = {
        { "Amount", Qt::AscendingOrder, { 3, 1, 2, 4 }, "numbers by value, the empty one first" },
        { "Amount", Qt::DescendingOrder, { 4, 2, 1, 3 }, "" },
        { "Name", Qt::AscendingOrder, { 2, 4, 3, 1 }, "text without regard to case" },
        { "Flag", Qt::AscendingOrder, { 1, 3, 2, 4 }, "check boxes: unchecked first" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.why);
        grid_->sortByColumn(grid_->ColumnOf(c.field), c.order);
        EXPECT_EQ(IdsShown(), c.ids);
    }

    grid_->sortByColumn(grid_->ColumnOf("Amount"), Qt::DescendingOrder);
    grid_->setCurrentIndex(Cell(0, "Name"));
    EXPECT_EQ(id_->AsInteger(), 4) << "the first row shown is the record made current";
    query_->Locate("ID", 3);
    EXPECT_EQ(grid_->currentIndex().row(), 3);

    // The popup menu's "Original order" returns to the dataset's order.
    QAction* original = grid_->PopupMenu()->actions().at(4);
    ASSERT_EQ(original->text(), "&Original order");
    original->trigger();
    EXPECT_EQ(IdsShown(), (std::vector<int> { 1, 2, 3, 4 }));
    EXPECT_EQ(grid_->currentIndex().row(), 2) << "still on ID 3";
}

TEST_F(GridTest, TypedTextAndCheckBoxesArePostedToTheDataset)
{
    ShowActive();
    grid_->setCurrentIndex(Cell(1, "Name"));
    Type("kiwi");
    Key(Qt::Key_Return);
    EXPECT_EQ(query_->State(), dsBrowse);
    query_->Locate("ID", 2);
    EXPECT_EQ(name_->AsString(), "kiwi") << "the first key opens the editor and is kept";
    EXPECT_EQ(grid_->currentIndex(), Cell(1, "Name")) << "the grid stays on the cell";

    grid_->setCurrentIndex(Cell(0, "Flag"));
    Key(Qt::Key_Space);
    query_->Locate("ID", 1);
    EXPECT_TRUE(flag_->AsBoolean());
    EXPECT_TRUE(query_->UpdatesPending());
}

TEST_F(GridTest, AnEditTheDatasetRefusesIsShownAndCancelled)
{
    ShowActive();
    name_->OnValidate = [](TField* field) {
        if (field->AsString() == "bad")
            throw Exception("The name is not allowed.");
    };
    std::vector<MessageBoxRequest> boxes;
    ScopedMessageBoxHook hook([&](const MessageBoxRequest& box) {
        boxes.push_back(box);
        return IDOK;
    });
    grid_->setCurrentIndex(Cell(0, "Name"));
    Type("bad");
    Key(Qt::Key_Return);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The name is not allowed.");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].icon, MB_ICONSTOP);
    EXPECT_EQ(query_->State(), dsBrowse);
    EXPECT_EQ(Shown(0, "Name"), "pear");
    EXPECT_FALSE(query_->UpdatesPending());
}

TEST_F(GridTest, APickListColumnEditsThroughADropDownList)
{
    ShowActive();
    grid_->SetColumns(
        { { "ID" }, { "Note", "", false, TColumnButtonStyle::Auto, { "yes", "no" } } });
    grid_->setCurrentIndex(Cell(0, "Note"));
    Key(Qt::Key_F2);
    auto* list = qobject_cast<QComboBox*>(QApplication::focusWidget());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 3) << "the stored value 'a' stays choosable";
    EXPECT_EQ(list->currentText(), "a");
    list->setCurrentIndex(list->findText("no"));
    Key(Qt::Key_Return);
    query_->Locate("ID", 1);
    EXPECT_EQ(note_->AsString(), "no");

    grid_->SetColumnButtonStyle("Note", TColumnButtonStyle::None);
    grid_->setCurrentIndex(Cell(1, "Note"));
    Key(Qt::Key_F2);
    EXPECT_NE(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr)
        << "style None: plain text although the list is there";
}

TEST_F(GridTest, AnEllipsisColumnAsksTheOwnerAndCannotBeTyped)
{
    ShowActive();
    grid_->SetColumns({ { "ID" }, { "Note", "", false, TColumnButtonStyle::Ellipsis } });
    QSignalSpy clicks(grid_.get(), &TTorDBGrid::editButtonClicked);
    grid_->setCurrentIndex(Cell(1, "Note"));
    Key(Qt::Key_F2);
    auto* text = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->isReadOnly());
    auto* button = text->parentWidget()->findChild<QToolButton*>("EllipsisButton");
    ASSERT_NE(button, nullptr);
    Type("zz");
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks[0][0].value<TField*>(), note_);
    QPointer<QLineEdit> closed(text);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed.isNull()) << "the editor is closed first";
    query_->Locate("ID", 2);
    EXPECT_EQ(note_->AsString(), "b");

    Key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(clicks.count(), 2) << "Ctrl+Enter on the cell presses the button";

    grid_->SetColumnReadOnly("Note", true);
    Key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(clicks.count(), 2) << "not in a read-only column";
}

TEST_F(GridTest, TheOwnersColoursAreAskedForEachCellWithThatRowsValues)
{
    grid_->SetColumns({ { "ID" }, { "Name" } });
    std::vector<std::pair<int, bool>> asked;
    grid_->SetCellColors([&](TField* field, bool selected) {
        TCellColors colors;
        if (field == name_) {
            asked.emplace_back(id_->AsInteger(), selected);
            if (id_->AsInteger() == 2)
                colors.Background = QColor(0, 128, 0);
        }
        return colors;
    });
    grid_->show();
    const QImage image = grid_->viewport()->grab().toImage();
    std::vector<int> ids;
    for (const auto& [id, selected] : asked)
        ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    EXPECT_EQ(ids, (std::vector<int> { 1, 2, 3, 4 })) << "each row reads its own values";
    EXPECT_EQ(id_->AsInteger(), 1) << "painting does not move the dataset";

    const QRect second = grid_->visualRect(Cell(1, "Name"));
    const QRect first = grid_->visualRect(Cell(2, "Name"));
    EXPECT_EQ(image.pixelColor(second.center() + QPoint(second.width() / 3, 0)), QColor(0, 128, 0));
    EXPECT_NE(image.pixelColor(first.center() + QPoint(first.width() / 3, 0)), QColor(0, 128, 0));
}

TEST_F(GridTest, InsertAndDeleteKeysOnlyAskTheOwner)
{
    ShowActive();
    QSignalSpy inserts(grid_.get(), &TTorDBGrid::insertRequested);
    QSignalSpy deletes(grid_.get(), &TTorDBGrid::deleteRequested);
    grid_->setCurrentIndex(Cell(3, "Name"));
    Key(Qt::Key_Insert);
    Key(Qt::Key_Delete, Qt::ControlModifier);
    Key(Qt::Key_Down); // past the last row
    EXPECT_EQ(inserts.count(), 1);
    EXPECT_EQ(deletes.count(), 1);
    EXPECT_EQ(query_->State(), dsBrowse);
    EXPECT_EQ(query_->RecordCount(), 4);
    EXPECT_FALSE(query_->UpdatesPending());
}

TEST_F(GridTest, TabAndEnterMoveBetweenCellsOnlyWhenAsked)
{
    QWidget window;
    grid_->setParent(&window);
    auto* after = new QLineEdit(&window);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    grid_->SetColumns({ { "Name" }, { "Note" } });
    grid_->setFocus();
    grid_->setCurrentIndex(Cell(0, "Name"));
    Key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), after) << "by default Tab leaves the grid";

    grid_->SetTabMovesBetweenCells(true);
    grid_->SetEnterActsAsTab(true);
    grid_->setFocus();
    grid_->setCurrentIndex(Cell(0, "Name"));
    Key(Qt::Key_Tab);
    EXPECT_EQ(grid_->currentIndex(), Cell(0, "Note"));
    Key(Qt::Key_Tab);
    EXPECT_EQ(grid_->currentIndex(), Cell(1, "Name")) << "on to the next row";
    Key(Qt::Key_Backtab);
    EXPECT_EQ(grid_->currentIndex(), Cell(0, "Note"));
    Key(Qt::Key_Return);
    EXPECT_EQ(grid_->currentIndex(), Cell(1, "Name")) << "Enter acts as Tab";

    Type("fig");
    Key(Qt::Key_Return);
    EXPECT_EQ(grid_->currentIndex(), Cell(1, "Note")) << "Enter in an editor commits and moves";
    query_->Locate("ID", 2);
    EXPECT_EQ(name_->AsString(), "fig");

    grid_->setCurrentIndex(Cell(3, "Note"));
    Key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), after) << "past the last cell the focus moves on";
    EXPECT_EQ(query_->RecordCount(), 4) << "and no record is appended";
    grid_->setParent(nullptr);
}

// In a dialog, Enter in the grid edits (or asks the owner to edit a record
// whose cell cannot be edited) and commits, instead of pressing the dialog's
// default button; only where nothing is edited at all does Enter confirm.
TEST_F(GridTest, EnterEditsInsteadOfClosingTheDialog)
{
    QDialog dialog;
    grid_->setParent(&dialog);
    auto* ok = new QPushButton("OK", &dialog);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    auto editRequests = std::make_unique<QSignalSpy>(grid_.get(), &TTorDBGrid::editRequested);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    grid_->SetColumns({ { "ID", "", true }, { "Name" } });
    grid_->setFocus();

    grid_->setCurrentIndex(Cell(0, "Name"));
    Key(Qt::Key_Return);
    ASSERT_TRUE(dialog.isVisible()) << "Enter on a cell closed the dialog";
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr) << "Enter opens the cell's editor";
    editor->selectAll();
    Type("plum");
    Key(Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible()) << "Enter in the editor closed the dialog";
    EXPECT_EQ(QApplication::focusWidget(), grid_.get());
    query_->Locate("ID", 1);
    EXPECT_EQ(name_->AsString(), "plum") << "Enter in the editor commits";

    grid_->setCurrentIndex(Cell(1, "ID"));
    Key(Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible()) << "Enter on a read-only cell closed the dialog";
    EXPECT_EQ(editRequests->count(), 1) << "Enter on a read-only cell asks the owner";
    EXPECT_EQ(id_->AsInteger(), 2) << "on the record of that row";
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    editRequests.reset();
    Key(Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible()) << "with nobody to ask, Enter on a read-only cell is OK";
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    grid_->setParent(nullptr);
}

TEST_F(GridTest, ColumnWidthsAndOrderAreKeptInTheUsersSettings)
{
    const std::string key = "Software\\Torvane\\Wardlock\\1.0\\Layout\\GridTest";
    grid_->SetColumns({ { "ID" }, { "Name" }, { "Note" } });
    QHeaderView* header = grid_->horizontalHeader();
    header->setStretchLastSection(false);
    header->resizeSection(grid_->ColumnOf("Name"), 123);
    header->moveSection(header->visualIndex(grid_->ColumnOf("Note")), 0);
    query_->Close(); // the columns are rebuilt: what the user did stays
    query_->Open();
    EXPECT_EQ(header->sectionSize(grid_->ColumnOf("Name")), 123);
    EXPECT_EQ(Titles(), (std::vector<std::string> { "Note", "ID", "Name" }));
    ASSERT_TRUE(grid_->SaveLayout(key, "Items"));

    TRegistry settings(TRootKey::CurrentUser);
    ASSERT_TRUE(settings.OpenKey("\\" + key + "\\Items", false));
    EXPECT_EQ(settings.ReadInteger("Name"), 123);

    TTorDBGrid restored;
    restored.horizontalHeader()->setStretchLastSection(false);
    restored.SetDataSource(source_);
    restored.SetColumns({ { "ID" }, { "Name" }, { "Note" } });
    restored.LoadLayout(key, "Items");
    EXPECT_EQ(restored.horizontalHeader()->sectionSize(restored.ColumnOf("Name")), 123);
    EXPECT_EQ(restored.horizontalHeader()->visualIndex(restored.ColumnOf("Note")), 0);

    // Values that are not widths are left out; a missing section changes nothing.
    settings.WriteString("ID", "wide");
    restored.LoadLayout(key, "Items");
    restored.LoadLayout(key, "NoSuchSection");
    EXPECT_EQ(restored.horizontalHeader()->sectionSize(restored.ColumnOf("Name")), 123);
}

TEST_F(GridTest, ThePopupMenuRefreshesThroughTheOwner)
{
    QSignalSpy refreshes(grid_.get(), &TTorDBGrid::refreshRequested);
    QAction* refresh = grid_->PopupMenu()->findChild<QAction*>("RefreshItem");
    ASSERT_NE(refresh, nullptr);
    EXPECT_EQ(refresh->text(), "&Refresh") << "the table holds no captions of its own for it";
    refresh->trigger();
    EXPECT_EQ(refreshes.count(), 1);
    EXPECT_EQ(query_->State(), dsBrowse);
}

TEST(GridMenuCaptions, EntriesOfTheTableReplaceTheCaptionsTheyName)
{
    QMenu menu;
    for (int i = 0; i < 18; ++i)
        menu.addAction(QString("item %1").arg(i));
    QMenu* sub = new QMenu(&menu);
    for (int i = 0; i < 3; ++i)
        sub->addAction(QString("sub %1").arg(i));
    menu.actions().at(12)->setMenu(sub);

    tor::ApplyMenuCaptions(menu, [](int entry) -> std::string {
        switch (entry) {
        case 0:
            return "first";
        case 12:
            return "twelfth";
        case 14:
            return "second sub-item";
        case 17:
            return "sub-item the menu lacks";
        case 18:
            return "item 13 now";
        case 1:
            return ""; // empty: no change
        default:
            return {};
        }
    });
    EXPECT_EQ(menu.actions().at(0)->text(), "first");
    EXPECT_EQ(menu.actions().at(1)->text(), "item 1");
    EXPECT_EQ(menu.actions().at(12)->text(), "twelfth");
    EXPECT_EQ(sub->actions().at(1)->text(), "second sub-item");
    EXPECT_EQ(sub->actions().at(2)->text(), "sub 2");
    EXPECT_EQ(menu.actions().at(13)->text(), "item 13 now");
}

} // namespace
