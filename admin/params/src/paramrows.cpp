#include "paramrows.h"

#include <wardlock/data/dataset.h>
#include <wardlock/data/fields.h>
#include <wardlock/keeper/parameditor.h>
#include <wardlock/keeper/secdmodbase.h>

#include <QVariant>

namespace Security::ParamRows {

namespace {

bool IsContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::string CutBytes(const std::string& text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    std::size_t end = maxBytes;
    while (end > 0 && IsContinuation(text[end]))
        --end;
    return text.substr(0, end);
}

std::string CutText(const std::string& text, std::size_t maxChars)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsContinuation(text[i]))
            continue;
        if (chars == maxChars)
            return text.substr(0, i);
        ++chars;
    }
    return text;
}

tor::pswdsstr<16> SubName(const char* parent, const char* sub)
{
    std::string full = parent ? std::string(parent, strnlen(parent, kParamNameBytes)) : "";
    full += sub ? sub : "";
    return tor::pswdsstr<16>(CutBytes(full, kParamNameBytes).c_str());
}

TAllParams::TAllParams(TSecDModSmpDlgBaseFrm& module)
    : module_(module)
{
    module_.BeginPRTrans();
}

TAllParams::~TAllParams()
{
    module_.EndPRTrans();
}

int OtherParamNamed(TSecDModSmpDlgBaseFrm& module, const std::string& name, int exceptID)
{
    vcl::TDataSet* params = module.Current.Params;
    if (!params || !params->Active())
        return -1;
    const int current = params->IsEmpty() ? -1 : module.ParamID();
    int found = -1;
    vcl::TField* nameField = params->FieldByName("Name");
    vcl::TField* idField = params->FieldByName("ParamID");
    params->DisableControls();
    try {
        for (params->First(); !params->Eof() && found == -1; params->Next())
            if (nameField->AsString() == name && idField->AsInteger() != exceptID)
                found = idField->AsInteger();
    } catch (...) {
        params->EnableControls();
        throw;
    }
    if (current != -1)
        module.FindParam(current);
    params->EnableControls();
    return found;
}

std::optional<TParamTypeRecord> FindParamType(TSecDModSmpDlgBaseFrm& module, int typeID)
{
    vcl::TDataSource* source = module.Current.ParamTypesDS;
    vcl::TDataSet* types = source ? source->DataSet() : nullptr;
    if (!types || !types->Active())
        return std::nullopt;
    const std::vector<QVariant> key { typeID };
    const QVariant name = types->Lookup("ParamTypeID", key, "Name");
    if (name.isNull())
        return std::nullopt;
    auto text = [&](const char* column) {
        const QVariant value = types->Lookup("ParamTypeID", key, column);
        return value.isNull() ? std::string() : value.toString().toStdString();
    };
    TParamTypeRecord record;
    record.Name = name.toString().toStdString();
    record.DllName = text("DllName");
    record.FncNames[fncInsert] = text("InsFncName");
    record.FncNames[fncIterate] = text("ItrFncName");
    record.FncNames[fncRename] = text("RenFncName");
    record.FncNames[fncShow] = text("ShowFncName");
    record.FncNames[fncKey] = text("KeyFncName");
    // The key travels as one character per byte, like every encoded value.
    const QVariant key16 = types->Lookup("ParamTypeID", key, "FKey");
    record.Key = tor::pswdsstr<16>(key16.toString().toLatin1());
    return record;
}

} // namespace Security::ParamRows
