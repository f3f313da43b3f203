#include "securitynewrightfrm.h"

#include "dialogchecks.h"

#include <array>
#include <utility>

namespace Security {

namespace {

SecRightsMask MaskOf(const std::array<std::pair<const QCheckBox*, SecRightsMask>, 4>& boxes)
{
    SecRightsMask mask = 0;
    for (const auto& [box, bit] : boxes)
        if (box->isChecked())
            mask |= bit;
    return mask;
}

} // namespace

TSecurityNewRightFrm::TSecurityNewRightFrm(vcl::TComponent* owner)
    : vcl::TForm(owner)
{
    setupUi(this);
    connect(OKBtn, &QPushButton::clicked, this, &TSecurityNewRightFrm::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &TSecurityNewRightFrm::reject);
}

TSecurityNewRightFrm::~TSecurityNewRightFrm() = default;

TNewRightData TSecurityNewRightFrm::Data() const
{
    TNewRightData data;
    data.Name = Utf8(FormName);
    data.FullName = Utf8(FullName);
    data.Description = Utf8(Description);
    data.Rights = MaskOf({ { { FView, srView }, { FInsert, srInsert }, { FModify, srModify },
        { FDelete, srDelete } } });
    data.Defaults = MaskOf({ { { DefView, srView }, { DefInsert, srInsert },
        { DefModify, srModify }, { DefDelete, srDelete } } });
    data.Hidden = Hidden->isChecked();
    return data;
}

void TSecurityNewRightFrm::accept()
{
    if (CheckNames(this, FormName, FullName)
        && CheckTextLimits(this,
            { { FormName, kNameBytes }, { FullName, kFullNameBytes },
                { Description, kDescriptionBytes } }))
        vcl::TForm::accept();
}

} // namespace Security
