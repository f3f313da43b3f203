#include "securitychangenamefrm.h"

#include "dialogchecks.h"
#include "securitychangepasswdfrm.h"

#include <string_view>

namespace Security {

TSecurityChangeNameFrm::TSecurityChangeNameFrm(vcl::TComponent* owner, TLoggedUser logged)
    : vcl::TForm(owner)
    , logged_(logged)
{
    setupUi(this);
    connect(PasswdOptionsBtn, &QPushButton::clicked, this,
        [this] { RunGroupOptions(this, logged_, options_); });
    connect(OKBtn, &QPushButton::clicked, this, &TSecurityChangeNameFrm::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &TSecurityChangeNameFrm::reject);
}

TSecurityChangeNameFrm::~TSecurityChangeNameFrm() = default;

void TSecurityChangeNameFrm::SetData(const TSecGroupInfo& group, const std::string& description)
{
    group_ = group;
    options_ = OptionsOf(group);
    GroupName->setText(QString::fromStdString(group.Name.str()));
    FullName->setText(QString::fromStdString(group.FullName));
    Description->setPlainText(QString::fromStdString(description));
}

TSecGroupInfo TSecurityChangeNameFrm::Data() const
{
    TSecGroupInfo group = group_;
    group.Name = tor::pswdsstr<16>(std::string_view(Utf8(GroupName)));
    group.FullName = Utf8(FullName);
    SetOptions(group, options_);
    return group;
}

std::string TSecurityChangeNameFrm::GroupDescription() const
{
    return Utf8(Description);
}

void TSecurityChangeNameFrm::accept()
{
    if (CheckNames(this, GroupName, FullName)
        && CheckTextLimits(this,
            { { GroupName, kNameBytes }, { FullName, kFullNameBytes },
                { Description, kDescriptionBytes } }))
        vcl::TForm::accept();
}

} // namespace Security
