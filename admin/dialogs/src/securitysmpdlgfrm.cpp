#include "securitysmpdlgfrm.h"

#include "fieldmemo.h"
#include "helptarget.h"
#include "legendmenu.h"

#include <wardlock/data/dataset.h>
#include <wardlock/keeper/secdmodbase.h>
#include <wardlock/keeper/strings.h>
#include <wardlock/platform/dialogs.h>
#include <wardlock/security.h>

namespace Security {

namespace {

constexpr const char* kLayoutKey = "Software\\Torvane\\Wardlock\\1.0\\Layout\\SecuritySmpDlg";

} // namespace

TSecuritySmpDlgFrm::TSecuritySmpDlgFrm(
    vcl::TComponent* owner, TSecurity* security, int userID, int groupID)
    : TSecuritySmpDlgBaseFrm(owner, security, userID, groupID)
{
    setupUi(this);
    KeepLayoutUnder(kLayoutKey);
    // There is no "show hidden" here: hidden forms and parameters never show.
    Reported(sRefreshFailed, [&] {
        DModule()->SetFormsFiltered(true);
        DModule()->SetParamsFiltered(true);
    });
    BindGrids();
    BindHooks();
    ApplyMaskStates();
    ShowUser();
    OfferYesAndNo(ParamsGrid);
    ApplyBtn->setEnabled(false);
    AttachLegend(RightsLegendBtn, MakeLegendMenu(this, RightsLegend()));
    AttachLegend(ParamsLegendBtn, MakeLegendMenu(this, ParamsLegend()));
    LoadLayout();
    helpTarget_ = HelpTarget("user.htm", "SecAdmUsers");
    HelpBtn->setShortcut(QKeySequence::HelpContents);

    connect(ResetRightsBtn, &QPushButton::clicked, this, &TSecuritySmpDlgFrm::ResetRights);
    connect(ResetParamsBtn, &QPushButton::clicked, this, &TSecuritySmpDlgFrm::ResetParams);
    connect(PasswdBtn, &QPushButton::clicked, this, &TSecuritySmpDlgFrm::ChangePassword);
    connect(HelpBtn, &QPushButton::clicked, this, &TSecuritySmpDlgFrm::Help);
    connect(ApplyBtn, &QPushButton::clicked, this, &TSecuritySmpDlgFrm::Apply);
    connect(CancelBtn, &QPushButton::clicked, this, &TSecuritySmpDlgFrm::reject);
    connect(OKBtn, &QPushButton::clicked, this, &TSecuritySmpDlgFrm::accept);
    for (tor::TTorDBGrid* grid : { RightsGrid, ParamsGrid })
        connect(
            grid, &tor::TTorDBGrid::refreshRequested, this, &TSecuritySmpDlgFrm::RefreshAllData);
    connect(ParamsGrid, &tor::TTorDBGrid::editButtonClicked, this, [this] { EditParamValue(); });

    UpdateValueColumn();
    UpdateRightsHint();
    CancelBtn->setEnabled(DModule()->CanCancel());
}

TSecuritySmpDlgFrm::~TSecuritySmpDlgFrm()
{
    SaveLayout();
    // The grids and memos let go of the module's data sources before the
    // base form gives the module back.
    for (tor::TTorDBGrid* grid : { RightsGrid, ParamsGrid })
        grid->SetDataSource(nullptr);
    for (TFieldMemo* memo : memos_)
        memo->SetDataSource(nullptr);
}

// ------------------------------------------------------------------ building

void TSecuritySmpDlgFrm::BindHooks()
{
    TSecDModSmpDlgBaseFrm* module = DModule();
    module->OnModifiedChanged = [this](bool modified) { ApplyBtn->setEnabled(modified); };
    module->OnParamRowChanged = [this] { UpdateValueColumn(); };
    module->OnFormRowChanged = [this] { UpdateRightsHint(); };
    // Whatever changed the module's state may change what is editable.
    module->OnStateChanged = [this] { UpdateValueColumn(); };
}

void TSecuritySmpDlgFrm::BindGrids()
{
    const auto& current = DModule()->Current;
    RightsGrid->SetColumns({ { "FullName", "Full name", true }, { "FView", "View" },
        { "FInsert", "Insert" }, { "FModify", "Modify" }, { "FDelete", "Delete" } });
    RightsGrid->SetDataSource(current.FormsDS);
    ParamsGrid->SetColumns({ { "FullName", "Full name", true }, { "FValue", "Value" } });
    ParamsGrid->SetDataSource(current.ParamsDS);
    memos_.push_back(new TFieldMemo(RightsDescription, current.FormsDS, "Description"));
    memos_.push_back(new TFieldMemo(ParamsDescription, current.ParamsDS, "Description"));

    RightsGrid->SetCellColors([this](vcl::TField*, bool) {
        tor::TCellColors colors;
        if (DModule()->RightDefault())
            colors.Text = colors.SelectedText = LegendColors::GroupDefault;
        return colors;
    });
    ParamsGrid->SetCellColors([this](vcl::TField*, bool) { return ParamValueColors(); });
}

void TSecuritySmpDlgFrm::ApplyMaskStates()
{
    const SecRightsMask mask = SecMask();
    const bool view = (mask & srView) != 0;
    const bool modify = (mask & srModify) != 0;
    const bool remove = (mask & srDelete) != 0;
    ParamsGrid->SetReadOnly(!view);
    RightsGrid->SetReadOnly(!(view && modify));
    ResetRightsBtn->setEnabled(remove);
    ResetParamsBtn->setEnabled(remove);
    PasswdBtn->setEnabled(AdministeredSecurity()->User().EffAllowChangePswd());
}

void TSecuritySmpDlgFrm::ShowUser()
{
    const TSecUser& user = AdministeredSecurity()->User();
    UserName->setText(QString::fromStdString(user.FullName) + " ("
        + QString::fromStdString(user.Name.str()) + ")");
    UserName->setCursorPosition(0);
}

// --------------------------------------------------------- the value column

bool TSecuritySmpDlgFrm::ValueEditable() const
{
    TSecDModSmpDlgBaseFrm* module = DModule();
    vcl::TDataSet* params = module->Current.Params;
    if (!params || !params->Active() || params->IsEmpty())
        return false;
    const SecRightsMask mask = SecMask();
    if ((mask & srView) == 0)
        return false;
    return (mask & srModify) != 0 || module->ParamUserCanModify();
}

void TSecuritySmpDlgFrm::UpdateValueColumn()
{
    TSecDModSmpDlgBaseFrm* module = DModule();
    const bool editable = ValueEditable();
    SetValueColumn(ParamsGrid, editable);
    vcl::TDataSet* params = module->Current.Params;
    const bool hasRow = params && params->Active() && !params->IsEmpty();
    const QString hint = hasRow ? QString::fromStdString(module->ParamDescription()) : QString();
    ParamsGrid->setToolTip(hint);
    ParamsDescription->setToolTip(hint);
}

void TSecuritySmpDlgFrm::UpdateRightsHint()
{
    vcl::TDataSet* forms = DModule()->Current.Forms;
    const bool hasRow = forms && forms->Active() && !forms->IsEmpty();
    const QString hint = hasRow ? QString::fromStdString(DModule()->RightDescription()) : QString();
    RightsGrid->setToolTip(hint);
    RightsDescription->setToolTip(hint);
}

tor::TCellColors TSecuritySmpDlgFrm::ParamValueColors() const
{
    TSecDModSmpDlgBaseFrm* module = DModule();
    tor::TCellColors colors;
    colors.Text = colors.SelectedText
        = ParamValueColor(module->ParamDefault(), module->ParamUserCanModify());
    return colors;
}

// ------------------------------------------------------------------ commands

void TSecuritySmpDlgFrm::ResetRights()
{
    Reported(sOperationFailed, [&] { DModule()->SetDefaultRights(); });
}

void TSecuritySmpDlgFrm::ResetParams()
{
    ResetParamsToDefaults();
}

void TSecuritySmpDlgFrm::ChangePassword()
{
    if (ChangeOwnPassword())
        ShowUser();
}

void TSecuritySmpDlgFrm::Help()
{
    OpenHelp(this, helpTarget_);
}

// ------------------------------------------------------------------- closing

void TSecuritySmpDlgFrm::accept()
{
    if (AskAndUpdate())
        CloseWith(vcl::mrOk);
}

void TSecuritySmpDlgFrm::reject()
{
    // No question: unapplied edits are dropped, and the running security
    // gets the logged user's record back as it was.
    DiscardUnapplied();
    CloseWith(vcl::mrCancel);
}

// -------------------------------------------------------------------- layout

TDialogLayout::TGridSections TSecuritySmpDlgFrm::GridSections() const
{
    return { { ParamsGrid, "ParamsValues" }, { RightsGrid, "RightsValues" } };
}

void TSecuritySmpDlgFrm::LoadLayout()
{
    QSize size = sizeHint().expandedTo(QSize(width(), height()));
    Layout().Read("Width", [&](int width) { size.setWidth(width); });
    Layout().Read("Height", [&](int height) { size.setHeight(height); });
    resize(size.expandedTo(minimumSizeHint()));
    Layout().Read("Panel3Height", [&](int height) { paramsPaneHeight_ = height; });
    LoadGridLayouts();
}

void TSecuritySmpDlgFrm::showEvent(QShowEvent* event)
{
    TSecuritySmpDlgBaseFrm::showEvent(event);
    if (paramsPaneHeight_ < 0)
        return;
    const QList<int> sizes = Splitter->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    Splitter->setSizes({ std::max(0, total - paramsPaneHeight_), paramsPaneHeight_ });
    paramsPaneHeight_ = -1;
}

void TSecuritySmpDlgFrm::SaveWindowLayout()
{
    Layout().Write("Width", width());
    Layout().Write("Height", height());
    Layout().Write("Panel3Height", ParamsPanel->height());
}

} // namespace Security
