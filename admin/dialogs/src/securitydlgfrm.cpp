#include "securitydlgfrm.h"

#include "fieldmemo.h"
#include "helptarget.h"
#include "hierarchy/hierarchyeditor.h"
#include "legendmenu.h"
#include "loggeduser.h"
#include "securitychangenamefrm.h"
#include "securitychangeuserfrm.h"
#include "securitynewgroupfrm.h"
#include "securitynewrightfrm.h"
#include "securitynewuserfrm.h"

#include <wardlock/data/fields.h>
#include <wardlock/grid/datasourcemodel.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/secdmoddlg.h>
#include <wardlock/platform/application.h>
#include <wardlock/platform/dialogs.h>
#include <wardlock/security.h>

#include <QListWidget>
#include <QShowEvent>
#include <QSignalBlocker>

#include <algorithm>
#include <optional>

namespace Security {

namespace {

constexpr const char* kLayoutKey = "Software\\Torvane\\Wardlock\\1.0\\Layout\\SecurityDlg";
constexpr int kMinGroupsPanelHeight = 150;
constexpr QSize kDefaultSize(960, 660);
constexpr SecRightsMask kView = 1, kInsert = 2, kModify = 4, kDelete = 8;

// Settings rows that hold the administration account: never shown, even in
// a database that does not mark them hidden.
constexpr const char* kAccountSettings[] = { "ResNrk7a~d3nEge", "Res74hG^e5(dhF" };

using tor::TGridColumn;

// The Yes/No box of a command's first confirmation.
bool Ask(QWidget* owner, TSecStringId text)
{
    return vcl::MessageBox(vcl::WindowHandle(owner), SecString(text), SecString(sCaptionQuestion),
               vcl::MB_YESNO | vcl::MB_ICONQUESTION)
        == vcl::IDYES;
}

// The OK/Cancel box of its second confirmation (Cancel is the default).
bool Warn(QWidget* owner, TSecStringId text)
{
    return vcl::MessageBox(vcl::WindowHandle(owner), SecString(text), SecString(sCaptionWarning),
               vcl::MB_OKCANCEL | vcl::MB_ICONEXCLAMATION | vcl::MB_DEFBUTTON2)
        == vcl::IDOK;
}

void Inform(QWidget* owner, TSecStringId text, unsigned icon)
{
    vcl::MessageBox(vcl::WindowHandle(owner), SecString(text), SecString(sCaptionInformation),
        vcl::MB_OK | icon);
}

int GroupsTotalWidth(const tor::TTorDBGrid* grid)
{
    int width = 0;
    for (int column = 0; column < grid->model()->columnCount(); ++column)
        width += grid->columnWidth(column);
    return width;
}

} // namespace

TSecurityDlgFrm::TSecurityDlgFrm(vcl::TComponent* owner, TSecurity* security)
    : TSecurityDlgBaseFrm(owner, security)
{
    setupUi(this);
    KeepLayoutUnder(kLayoutKey);
    InfoLayout->setColumnStretch(1, 1);
    BindHooks();
    BindGrids();
    CancelBtn->setEnabled(DModule()->CanCancel());
    BuildTabs();
    ShowLoggedUser();
    OfferYesAndNo(ParamValuesGrid);
    ApplyBtn->setEnabled(false);

    AttachLegend(UsersLegendBtn, MakeLegendMenu(this, UsersLegend()));
    AttachLegend(GroupsLegendBtn, MakeLegendMenu(this, UsersLegend()));
    AttachLegend(RightsLegendBtn, MakeLegendMenu(this, RightsLegend()));
    AttachLegend(ParamsLegendBtn, MakeLegendMenu(this, ParamsLegend()));
    GroupsGrid->setToolTip("The groups, that you are able to modify, are marked green.  \n\r"
                           "To change these settings, double click the group.");
    GroupsPanel->setMinimumHeight(kMinGroupsPanelHeight);

    // The right side holds the wider grids (four rights columns): it gets
    // the larger share, and the left side at least what its grids need.
    const int leftWidth = std::max(GroupsTotalWidth(UsersGrid), GroupsTotalWidth(GroupsGrid)) + 20;
    MainSplitter->setStretchFactor(0, 2);
    MainSplitter->setStretchFactor(1, 3);
    MainSplitter->setSizes(
        { std::max({ leftWidth, Panel5->minimumSizeHint().width(), 400 }), 600 });
    LoadLayout();
    helpTarget_ = HelpTarget("Admin.htm", "SecAdmUsers");
    HelpBtn->setShortcut(QKeySequence::HelpContents);
    ApplyStaticStates();

    // Buttons.
    connect(NewUserBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::NewUser);
    connect(ChangeUserBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::ChangeUserCmd);
    connect(RemoveUserBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::RemoveUser);
    connect(NewGroupBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::NewGroup);
    connect(ChangeGroupBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::ChangeGroupCmd);
    connect(RemoveGroupBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::RemoveGroup);
    connect(HierarchyBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::Hierarchy);
    connect(ResetRightsBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::ResetRights);
    connect(ResetParamsBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::ResetParams);
    connect(NewRightBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::NewRight);
    connect(DeleteRightBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::DeleteRight);
    connect(NewParamBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::NewParam);
    connect(DeleteParamBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::DeleteParamCmd);
    connect(TypesBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::ParamTypes);
    connect(SecParamsBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::SecurityParams);
    connect(ShowHiddenRightsBtn, &QPushButton::toggled, this, &TSecurityDlgFrm::SetShowHidden);
    connect(ShowHiddenParamsBtn, &QPushButton::toggled, this, &TSecurityDlgFrm::SetShowHidden);
    connect(ChangePasswdBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::ChangePassword);
    connect(HelpBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::Help);
    connect(ApplyBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::Apply);
    connect(CancelBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::reject);
    connect(OKBtn, &QPushButton::clicked, this, &TSecurityDlgFrm::accept);

    // Grids: double click and Enter edit, Insert and Ctrl+Delete create and remove,
    // the popup menu's refresh reads everything again.
    auto whenEnabled
        = [](QPushButton* button, void (TSecurityDlgFrm::*command)(), TSecurityDlgFrm* form) {
              return [button, command, form] {
                  if (button->isEnabled() && button->isVisibleTo(form))
                      (form->*command)();
              };
          };
    connect(UsersGrid, &QAbstractItemView::doubleClicked, this,
        whenEnabled(ChangeUserBtn, &TSecurityDlgFrm::ChangeUserCmd, this));
    connect(UsersGrid, &tor::TTorDBGrid::editRequested, this,
        whenEnabled(ChangeUserBtn, &TSecurityDlgFrm::ChangeUserCmd, this));
    connect(UsersGrid, &tor::TTorDBGrid::insertRequested, this,
        whenEnabled(NewUserBtn, &TSecurityDlgFrm::NewUser, this));
    connect(UsersGrid, &tor::TTorDBGrid::deleteRequested, this,
        whenEnabled(RemoveUserBtn, &TSecurityDlgFrm::RemoveUser, this));
    connect(GroupsGrid, &QAbstractItemView::doubleClicked, this,
        whenEnabled(ChangeGroupBtn, &TSecurityDlgFrm::ChangeGroupCmd, this));
    connect(GroupsGrid, &tor::TTorDBGrid::editRequested, this,
        whenEnabled(ChangeGroupBtn, &TSecurityDlgFrm::ChangeGroupCmd, this));
    connect(GroupsGrid, &tor::TTorDBGrid::insertRequested, this,
        whenEnabled(NewGroupBtn, &TSecurityDlgFrm::NewGroup, this));
    connect(GroupsGrid, &tor::TTorDBGrid::deleteRequested, this,
        whenEnabled(RemoveGroupBtn, &TSecurityDlgFrm::RemoveGroup, this));
    connect(GroupsListBox, &QListWidget::itemDoubleClicked, this,
        whenEnabled(ChangeGroupBtn, &TSecurityDlgFrm::ChangeGroupCmd, this));
    connect(
        GroupsListBox, &QListWidget::currentItemChanged, this, [this] { GroupsListActivated(); });
    for (tor::TTorDBGrid* grid : { UsersGrid, GroupsGrid, RightsValuesGrid, ParamValuesGrid,
             RightsGrid, ParamsGrid, DBParamsGrid })
        connect(grid, &tor::TTorDBGrid::refreshRequested, this, &TSecurityDlgFrm::RefreshAllData);
    connect(
        ParamValuesGrid, &tor::TTorDBGrid::editButtonClicked, this, [this] { EditParamValue(); });
    connect(TabSet, &QTabBar::currentChanged, this, &TSecurityDlgFrm::TabChanged);

    // Hidden forms and parameters start filtered out; the first tab shows.
    SetShowHidden(false);
    TabSet->setCurrentIndex(0);
    TabChanged(0);
}

TSecurityDlgFrm::~TSecurityDlgFrm()
{
    SaveLayout();
    if (DModule() && DModule()->Current.SecurityParams)
        DModule()->Current.SecurityParams->OnFilterRecord = nullptr;
    // The grids and memos let go of the module's data sources before the
    // base form gives the module back.
    for (tor::TTorDBGrid* grid : { UsersGrid, GroupsGrid, RightsValuesGrid, ParamValuesGrid,
             RightsGrid, ParamsGrid, DBParamsGrid })
        grid->SetDataSource(nullptr);
    for (TFieldMemo* memo : memos_)
        memo->SetDataSource(nullptr);
    delete groupsModel_;
    groupsModel_ = nullptr;
}

// ------------------------------------------------------------------ building

void TSecurityDlgFrm::BindHooks()
{
    TSecDModDlgBaseFrm* module = DModule();
    module->OnModifiedChanged = [this](bool modified) { ApplyBtn->setEnabled(modified); };
    module->OnStateChanged = [this] {
        UpdateCommandStates();
        // Whose values are shown may have changed: the value column follows.
        UpdateValueColumn();
    };
    module->OnParamRowChanged = [this] { UpdateValueColumn(); };
    module->OnFormRowChanged = [this] {
        RightsValuesGrid->setToolTip(QString::fromStdString(DModule()->RightDescription()));
    };
    module->OnParamNameValidate = [this](vcl::TField*) {
        if (!ShowHiddenParamsBtn->isChecked())
            throw ESecDModException(sRenameNeedsHidden, {});
    };
    module->OnUserGroupChange = [this](vcl::TDataSet*) { DModule()->ChangeUserGroupEnd(); };
}

void TSecurityDlgFrm::BindGrids()
{
    const auto& current = DModule()->Current;
    UsersGrid->SetColumns({ { "Name", "Name", true }, { "FullName", "Full name", true } });
    UsersGrid->SetDataSource(current.UsersDS);
    GroupsGrid->SetColumns({ { "Name", "Name", true }, { "FullName", "Full name", true } });
    GroupsGrid->SetDataSource(current.GroupsDS);
    for (tor::TTorDBGrid* grid : { UsersGrid, GroupsGrid }) {
        grid->SetReadOnly(true);
        grid->SetRowSelect(true);
    }
    RightsValuesGrid->SetColumns({ { "FullName", "Full name", true }, { "FView", "View" },
        { "FInsert", "Insert" }, { "FModify", "Modify" }, { "FDelete", "Delete" } });
    RightsValuesGrid->SetDataSource(current.FormsDS);
    ParamValuesGrid->SetColumns({ { "FullName", "Full name", true }, { "FValue", "Value" } });
    ParamValuesGrid->SetDataSource(current.ParamsDS);
    RightsGrid->SetColumns({ { "FormID", "ID", true }, { "Name", "Name" },
        { "FullName", "Full name" }, { "DefView", "Def. view" }, { "DefInsert", "Def. insert" },
        { "DefModify", "Def. modify" }, { "DefDelete", "Def. delete" }, { "Hidden", "Hidden" } });
    RightsGrid->SetDataSource(current.FormsDS);
    ParamsGrid->SetColumns(
        { { "ParamID", "ID", true }, { "Name", "Name" }, { "FullName", "Full name" },
            { "ParamTypeName", "Type name" }, { "DefaultValue", "Default value" },
            { "Hidden", "Hidden" }, { "UserCanModify", "Modif." }, { "FProtected", "Protected" } });
    ParamsGrid->SetDataSource(current.ParamsDS);
    DBParamsGrid->SetColumns({ { "FullName", "Full name", true }, { "FValue", "Value", true } });
    DBParamsGrid->SetDataSource(current.SecurityParamsDS);
    DBParamsGrid->SetReadOnly(true);

    memos_.push_back(new TFieldMemo(GroupDescription, current.GroupsDS, "Description"));
    memos_.push_back(new TFieldMemo(RightsDescription, current.FormsDS, "Description"));
    memos_.push_back(new TFieldMemo(ParamsDescription, current.ParamsDS, "Description"));

    // Cell colours.
    UsersGrid->SetCellColors([this](vcl::TField*, bool selected) {
        return SubjectColors(DModule()->UserModificable(), selected);
    });
    GroupsGrid->SetCellColors([this](vcl::TField*, bool selected) {
        return SubjectColors(DModule()->GroupModificable(), selected);
    });
    RightsValuesGrid->SetCellColors([this](vcl::TField*, bool) {
        tor::TCellColors colors;
        if (DModule()->RightDefault())
            colors.Text = colors.SelectedText = LegendColors::GroupDefault;
        return colors;
    });
    ParamValuesGrid->SetCellColors(
        [this](vcl::TField*, bool selected) { return ParamValueColors(selected); });

    // The groups list box reads the groups without moving their dataset.
    groupsModel_ = new vcl::TDataSourceModel(current.GroupsDS);
    connect(groupsModel_, &QAbstractItemModel::modelReset, this, [this] { FillGroupsList(); });
    connect(groupsModel_, &QAbstractItemModel::dataChanged, this, [this] { FillGroupsList(); });
    if (vcl::TDataSource* users = current.UsersDS) {
        auto* usersModel = UsersGrid->model();
        connect(usersModel, &QAbstractItemModel::modelReset, this, [this] { SelectUsersGroup(); });
        connect(usersModel, &QAbstractItemModel::dataChanged, this, [this] { SelectUsersGroup(); });
        connect(UsersGrid, &tor::TTorDBGrid::currentRecordChanged, this,
            [this] { SelectUsersGroup(); });
        (void)users;
    }
    FillGroupsList();

    // The About page never lists the administration account.
    if (vcl::TDataSet* settings = current.SecurityParams) {
        settings->OnFilterRecord = [](vcl::TDataSet* dataSet, bool& accept) {
            const std::string name = dataSet->FieldByName("Name")->AsString();
            accept = std::none_of(std::begin(kAccountSettings), std::end(kAccountSettings),
                [&](const char* secret) { return name == secret; });
        };
        settings->SetFiltered(true);
    }
}

void TSecurityDlgFrm::BuildTabs()
{
    const bool admin = (SecMask() & kView) != 0;
    const bool design = (DesMask() & kView) != 0;
    int next = 0;
    auto add = [&](const char* caption, int& position) {
        TabSet->addTab(QString::fromUtf8(caption));
        position = next++;
    };
    if (admin) {
        add("&Users", tabs_.Users);
        add("&Groups", tabs_.Groups);
    }
    if (design) {
        add("&Rights", tabs_.Rights);
        add("&Parameters", tabs_.Params);
    }
    add("&About", tabs_.Info);
}

void TSecurityDlgFrm::ShowLoggedUser()
{
    const TSecUser& user = AdministeredSecurity()->User();
    LoggedUserName->setText(QString::fromStdString(user.Name.str()));
    LoggedUserFullName->setText(QString::fromStdString(user.FullName));
}

void TSecurityDlgFrm::ApplyStaticStates()
{
    const bool adminInsert = (SecMask() & kInsert) != 0;
    NewUserBtn->setEnabled(adminInsert);
    NewGroupBtn->setEnabled(adminInsert);
    const bool designModify = (DesMask() & kModify) != 0;
    NewRightBtn->setEnabled((DesMask() & kInsert) != 0);
    NewParamBtn->setEnabled((DesMask() & kInsert) != 0);
    RightsGrid->SetReadOnly(!designModify);
    ParamsGrid->SetReadOnly(!designModify);
    RightsDescription->setReadOnly(!designModify);
    ParamsDescription->setReadOnly(!designModify);
    DeleteRightBtn->setEnabled((DesMask() & kDelete) != 0);
    DeleteParamBtn->setEnabled((DesMask() & kDelete) != 0);
    ChangePasswdBtn->setEnabled(AdministeredSecurity()->User().EffAllowChangePswd());
}

// ---------------------------------------------------------------- tab change

int TSecurityDlgFrm::CurrentTab() const
{
    return TabSet->currentIndex();
}

void TSecurityDlgFrm::TabChanged(int index)
{
    if (index == shownTab_ || index < 0)
        return;
    // What was typed on the page being left is saved first; when that
    // fails the page stays.
    try {
        DModule()->CheckAndPost();
    } catch (const std::exception& error) {
        ShowCommandFailure(this, sUpdateFailed, error.what());
        const QSignalBlocker block(TabSet);
        TabSet->setCurrentIndex(shownTab_);
        return;
    }
    shownTab_ = index;
    TSecDModDlgBaseFrm* module = DModule();
    const bool users = index == tabs_.Users, groups = index == tabs_.Groups;
    if (users || groups) {
        Notebook->setCurrentWidget(UsersPage);
        ShowUsersOrGroups(groups);
        module->SetViewMode(users ? vmUsers : vmGroups);
        try {
            if (users)
                module->ApplyUserFilter();
            else
                module->ApplyGroupFilter();
        } catch (const std::exception& error) {
            ShowCommandFailure(this, sRefreshFailed, error.what());
        }
        UpdateValueColumn();
        RightsValuesGrid->setToolTip(QString::fromStdString(module->RightDescription()));
    } else if (index == tabs_.Rights || index == tabs_.Params) {
        Notebook->setCurrentWidget(index == tabs_.Rights ? RightsPage : ParamsPage);
        module->SetViewMode(vmDefinitions);
    } else {
        Notebook->setCurrentWidget(InfoPage);
        module->SetViewMode(vmOther);
    }
    if (vcl::TDataSet* settings = module->Current.SecurityParams)
        settings->SetFiltered(index == tabs_.Info);
    UpdateCommandStates();
}

void TSecurityDlgFrm::ShowUsersOrGroups(bool groups)
{
    UsersPanel->setVisible(!groups);
    GroupsGrid->setVisible(groups);
    GroupDescription->setVisible(groups);
    GroupsListBox->setVisible(!groups);
    ResetRightsBtn->setVisible(!groups);
    ResetParamsBtn->setVisible(!groups);
    // "&Groups" is the tab's accelerator: the label takes another letter.
    ParamValuesLabel->setText(groups ? "Group param&eters:" : "&User parameters:");
    GroupsLabel->setText(groups ? "Gr&oups:" : "Gr&oup:");
    GroupsLabel->setBuddy(groups ? static_cast<QWidget*>(GroupsGrid) : GroupsListBox);
    if (!groups) {
        const int total = LeftSplitter->height();
        const int usersHeight = UsersPanel->height();
        LeftSplitter->setSizes(
            { usersHeight, std::max(kMinGroupsPanelHeight, total - usersHeight) });
    }
}

// ------------------------------------------------------------ command states

bool TSecurityDlgFrm::MayModify() const
{
    TSecDModDlgBaseFrm* module = DModule();
    const int tab = CurrentTab();
    return ((SecMask() & kModify) != 0
               && ((tab == tabs_.Users && module->UserModificable())
                   || (tab == tabs_.Groups && module->GroupModificable())))
        || module->Unrestricted();
}

bool TSecurityDlgFrm::MayDelete() const
{
    TSecDModDlgBaseFrm* module = DModule();
    const int tab = CurrentTab();
    return ((SecMask() & kDelete) != 0
               && ((tab == tabs_.Users && module->UserModificable())
                   || (tab == tabs_.Groups && module->GroupModificable())))
        || module->Unrestricted();
}

bool TSecurityDlgFrm::SelectedUserIsLogged() const
{
    vcl::TDataSet* users = DModule()->Current.Users;
    return users && users->Active() && !users->IsEmpty()
        && DModule()->CUserID() == AdministeredSecurity()->User().UserID;
}

void TSecurityDlgFrm::UpdateCommandStates()
{
    TSecDModDlgBaseFrm* module = DModule();
    const bool mayModify = MayModify(), mayDelete = MayDelete();
    const bool unrestricted = module->Unrestricted();
    const bool usersTab = CurrentTab() == tabs_.Users;
    const bool groupModifiable = module->GroupModificable() || unrestricted;
    ChangeUserBtn->setEnabled(
        mayModify || ((SecMask() & kModify) != 0 && usersTab && SelectedUserIsLogged()));
    ChangeGroupBtn->setEnabled(mayModify && groupModifiable);
    RightsValuesGrid->SetReadOnly(!mayModify);
    GroupsListBox->setEnabled(mayModify);
    ResetRightsBtn->setEnabled(mayDelete);
    ResetParamsBtn->setEnabled(mayDelete);
    RemoveUserBtn->setEnabled(mayDelete);
    RemoveGroupBtn->setEnabled(mayDelete && groupModifiable);
    GroupDescription->setToolTip(QString::fromStdString(module->GroupDescription()));
}

bool TSecurityDlgFrm::ParamModifiable() const
{
    TSecDModDlgBaseFrm* module = DModule();
    const int tab = CurrentTab();
    if ((SecMask() & kModify) != 0
        && ((tab == tabs_.Users && module->UserModificable())
            || (tab == tabs_.Groups && module->GroupModificable())))
        return true;
    return module->Unrestricted()
        || (module->ParamUserCanModify() && SelectedUserIsLogged() && tab == tabs_.Users);
}

void TSecurityDlgFrm::UpdateValueColumn()
{
    TSecDModDlgBaseFrm* module = DModule();
    vcl::TDataSet* params = module->Current.Params;
    const bool hasRow = params && params->Active() && !params->IsEmpty();
    const bool editable = hasRow && ParamModifiable();
    SetValueColumn(ParamValuesGrid, editable);
    ParamValuesGrid->setToolTip(
        hasRow ? QString::fromStdString(module->ParamDescription()) : QString());
}

// -------------------------------------------------------------- cell colours

tor::TCellColors TSecurityDlgFrm::SubjectColors(bool modifiable, bool) const
{
    tor::TCellColors colors;
    if (modifiable) {
        colors.Text = LegendColors::Modifiable;
        colors.SelectedText = LegendColors::ModifiableSelected;
    }
    return colors;
}

tor::TCellColors TSecurityDlgFrm::ParamValueColors(bool) const
{
    TSecDModDlgBaseFrm* module = DModule();
    const bool userMay = module->ViewMode() != vmUsers || module->ParamUserCanModify();
    tor::TCellColors colors;
    colors.Text = colors.SelectedText = ParamValueColor(module->ParamDefault(), userMay);
    return colors;
}

// --------------------------------------------------------- groups list box

void TSecurityDlgFrm::FillGroupsList()
{
    if (!groupsModel_)
        return;
    vcl::TDataSet* groups = groupsModel_->DataSet();
    const int idColumn = groups ? groupsModel_->ColumnOf(groups->FindField("GroupID")) : -1;
    const int nameColumn = groups ? groupsModel_->ColumnOf(groups->FindField("FullName")) : -1;
    if (idColumn < 0 || nameColumn < 0)
        return;
    const QSignalBlocker block(GroupsListBox);
    fillingGroups_ = true;
    GroupsListBox->clear();
    for (int row = 0; row < groupsModel_->rowCount(); ++row) {
        const int id = groupsModel_->index(row, idColumn).data().toInt();
        auto* item = new QListWidgetItem(
            groupsModel_->index(row, nameColumn).data().toString(), GroupsListBox);
        item->setData(Qt::UserRole, id);
    }
    fillingGroups_ = false;
    SelectUsersGroup();
}

void TSecurityDlgFrm::SelectUsersGroup()
{
    vcl::TDataSet* users = DModule()->Current.Users;
    const bool hasUser = users && users->Active() && !users->IsEmpty();
    const int groupID = hasUser ? users->FieldByName("GroupID")->AsInteger() : -1;
    // Only groups the user may be moved into are offered (and his own).
    auto* full = dynamic_cast<TSecDModDlgFrm*>(DModule());
    const QSignalBlocker block(GroupsListBox);
    fillingGroups_ = true;
    QListWidgetItem* selected = nullptr;
    for (int i = 0; i < GroupsListBox->count(); ++i) {
        QListWidgetItem* item = GroupsListBox->item(i);
        const int id = item->data(Qt::UserRole).toInt();
        bool offered = id == groupID || !full || full->Unrestricted();
        if (!offered) {
            const int row = full->GroupRowOf(id);
            offered = row >= 0 && full->RowModificable(row)
                && full->CanChangeGroup(static_cast<std::uint16_t>(row)) == -1;
        }
        item->setHidden(!offered);
        if (id == groupID)
            selected = item;
    }
    GroupsListBox->setCurrentItem(selected);
    fillingGroups_ = false;
}

void TSecurityDlgFrm::GroupsListActivated()
{
    if (fillingGroups_)
        return;
    QListWidgetItem* item = GroupsListBox->currentItem();
    vcl::TDataSet* users = DModule()->Current.Users;
    if (!item || !users || !users->Active() || users->IsEmpty())
        return;
    const int groupID = item->data(Qt::UserRole).toInt();
    if (groupID != users->FieldByName("GroupID")->AsInteger())
        MoveUserToGroup(groupID);
    SelectUsersGroup();
}

void TSecurityDlgFrm::MoveUserToGroup(int groupID)
{
    TSecDModDlgBaseFrm* module = DModule();
    vcl::TDataSet* users = module->Current.Users;
    const int answer = vcl::MessageBox(vcl::WindowHandle(this), SecString(sChangeUserGroupAsk),
        SecString(sCaptionQuestion), vcl::MB_OKCANCEL | vcl::MB_ICONQUESTION);
    if (answer != vcl::IDOK) {
        ShowCommandFailure(this, sUserGroupChangeCancelled, {});
        return;
    }
    try {
        if (!module->ChangeUserGroupStart()) {
            ShowCommandFailure(this, sWiderRights, {});
            return;
        }
        if (!module->AskAboutUpdate()) {
            ShowCommandFailure(this, sUserGroupChangeCancelled, {});
            return;
        }
        if (users->State() != vcl::dsEdit)
            users->Edit();
        // The module checks and stores the move (the group-changed hook).
        users->FieldByName("GroupID")->SetAsInteger(groupID);
        if (users->State() == vcl::dsEdit)
            users->Post();
    } catch (const std::exception& error) {
        if (users->State() == vcl::dsEdit)
            users->Cancel();
        ShowCommandFailure(this, sOperationFailed, error.what());
    }
}

// ------------------------------------------------------------------ commands

void TSecurityDlgFrm::NewUser()
{
    // Pending edits are applied (or dropped) first: creating the user reads
    // the tables again.
    if (!AskAndUpdate())
        return;
    TSecDModDlgBaseFrm* module = DModule();
    vcl::TDataSet* groups = nullptr;
    try {
        groups = module->NewUserStart();
    } catch (const std::exception& error) {
        ShowCommandFailure(this, sOperationFailed, error.what());
        return;
    }
    if (!groups) {
        Inform(this, sNoGroupForNewUser, vcl::MB_ICONEXCLAMATION);
        return;
    }
    TSecurityNewUserFrm dialog(
        this, TLoggedUser::Of(*AdministeredSecurity()), module->Current.GroupsDS);
    if (dialog.ShowModal() != vcl::mrOk) {
        Reported(sOperationFailed, [&] {
            module->NewUserCancel(groups);
            module->ApplyUserFilter();
        });
        return;
    }
    const TNewUserData data = dialog.Data();
    const TUserOptions& o = data.Options;
    Reported(sOperationFailed, [&] {
        try {
            module->NewUserEnd(data.Name.c_str(), data.FullName.c_str(), data.Passwd, data.GroupID,
                o[poAllowChangePswd], o[poAllowNullPasswd], o[poNoChPswdAtLogin],
                o[poAccountEnabled], o[poPasswdControl]);
        } catch (...) {
            // The values follow the selection again however the command ended.
            module->SetFilterSuspension(true);
            module->ApplyUserFilter();
            throw;
        }
    });
}

void TSecurityDlgFrm::ChangeUserCmd()
{
    TSecDModDlgBaseFrm* module = DModule();
    Reported(sOperationFailed, [&] {
        TSecurityChangeUserFrm dialog(this, TLoggedUser::Of(*AdministeredSecurity()));
        const TSecUserInfo current = module->UserInfo();
        dialog.SetData(current);
        dialog.SetLoginLock(module->LoginLockEnd(current.UserID));
        if (dialog.ShowModal() != vcl::mrOk)
            return;
        const TSecUserInfo user = dialog.Data();
        // The data module puts the logged user's new record into the security.
        module->ChangeUser(user.Name.c_str(), user.FullName.c_str(), user.Passwd,
            user.AllowChangePswd, user.AllowNullPasswd, user.NoChPswdAtLogin, user.AccountEnabled,
            user.PasswdControl);
        if (dialog.LoginLockCleared())
            module->ClearLoginLock(user.UserID);
        if (user.UserID == AdministeredSecurity()->User().UserID)
            ShowLoggedUser();
    });
}

void TSecurityDlgFrm::RemoveUser()
{
    if (!Ask(this, sRemoveUserAsk) || !Warn(this, sRemoveUserWarn))
        return;
    Reported(sOperationFailed, [&] { DModule()->DelUser(); });
}

void TSecurityDlgFrm::NewGroup()
{
    // Creating the group reads the group tables again: pending edits are
    // applied (or dropped) first, and a cancelled question stops here.
    if (!AskAndUpdate())
        return;
    TSecDModDlgBaseFrm* module = DModule();
    std::optional<TNewGroupData> data;
    try {
        TSecurityNewGroupFrm dialog(
            this, TLoggedUser::Of(*AdministeredSecurity()), module->Current.GroupsDS);
        if (dialog.ShowModal() == vcl::mrOk)
            data = dialog.Data();
    } catch (const std::exception& error) {
        Reported(sNewGroupFailed, [&] { module->ApplyGroupFilter(); });
        ShowCommandFailure(this, sNewGroupFailed, error.what());
        return;
    }
    if (!data)
        return;
    // The editor opens with the new group's box; the group is created as
    // collected when the editor is saved, and not at all when it is left.
    try {
        ShowHierarchyEditor(
            *module, this, TLoggedUser::Of(*AdministeredSecurity()), SecMask(), data);
    } catch (const std::exception& error) {
        Reported(sNewGroupFailed, [&] { module->ApplyGroupFilter(); });
        ShowCommandFailure(this, sNewGroupFailed, error.what());
    }
}

void TSecurityDlgFrm::ChangeGroupCmd()
{
    TSecDModDlgBaseFrm* module = DModule();
    const bool suspension = module->FilterSuspension();
    module->SetFilterSuspension(false);
    const int groupID = module->CGroupID();
    Reported(sOperationFailed, [&] {
        struct Restore {
            TSecDModDlgBaseFrm* module;
            bool suspension;
            ~Restore() { module->SetFilterSuspension(suspension); }
        } restore { module, suspension };
        vcl::TDataSet* groups = module->Current.Groups;
        const vcl::TField* positionField = groups ? groups->FindField("Position") : nullptr;
        const int position = positionField ? positionField->AsInteger() : 0;
        TSecurityChangeNameFrm dialog(this, TLoggedUser::Of(*AdministeredSecurity()));
        dialog.SetData(module->GroupInfo(), module->GroupDescription());
        if (dialog.ShowModal() != vcl::mrOk) {
            module->ApplyGroupFilter();
            return;
        }
        const TSecGroupInfo group = dialog.Data();
        module->FindGroup(groupID);
        module->ChangeGroup(group.Name.c_str(), group.FullName.c_str(),
            dialog.GroupDescription().c_str(), group.AllowChangePswd, group.AllowNullPasswd,
            group.NoChPswdAtLogin, group.AccountEnabled, group.PasswdControl, position);
        if (module->CGroupID() == AdministeredSecurity()->User().GroupID)
            AdministeredSecurity()->SetGroupInfo(group.AllowChangePswd, group.AllowNullPasswd,
                group.NoChPswdAtLogin, group.AccountEnabled, group.PasswdControl);
    });
}

void TSecurityDlgFrm::RemoveGroup()
{
    if (!Ask(this, sRemoveGroupAsk) || !Warn(this, sRemoveGroupWarn))
        return;
    const int last = vcl::MessageBox(vcl::WindowHandle(this), SecString(sRemoveGroupLastWarn),
        SecString(sCaptionWarning), vcl::MB_YESNO | vcl::MB_ICONEXCLAMATION | vcl::MB_DEFBUTTON2);
    if (last != vcl::IDYES)
        return;
    Reported(sOperationFailed, [&] { DModule()->DelGroup(); });
}

void TSecurityDlgFrm::Hierarchy()
{
    // The editor's save writes the group tables: pending edits are applied
    // (or dropped) first, and a cancelled question stops here.
    if (!AskAndUpdate())
        return;
    TSecDModDlgBaseFrm* module = DModule();
    try {
        ShowHierarchyEditor(*module, this, TLoggedUser::Of(*AdministeredSecurity()), SecMask());
    } catch (const std::exception& error) {
        ShowCommandFailure(this, sOperationFailed, error.what());
    }
}

void TSecurityDlgFrm::ResetRights()
{
    Reported(sOperationFailed, [&] { DModule()->SetDefaultRights(); });
}

void TSecurityDlgFrm::ResetParams()
{
    ResetParamsToDefaults();
}

void TSecurityDlgFrm::NewRight()
{
    if (!AskAndUpdate())
        return;
    TSecurityNewRightFrm dialog(this);
    if (dialog.ShowModal() != vcl::mrOk)
        return;
    const TNewRightData data = dialog.Data();
    auto bit = [](SecRightsMask mask, SecRightsMask flag) { return (mask & flag) != 0; };
    Reported(sOperationFailed, [&] {
        DModule()->InsRight(data.Name.c_str(), data.FullName.c_str(), data.Description.c_str(),
            bit(data.Defaults, kInsert), bit(data.Defaults, kDelete), bit(data.Defaults, kModify),
            bit(data.Defaults, kView), data.Hidden, bit(data.Rights, kInsert),
            bit(data.Rights, kDelete), bit(data.Rights, kModify), bit(data.Rights, kView));
    });
}

void TSecurityDlgFrm::DeleteRight()
{
    if (!Ask(this, sRemoveRightAsk) || !Warn(this, sRemoveRightWarn) || !AskAboutUpdate())
        return;
    Reported(sOperationFailed, [&] {
        TSecDModDlgBaseFrm* module = DModule();
        module->DelRight();
        module->ApplyUpdates();
        module->Refresh();
    });
}

void TSecurityDlgFrm::DeleteParamCmd()
{
    if (!Ask(this, sRemoveParamAsk) || !Warn(this, sRemoveParamWarn) || !AskAboutUpdate())
        return;
    DeleteParam();
}

void TSecurityDlgFrm::SetShowHidden(bool shown)
{
    {
        const QSignalBlocker rights(ShowHiddenRightsBtn), params(ShowHiddenParamsBtn);
        ShowHiddenRightsBtn->setChecked(shown);
        ShowHiddenParamsBtn->setChecked(shown);
    }
    Reported(sRefreshFailed, [&] {
        DModule()->SetFormsFiltered(!shown);
        DModule()->SetParamsFiltered(!shown);
    });
}

void TSecurityDlgFrm::ChangePassword()
{
    if (ChangeOwnPassword())
        ShowLoggedUser();
}

QUrl TSecurityDlgFrm::HelpUrl() const
{
    // The anchor names the page shown: the Users and Groups pages have their
    // own sections, the other pages the document's start.
    const int tab = CurrentTab();
    const char* anchor = tab == tabs_.Users ? "SecAdmUsers"
        : tab == tabs_.Groups               ? "SecAdmGroups"
                                            : "";
    return WithAnchor(helpTarget_, anchor);
}

void TSecurityDlgFrm::Help()
{
    OpenHelp(this, HelpUrl());
}

// ------------------------------------------------------------------- closing

void TSecurityDlgFrm::accept()
{
    if (AskAndUpdate())
        CloseWith(vcl::mrOk);
}

void TSecurityDlgFrm::reject()
{
    if (DModule()->Modified()) {
        const int answer = vcl::MessageBox(vcl::WindowHandle(this), SecString(sCloseWithoutSaving),
            SecString(sCaptionConfirmation), vcl::MB_YESNO | vcl::MB_ICONQUESTION);
        if (answer != vcl::IDYES)
            return;
        // The discarded edits leave the running security too.
        DiscardUnapplied();
    }
    CloseWith(vcl::mrCancel);
}

// -------------------------------------------------------------------- layout

TDialogLayout::TGridSections TSecurityDlgFrm::GridSections() const
{
    return { { UsersGrid, "Users" }, { GroupsGrid, "Groups" }, { ParamValuesGrid, "ParamValues" },
        { RightsValuesGrid, "RightsValues" }, { RightsGrid, "Rights" }, { ParamsGrid, "Params" },
        { DBParamsGrid, "DBParams" } };
}

void TSecurityDlgFrm::LoadLayout()
{
    // The size hint stacks every grid's own hint and outgrows a 1024x768
    // screen: without a kept size the dialog opens at one that fits.
    QSize size = sizeHint().boundedTo(kDefaultSize);
    Layout().Read("Width", [&](int width) { size.setWidth(width); });
    Layout().Read("Height", [&](int height) { size.setHeight(height); });
    resize(size.expandedTo(minimumSizeHint()));
    LoadGridLayouts();
}

// The kept pane sizes are set once the dialog has its final size: a splitter
// that is resized later shares the change out by its stretch factors, so
// sizes set before the first showing come back different.
void TSecurityDlgFrm::showEvent(QShowEvent* event)
{
    TSecurityDlgBaseFrm::showEvent(event);
    if (!paneSizesRestored_) {
        paneSizesRestored_ = true;
        RestorePaneSizes();
    }
}

void TSecurityDlgFrm::RestorePaneSizes()
{
    Layout().Read("Panel5Width", [&](int width) {
        QList<int> sizes = MainSplitter->sizes();
        const int total = sizes.value(0) + sizes.value(1);
        MainSplitter->setSizes({ width, std::max(0, total - width) });
    });
    Layout().Read("GroupsPanelHeight", [&](int height) {
        QList<int> sizes = LeftSplitter->sizes();
        const int total = sizes.value(0) + sizes.value(1);
        LeftSplitter->setSizes({ std::max(0, total - height), height });
    });
    Layout().Read("Panel3Height", [&](int height) {
        QList<int> sizes = RightSplitter->sizes();
        const int total = sizes.value(0) + sizes.value(1);
        RightSplitter->setSizes({ std::max(0, total - height), height });
    });
}

void TSecurityDlgFrm::SaveWindowLayout()
{
    Layout().Write("Width", width());
    Layout().Write("Height", height());
    Layout().Write("Panel5Width", Panel5->width());
    Layout().Write("GroupsPanelHeight", GroupsPanel->height());
    Layout().Write("Panel3Height", Panel3->height());
}

} // namespace Security
