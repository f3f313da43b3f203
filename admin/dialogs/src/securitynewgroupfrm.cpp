#include "securitynewgroupfrm.h"

#include "dialogchecks.h"
#include "securitychangepasswdfrm.h"

#include <wardlock/data/dataset.h>
#include <wardlock/platform/dialogs.h>

namespace Security {

namespace {

Qt::CheckState StateOf(TCheckBoxState right)
{
    switch (right) {
    case cbUnchecked:
        return Qt::Unchecked;
    case cbChecked:
        return Qt::Checked;
    default:
        return Qt::PartiallyChecked;
    }
}

TCheckBoxState RightOf(Qt::CheckState state)
{
    switch (state) {
    case Qt::Unchecked:
        return cbUnchecked;
    case Qt::Checked:
        return cbChecked;
    default:
        return cbGrayed;
    }
}

} // namespace

TSecurityNewGroupFrm::TSecurityNewGroupFrm(
    vcl::TComponent* owner, TLoggedUser logged, vcl::TDataSource* groups)
    : vcl::TForm(owner)
    , logged_(logged)
{
    setupUi(this);
    FillGroupList(BaseGroup, groups);
    FillGroupList(ParamGroup, groups);
    // Opening or choosing from a list means "same as in group".
    for (auto [list, sameAs] :
        { std::pair { BaseGroup, BaseSameAs }, { ParamGroup, ParamSameAs } }) {
        QRadioButton* choice = sameAs;
        connect(
            list, &TPopupComboBox::popupOpening, choice, [choice] { choice->setChecked(true); });
        connect(list, &QComboBox::activated, choice, [choice] { choice->setChecked(true); });
    }
    connect(PasswdOptionsBtn, &QPushButton::clicked, this,
        [this] { RunGroupOptions(this, logged_, options_); });
    connect(OKBtn, &QPushButton::clicked, this, &TSecurityNewGroupFrm::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &TSecurityNewGroupFrm::reject);
    SetData({});
}

TSecurityNewGroupFrm::~TSecurityNewGroupFrm() = default;

// The rows the groups dataset shows, read without moving it.
void TSecurityNewGroupFrm::FillGroupList(TPopupComboBox* list, vcl::TDataSource* groups)
{
    list->clear();
    vcl::TDataSet* dataSet = groups ? groups->DataSet() : nullptr;
    if (!dataSet || !dataSet->Active())
        return;
    const vcl::TField* id = dataSet->FindField("GroupID");
    const vcl::TField* fullName = dataSet->FindField("FullName");
    if (!id || !fullName)
        return;
    for (int row = 0; row < dataSet->RecordCount(); ++row)
        dataSet->ReadRecord(row,
            [&] { list->addItem(QString::fromStdString(fullName->AsString()), id->AsInteger()); });
    list->setCurrentIndex(-1);
}

void TSecurityNewGroupFrm::SetData(const TNewGroupData& data)
{
    GroupName->setText(QString::fromStdString(data.Name));
    FullName->setText(QString::fromStdString(data.FullName));
    Description->setPlainText(QString::fromStdString(data.Description));
    const std::array<QCheckBox*, 4> rights = { DefView, DefInsert, DefModify, DefDelete };
    for (size_t i = 0; i < rights.size(); ++i)
        rights[i]->setCheckState(StateOf(data.Rights[i]));
    BaseSameAs->setChecked(data.RightsFromGroup.has_value());
    BaseDefault->setChecked(!data.RightsFromGroup);
    BaseGroup->setCurrentIndex(
        data.RightsFromGroup ? BaseGroup->findData(*data.RightsFromGroup) : -1);
    ParamSameAs->setChecked(data.ParamsFromGroup.has_value());
    ParamDefault->setChecked(!data.ParamsFromGroup);
    ParamGroup->setCurrentIndex(
        data.ParamsFromGroup ? ParamGroup->findData(*data.ParamsFromGroup) : -1);
    options_ = data.Options;
}

std::optional<int> TSecurityNewGroupFrm::ChosenGroup(
    const QRadioButton* sameAs, const QComboBox* list)
{
    if (!sameAs->isChecked() || list->currentIndex() < 0)
        return std::nullopt;
    return list->currentData().toInt();
}

TNewGroupData TSecurityNewGroupFrm::Data() const
{
    TNewGroupData data;
    data.Name = Utf8(GroupName);
    data.FullName = Utf8(FullName);
    data.Description = Utf8(Description);
    const std::array<const QCheckBox*, 4> rights = { DefView, DefInsert, DefModify, DefDelete };
    for (size_t i = 0; i < rights.size(); ++i)
        data.Rights[i] = RightOf(rights[i]->checkState());
    data.RightsFromGroup = ChosenGroup(BaseSameAs, BaseGroup);
    data.ParamsFromGroup = ChosenGroup(ParamSameAs, ParamGroup);
    data.Options = options_;
    return data;
}

void TSecurityNewGroupFrm::accept()
{
    if (!CheckNames(this, GroupName, FullName)
        || !CheckTextLimits(this,
            { { GroupName, kNameBytes }, { FullName, kFullNameBytes },
                { Description, kDescriptionBytes } }))
        return;
    for (auto [sameAs, list] :
        { std::pair { BaseSameAs, BaseGroup }, { ParamSameAs, ParamGroup } }) {
        if (sameAs->isChecked() && list->currentIndex() < 0) {
            ShowSecMessage(this, sSelectBaseGroup, sCaptionInformation, vcl::MB_ICONEXCLAMATION);
            list->setFocus();
            return;
        }
    }
    options_ = ClampToAdministrator(options_, EffectiveOptionsOf(logged_.User));
    vcl::TForm::accept();
}

} // namespace Security
