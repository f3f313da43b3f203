#include "fieldmemo.h"

#include "securitysmpdlgbasefrm.h"

#include <wardlock/data/fields.h>
#include <wardlock/keeper/strings.h>

#include <QEvent>
#include <QPlainTextEdit>

namespace Security {

TFieldMemo::TFieldMemo(QPlainTextEdit* edit, vcl::TDataSource* source, std::string fieldName)
    : QObject(edit)
    , edit_(edit)
    , fieldName_(std::move(fieldName))
{
    edit_->installEventFilter(this);
    SetDataSource(source);
    Reload();
}

TFieldMemo::~TFieldMemo()
{
    SetDataSource(nullptr);
}

vcl::TField* TFieldMemo::Field() const
{
    vcl::TDataSet* dataSet = DataSet();
    if (!dataSet || !dataSet->Active())
        return nullptr;
    return dataSet->FindField(fieldName_);
}

void TFieldMemo::Reload()
{
    const vcl::TField* field = Field();
    const QString text
        = field && !DataSet()->IsEmpty() ? QString::fromStdString(field->AsString()) : QString();
    if (edit_->toPlainText() == text)
        return;
    loading_ = true;
    edit_->setPlainText(text);
    loading_ = false;
}

void TFieldMemo::DataEvent(vcl::TDataEvent event, vcl::TField* field)
{
    switch (event) {
    case vcl::deFieldChange:
        if (field && field == Field())
            Reload();
        break;
    case vcl::deRecordChange:
    case vcl::deDataSetChange:
    case vcl::deDataSetScroll:
        Reload();
        break;
    default:
        break;
    }
}

bool TFieldMemo::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edit_ && event->type() == QEvent::FocusOut && !edit_->isReadOnly())
        WriteBack();
    return QObject::eventFilter(watched, event);
}

void TFieldMemo::WriteBack()
{
    vcl::TField* field = Field();
    if (!field || DataSet()->IsEmpty())
        return;
    const std::string text = edit_->toPlainText().toStdString();
    if (field->AsString() == text)
        return;
    vcl::TDataSet* dataSet = DataSet();
    try {
        if (dataSet->State() != vcl::dsEdit && dataSet->State() != vcl::dsInsert)
            dataSet->Edit();
        field->SetAsString(text);
        dataSet->Post();
    } catch (const std::exception& error) {
        if (dataSet->State() == vcl::dsEdit)
            dataSet->Cancel();
        ShowCommandFailure(edit_->window(), sUpdateFailed, error.what());
        Reload();
    }
}

} // namespace Security
