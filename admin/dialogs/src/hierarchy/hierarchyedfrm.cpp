#include "hierarchy/hierarchyedfrm.h"

#include "hierarchy/hierarchylayout.h"
#include "hierarchy/toolicons.h"
#include "ui_hierarchyedfrm.h"

#include <wardlock/keeper/strings.h>
#include <wardlock/platform/application.h>
#include <wardlock/platform/dialogs.h>

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QShowEvent>

namespace Security {

namespace {

struct ToolEntry {
    THierarchyTool tool;
    QAction* Ui::SecurityHierarchyEdFrm::*action;
};

const ToolEntry kTools[] = {
    { THierarchyTool::Select, &Ui::SecurityHierarchyEdFrm::SelectAct },
    { THierarchyTool::Negative, &Ui::SecurityHierarchyEdFrm::NegativeToolAct },
    { THierarchyTool::Weak, &Ui::SecurityHierarchyEdFrm::WeakToolAct },
    { THierarchyTool::Strong, &Ui::SecurityHierarchyEdFrm::StrongToolAct },
};

bool AskYes(QWidget* owner, TSecStringId message)
{
    return vcl::MessageBox(vcl::WindowHandle(owner), SecString(message),
               SecString(sCaptionConfirmation), vcl::MB_YESNO | vcl::MB_ICONQUESTION)
        == vcl::IDYES;
}

} // namespace

TSecurityHierarchyEdFrm::TSecurityHierarchyEdFrm(
    vcl::TComponent* owner, const THierarchyEditorInput& input, TChangeGroupDialog changeGroup)
    : vcl::TForm(owner)
    , ui_(std::make_unique<Ui::SecurityHierarchyEdFrm>())
    , changeGroup_(std::move(changeGroup))
{
    ui_->setupUi(this);
    GroupSpace = ui_->GroupSpace;
    SelectBtn = ui_->SelectBtn;
    NegativeToolBtn = ui_->NegativeToolBtn;
    WeakToolBtn = ui_->WeakToolBtn;
    StrongToolBtn = ui_->StrongToolBtn;
    SaveBtn = ui_->SaveBtn;
    ExitBtn = ui_->ExitBtn;
    ToolHint = ui_->ToolHint;
    SelectAct = ui_->SelectAct;
    NegativeToolAct = ui_->NegativeToolAct;
    WeakToolAct = ui_->WeakToolAct;
    StrongToolAct = ui_->StrongToolAct;
    RevertDirectionAct = ui_->RevertDirectionAct;
    RemoveRelationAct = ui_->RemoveRelationAct;
    ChangeToStrongAct = ui_->ChangeToStrongAct;
    ChangeToWeakAct = ui_->ChangeToWeakAct;
    ChangeToNegativeAct = ui_->ChangeToNegativeAct;
    EditAct = ui_->EditAct;
    AddNewGroupAct = ui_->AddNewGroupAct;
    RemoveGroupAct = ui_->RemoveGroupAct;
    AddStrongRelationAct = ui_->AddStrongRelationAct;
    AddWeakRelationAct = ui_->AddWeakRelationAct;
    AddNegativeRelationAct = ui_->AddNegativeRelationAct;
    SaveAndExitAct = ui_->SaveAndExitAct;
    ExitWithoutSavingAct = ui_->ExitWithoutSavingAct;

    SelectBtn->setDefaultAction(SelectAct);
    NegativeToolBtn->setDefaultAction(NegativeToolAct);
    WeakToolBtn->setDefaultAction(WeakToolAct);
    StrongToolBtn->setDefaultAction(StrongToolAct);
    SaveBtn->setDefaultAction(SaveAndExitAct);
    ExitBtn->setDefaultAction(ExitWithoutSavingAct);

    GroupSpace->SetModel(LoadHierarchy(
        input, [this](const TGroupProperties& group) { return GroupSpace->MeasureBox(group); }));
    BuildMenus();
    ConnectCommands();
    UpdateTools();
    UpdateActions();
    GroupSpace->setFocus();
}

TSecurityHierarchyEdFrm::~TSecurityHierarchyEdFrm() = default;

THierarchyModel& TSecurityHierarchyEdFrm::Model() const
{
    return *GroupSpace->Model();
}

void TSecurityHierarchyEdFrm::BuildMenus()
{
    RelationMenu = new QMenu(this);
    RelationMenu->setObjectName(QStringLiteral("RelationMenu"));
    RelationMenu->addActions({ RevertDirectionAct, RemoveRelationAct });
    RelationMenu->addSeparator();
    RelationMenu->addActions({ ChangeToStrongAct, ChangeToWeakAct, ChangeToNegativeAct });

    GroupMenu = new QMenu(this);
    GroupMenu->setObjectName(QStringLiteral("GroupMenu"));
    GroupMenu->addActions({ EditAct, RemoveGroupAct });
    GroupMenu->addSeparator();
    GroupMenu->addActions({ AddStrongRelationAct, AddWeakRelationAct, AddNegativeRelationAct });

    SpaceMenu = new QMenu(this);
    SpaceMenu->setObjectName(QStringLiteral("SpaceMenu"));
    SpaceMenu->addActions({ SelectAct, NegativeToolAct, WeakToolAct, StrongToolAct });
    SpaceMenu->addSeparator();
    SpaceMenu->addAction(AddNewGroupAct);
    RestoreGroupMenu = SpaceMenu->addMenu(QStringLiteral("Restore group"));
    RestoreGroupMenu->setObjectName(QStringLiteral("RestoreGroupMenu"));
    SpaceMenu->addSeparator();
    SpaceMenu->addActions({ SaveAndExitAct, ExitWithoutSavingAct });

    for (QMenu* menu : { RelationMenu, GroupMenu, SpaceMenu })
        menu->setToolTipsVisible(true);
}

void TSecurityHierarchyEdFrm::ConnectCommands()
{
    for (const ToolEntry& entry : kTools) {
        const THierarchyTool tool = entry.tool;
        connect((*ui_).*entry.action, &QAction::triggered, this, [this, tool] { PressTool(tool); });
    }
    connect(RevertDirectionAct, &QAction::triggered, this, [this] { RevertCurrent(); });
    connect(RemoveRelationAct, &QAction::triggered, this,
        [this] { GroupSpace->RemoveCurrentRelation(); });
    connect(ChangeToStrongAct, &QAction::triggered, this, [this] { RetypeCurrent(mgStrong); });
    connect(ChangeToWeakAct, &QAction::triggered, this, [this] { RetypeCurrent(mgWeak); });
    connect(ChangeToNegativeAct, &QAction::triggered, this, [this] { RetypeCurrent(mgNegative); });
    connect(EditAct, &QAction::triggered, this, [this] { EditCurrentGroup(); });
    connect(AddNewGroupAct, &QAction::triggered, this, [this] {
        // From the canvas's own menu the box goes where the menu was opened.
        AddNewGroup(spaceMenuOpen_);
    });
    connect(
        RemoveGroupAct, &QAction::triggered, this, [this] { GroupSpace->RemoveCurrentGroup(); });
    connect(AddStrongRelationAct, &QAction::triggered, this,
        [this] { AddRelationFromCurrent(mgStrong); });
    connect(
        AddWeakRelationAct, &QAction::triggered, this, [this] { AddRelationFromCurrent(mgWeak); });
    connect(AddNegativeRelationAct, &QAction::triggered, this,
        [this] { AddRelationFromCurrent(mgNegative); });
    connect(SaveAndExitAct, &QAction::triggered, this, [this] { SaveAndExit(); });
    connect(ExitWithoutSavingAct, &QAction::triggered, this, [this] { ExitWithoutSaving(); });

    connect(GroupSpace, &TGroupSpace::CurrentChanged, this, [this] { UpdateActions(); });
    connect(GroupSpace, &TGroupSpace::DiagramChanged, this, [this] { UpdateActions(); });
    connect(GroupSpace, &TGroupSpace::ToolChanged, this, [this] { UpdateTools(); });
    connect(GroupSpace, &TGroupSpace::EditRequested, this, [this] { EditCurrentGroup(); });
    connect(GroupSpace, &TGroupSpace::MenuRequested, this,
        [this](TGroupSpaceMenu menu, QPoint position) { ShowMenu(menu, position); });
}

void TSecurityHierarchyEdFrm::UpdateActions()
{
    const THierarchyModel& model = Model();
    const TRelationActions relation = model.CurrentRelationActions();
    RevertDirectionAct->setEnabled(relation.RevertDirection);
    RemoveRelationAct->setEnabled(relation.RemoveRelation);
    ChangeToStrongAct->setEnabled(relation.ChangeToStrong);
    ChangeToWeakAct->setEnabled(relation.ChangeToWeak);
    ChangeToNegativeAct->setEnabled(relation.ChangeToNegative);

    const TBoxActions box = model.CurrentBoxActions();
    EditAct->setEnabled(box.Edit && changeGroup_);
    RemoveGroupAct->setEnabled(box.RemoveGroup);
    AddStrongRelationAct->setEnabled(box.AddStrongRelation);
    AddWeakRelationAct->setEnabled(box.AddWeakRelation);
    AddNegativeRelationAct->setEnabled(box.AddNegativeRelation);
    AddNewGroupAct->setEnabled(model.AddNewGroupEnabled() && changeGroup_);
}

void TSecurityHierarchyEdFrm::UpdateTools()
{
    const THierarchyModel& model = Model();
    for (const ToolEntry& entry : kTools) {
        QAction* action = (*ui_).*entry.action;
        const bool active = model.Tool() == entry.tool;
        action->setChecked(active);
        action->setIcon(ToolIcon(entry.tool, active && model.ToolLocked()));
    }
    QString hint = ((*ui_).*kTools[static_cast<int>(model.Tool())].action)->toolTip();
    if (model.ToolLocked())
        hint += QStringLiteral(" (locked)");
    ToolHint->setText(hint);
}

void TSecurityHierarchyEdFrm::ChangeDiagram()
{
    GroupSpace->UpdateCanvasSize();
    GroupSpace->viewport()->update();
    UpdateActions();
}

void TSecurityHierarchyEdFrm::PressTool(THierarchyTool tool)
{
    Model().PressTool(tool);
    UpdateTools();
}

void TSecurityHierarchyEdFrm::RetypeCurrent(TModGroupType type)
{
    if (TGroupRelation* relation = Model().CurrentRelation();
        relation && Model().Retype(*relation, type))
        ChangeDiagram();
}

void TSecurityHierarchyEdFrm::RevertCurrent()
{
    if (TGroupRelation* relation = Model().CurrentRelation();
        relation && Model().RevertDirection(*relation))
        ChangeDiagram();
}

void TSecurityHierarchyEdFrm::EditCurrentGroup()
{
    TGroupFrame* box = Model().CurrentBox();
    if (!box || !changeGroup_ || !Model().BoxActions(box).Edit)
        return;
    TGroupProperties properties = box->Properties();
    if (!changeGroup_(properties))
        return;
    const QSize size = GroupSpace->MeasureBox(properties);
    Model().EditGroup(*box, std::move(properties), size);
    ChangeDiagram();
}

void TSecurityHierarchyEdFrm::AddNewGroup(bool atMenuPoint)
{
    THierarchyModel& model = Model();
    if (!model.AddNewGroupEnabled() || !changeGroup_)
        return;
    // The dialog starts from the administrator's own group.
    TGroupProperties properties;
    if (const TGroupFrame* administrator = model.AdministratorBox())
        properties = administrator->Properties();
    if (!changeGroup_(properties))
        return;
    const QSize size = GroupSpace->MeasureBox(properties);
    std::vector<QRect> occupied;
    for (int row = 0; row < model.BoxCount(); ++row)
        if (!model.Box(row).Hidden())
            occupied.push_back(model.Box(row).Bounds());
    const QPoint place = atMenuPoint ? FreePlaceNear(GroupSpace->MenuPoint(), size, occupied)
                                     : NewBoxPlace(model, size);
    if (TGroupFrame* box = model.AddNewGroup(std::move(properties), place, size)) {
        model.SetCurrentBox(box);
        ChangeDiagram();
        GroupSpace->EnsureVisible(box->Bounds());
    }
}

void TSecurityHierarchyEdFrm::AddRelationFromCurrent(TModGroupType type)
{
    if (TGroupFrame* box = Model().CurrentBox())
        GroupSpace->BeginRelationFrom(*box, type);
}

void TSecurityHierarchyEdFrm::SaveAndExit()
{
    if (ConfirmGroupRemoval())
        SetModalResult(vcl::mrOk);
}

// Saving deletes the removed groups and, with them, their users; the full
// dialog warns before that, and so does the editor.
bool TSecurityHierarchyEdFrm::ConfirmGroupRemoval()
{
    if (Model().RemovedGroups().empty())
        return true;
    return vcl::MessageBox(vcl::WindowHandle(this), SecString(sRemoveGroupLastWarn),
               SecString(sCaptionWarning),
               vcl::MB_YESNO | vcl::MB_ICONEXCLAMATION | vcl::MB_DEFBUTTON2)
        == vcl::IDYES;
}

void TSecurityHierarchyEdFrm::ExitWithoutSaving()
{
    if (AskYes(this, sCloseWithoutSaving))
        SetModalResult(vcl::mrCancel);
}

void TSecurityHierarchyEdFrm::FillRestoreMenu()
{
    RestoreGroupMenu->clear();
    THierarchyModel& model = Model();
    for (int row = 0; row < model.BoxCount(); ++row) {
        TGroupFrame& box = model.Box(row);
        if (!box.Hidden() || box.Absent())
            continue;
        QAction* action = RestoreGroupMenu->addAction(QString::fromStdString(box.Name()));
        connect(action, &QAction::triggered, this, [this, &box] {
            if (Model().RestoreGroup(box)) {
                Model().SetCurrentBox(&box);
                ChangeDiagram();
            }
        });
    }
    RestoreGroupMenu->setEnabled(!RestoreGroupMenu->isEmpty());
}

void TSecurityHierarchyEdFrm::ShowMenu(TGroupSpaceMenu menu, QPoint globalPosition)
{
    switch (menu) {
    case TGroupSpaceMenu::Relation:
        RelationMenu->exec(globalPosition);
        break;
    case TGroupSpaceMenu::Group:
        GroupMenu->exec(globalPosition);
        break;
    case TGroupSpaceMenu::Space:
        FillRestoreMenu();
        spaceMenuOpen_ = true;
        SpaceMenu->exec(globalPosition);
        spaceMenuOpen_ = false;
        break;
    }
}

void TSecurityHierarchyEdFrm::showEvent(QShowEvent* event)
{
    vcl::TForm::showEvent(event);
    if (shownBefore_)
        return;
    shownBefore_ = true;
    // Laid out, the diagram may be several screens wide; start where the
    // administrator's group is (else at the first group), not at an empty
    // corner.
    const THierarchyModel& model = Model();
    const TGroupFrame* start = model.AdministratorBox();
    for (int row = 0; (!start || start->Hidden()) && row < model.BoxCount(); ++row)
        start = &model.Box(row);
    if (start && !start->Hidden()) {
        QRect area = start->Bounds();
        // Its top near the top of the view rather than in the middle.
        area.setBottom(area.top() + GroupSpace->viewport()->height() / 2);
        GroupSpace->CentreOn(area.adjusted(0, -40, 0, -40));
    }
}

void TSecurityHierarchyEdFrm::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (!AskYes(this, sApplyBeforeExit))
        SetModalResult(vcl::mrCancel);
    else if (ConfirmGroupRemoval())
        SetModalResult(vcl::mrOk);
}

void TSecurityHierarchyEdFrm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    vcl::TForm::keyPressEvent(event);
}

} // namespace Security
