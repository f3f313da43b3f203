#include "securityparamtypesfrm.h"

#include "autodetect.h"
#include "dialogchecks.h"

#include <wardlock/data/dataset.h>
#include <wardlock/data/fields.h>
#include <wardlock/keeper/secdmodbase.h>
#include <wardlock/keeper/strings.h>
#include <wardlock/platform/dialogs.h>

#include <QFileDialog>
#include <QSignalBlocker>

#include <algorithm>
#include <exception>

namespace Security {

namespace {

// Library and entry-point names are columns of 255 characters.
constexpr int kEditorNameBytes = 255;

} // namespace

TSecurityParamTypesFrm::TSecurityParamTypesFrm(
    vcl::TComponent* owner, TSecDModSmpDlgBaseFrm& module, SecRightsMask designRights, void* window)
    : vcl::TForm(owner)
    , module_(module)
    , designRights_(designRights)
    , window_(window)
{
    setupUi(this);
    edits_ = { { DllName, "DllName" }, { InsFncName, "InsFncName" }, { ItrFncName, "ItrFncName" },
        { ShowFncName, "ShowFncName" }, { RenFncName, "RenFncName" },
        { KeyFncName, "KeyFncName" } };

    TypesGrid->SetColumns({ tor::TGridColumn("ParamTypeID", "No", true),
        tor::TGridColumn("Name", "Name"), tor::TGridColumn("FullName", "Full name"),
        tor::TGridColumn("DllName", "Dll library", false, tor::TColumnButtonStyle::Ellipsis) });
    TypesGrid->SetDataSource(module_.Current.ParamTypesDS);

    const bool canModify = designRights_ & srModify;
    TypesGrid->SetReadOnly(!canModify);
    for (const TBoundEdit& bound : edits_)
        bound.edit->setReadOnly(!canModify);
    LibraryBtn->setEnabled(canModify);

    connect(
        TypesGrid, &tor::TTorDBGrid::currentRecordChanged, this, &TSecurityParamTypesFrm::ShowRow);
    connect(TypesGrid, &tor::TTorDBGrid::insertRequested, this, [this] {
        if ((designRights_ & srInsert) && StoreAllEdits() && PostRow())
            Types().Append();
        ShowRow();
    });
    connect(TypesGrid, &tor::TTorDBGrid::deleteRequested, this, [this] {
        if ((designRights_ & srDelete) && !Types().IsEmpty())
            Types().Delete();
        ShowRow();
    });
    // The grid's own button only stores the file picked.
    connect(TypesGrid, &tor::TTorDBGrid::editButtonClicked, this, [this](vcl::TField* field) {
        const std::string file = SelectLibrary();
        if (!file.empty() && field && CanModifyRows()) {
            DllName->setText(QString::fromStdString(file));
            StoreEdit(edits_.front());
        }
    });
    for (std::size_t i = 1; i < edits_.size(); ++i)
        connect(
            edits_[i].edit, &QLineEdit::editingFinished, this, [this, i] { StoreEdit(edits_[i]); });
    connect(DllName, &QLineEdit::editingFinished, this, &TSecurityParamTypesFrm::LibraryEditLeft);
    connect(LibraryBtn, &QPushButton::clicked, this, &TSecurityParamTypesFrm::LibraryButtonClicked);
    connect(OKBtn, &QPushButton::clicked, this, &TSecurityParamTypesFrm::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &TSecurityParamTypesFrm::reject);

    if (Types().Active())
        Types().First();
    ShowRow();
    // At least as wide as the library button's right edge plus a margin.
    adjustSize();
    setMinimumWidth(
        std::max(minimumWidth(), LibraryBtn->mapTo(this, QPoint(LibraryBtn->width(), 0)).x() + 10));
}

TSecurityParamTypesFrm::~TSecurityParamTypesFrm() = default;

bool TSecurityParamTypesFrm::CanModifyRows() const
{
    return (designRights_ & srModify) && Types().Active() && !Types().IsEmpty();
}

vcl::TDataSet& TSecurityParamTypesFrm::Types() const
{
    return *module_.Current.ParamTypesDS->DataSet();
}

void TSecurityParamTypesFrm::ShowRow()
{
    const bool hasRow = Types().Active() && !Types().IsEmpty();
    for (const TBoundEdit& bound : edits_) {
        // Filling an edit is not the user's change.
        const QSignalBlocker blocker(bound.edit);
        bound.edit->setText(hasRow
                ? QString::fromStdString(Types().FieldByName(bound.field)->AsString())
                : QString());
        bound.edit->setEnabled(hasRow);
    }
    LibraryBtn->setEnabled(hasRow && (designRights_ & srModify));
}

bool TSecurityParamTypesFrm::StoreEdit(const TBoundEdit& bound)
{
    if (!CanModifyRows())
        return true;
    vcl::TField* field = Types().FieldByName(bound.field);
    const std::string text = Utf8(bound.edit);
    if (text == field->AsString())
        return true;
    // A refusal moves the focus back to its edit, which makes another edit
    // holding a refused text finish editing: that one waits for its turn
    // instead of refusing back, which would ping-pong the focus for ever.
    if (refusing_)
        return false;
    refusing_ = true;
    const bool fits = CheckTextLimits(this, { { bound.edit, kEditorNameBytes } });
    refusing_ = false;
    if (!fits)
        return false;
    try {
        if (Types().State() == vcl::dsBrowse)
            Types().Edit();
        field->SetAsString(text);
    } catch (const std::exception& error) {
        vcl::MessageBox(
            window_, error.what(), SecString(sCaptionError), vcl::MB_OK | vcl::MB_ICONERROR);
        ShowRow();
        return false;
    }
    return true;
}

bool TSecurityParamTypesFrm::StoreAllEdits()
{
    for (const TBoundEdit& bound : edits_)
        if (!StoreEdit(bound))
            return false;
    return true;
}

void TSecurityParamTypesFrm::LibraryEditLeft()
{
    const bool changed
        = CanModifyRows() && Utf8(DllName) != Types().FieldByName("DllName")->AsString();
    if (changed && StoreEdit(edits_.front()))
        Autodetect();
}

void TSecurityParamTypesFrm::LibraryButtonClicked()
{
    if (!CanModifyRows())
        return;
    const std::string file = SelectLibrary();
    if (file.empty() || file == Types().FieldByName("DllName")->AsString())
        return;
    const QString previous = DllName->text();
    DllName->setText(QString::fromStdString(file));
    if (StoreEdit(edits_.front()))
        Autodetect();
    else
        DllName->setText(previous);
}

void TSecurityParamTypesFrm::Autodetect()
{
    ParamEditors::AutodetectParamType(module_, window_);
    ShowRow();
}

std::string TSecurityParamTypesFrm::SelectLibrary()
{
    QFileDialog dialog(this, QStringLiteral("Select library"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({ QStringLiteral("Executables (*.dll *.so *.exe)"),
        QStringLiteral("Dynamic link libraries (*.dll *.so)"),
        QStringLiteral("Applications (*.exe)"), QStringLiteral("All files (*)") });
    if (vcl::RunModal(dialog) != vcl::mrOk || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst().toStdString();
}

bool TSecurityParamTypesFrm::PostRow()
{
    try {
        Types().CheckBrowseMode();
    } catch (const std::exception& error) {
        vcl::MessageBox(
            window_, error.what(), SecString(sCaptionError), vcl::MB_OK | vcl::MB_ICONERROR);
        return false;
    }
    return true;
}

void TSecurityParamTypesFrm::accept()
{
    if (Types().Active() && StoreAllEdits() && PostRow())
        vcl::TForm::accept();
}

} // namespace Security
