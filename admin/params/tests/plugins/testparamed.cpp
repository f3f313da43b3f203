// A parameter editor for the tests. Its key is kTestKey whatever it is given;
// TestEdWrongKey answers another. Its parameters keep three sub-parameters
// "A", "B" and "C". What it does besides is chosen by the parameter's default
// value:
//   "cancel"    edit: the user cancels
//   "fail3"     insert: refuses after the second sub-parameter
//   "garbage"   edit: returns 17 bytes without a terminator
//   "overrun"   edit: writes past the end of the full name it was given
//   "scribble"  edit: writes into the context it may only read
//   "farout"    edit: writes past the end of the context itself
//   "throw"     every entry point throws a std::runtime_error
//   "throwshow" edit throws a std::runtime_error
// Its sub-parameters are hidden, as a plug-in's should be.

#include <wardlock/keeper/parameditor.h>

#include <cstring>
#include <stdexcept>
#include <string>

using Security::TSecFncNamesRecord;
using Security::TSecParamEd;
using Security::TSecSmpParamEd;

namespace {

constexpr const char* kSubs[] = { "A", "B", "C" };

bool Is(const TSecSmpParamEd& editor, const char* behaviour)
{
    return editor.DefaultValue && std::strcmp(editor.DefaultValue, behaviour) == 0;
}

void MaybeThrow(const TSecSmpParamEd& editor, const char* also = "throw")
{
    if (Is(editor, "throw") || Is(editor, also))
        throw std::runtime_error("the test editor was asked to throw");
}

} // namespace

extern "C" {

tor::pswdsstr<16> TestEdKey(const tor::pswdsstr<16>&)
{
    return tor::pswdsstr<16>("TestEditorKey01!");
}

tor::pswdsstr<16> TestEdWrongKey(const tor::pswdsstr<16>&)
{
    return tor::pswdsstr<16>("NotTheRightKey!!");
}

tor::pswdsstr<16> TestEdShow(const TSecSmpParamEd& editor, bool& cancelled)
{
    MaybeThrow(editor, "throwshow");
    cancelled = Is(editor, "cancel");
    if (Is(editor, "garbage")) {
        char raw[17];
        std::memset(raw, 'G', sizeof raw);
        return tor::pswdsstr<16>::from_raw(raw);
    }
    if (Is(editor, "overrun"))
        std::memset(editor.FullName + std::strlen(editor.FullName) + 60, 'X', 8);
    if (Is(editor, "scribble"))
        std::memset(const_cast<char*>(editor.Name), 'S', sizeof editor.Name);
    if (Is(editor, "farout"))
        std::memset(
            reinterpret_cast<char*>(const_cast<TSecSmpParamEd*>(&editor)) + sizeof(TSecParamEd),
            'F', 16);
    const std::string current = static_cast<const char*>(editor.Data);
    return tor::pswdsstr<16>(("ed:" + current).c_str());
}

bool TestEdIns(const TSecParamEd& editor)
{
    MaybeThrow(editor);
    TSecParamEd hidden(editor);
    hidden.Hidden = true;
    for (int i = 0; i < 3; ++i) {
        if (i == 2 && Is(editor, "fail3"))
            return false;
        if (!hidden.InsSubParam(
                kSubs[i], (std::string(" - ") + kSubs[i]).c_str(), "test sub", "", "Default"))
            return false;
    }
    return true;
}

bool TestEdItr(const TSecParamEd& editor)
{
    MaybeThrow(editor);
    for (const char* sub : kSubs)
        if (!editor.Iterate(editor, editor.SubParamName(sub).c_str()))
            return false;
    return true;
}

bool TestEdRen(const TSecParamEd& editor)
{
    MaybeThrow(editor);
    for (const char* sub : kSubs)
        if (!editor.RenSubParam(sub, sub))
            return false;
    return true;
}

void TorSecurityGetFunctionNames(TSecFncNamesRecord* record, void*)
{
    std::strcpy(record->InsFncName, "TestEdIns");
    std::strcpy(record->RenFncName, "TestEdRen");
    std::strcpy(record->ShowFncName, "TestEdShow");
    std::strcpy(record->ItrFncName, "TestEdItr");
    // A name of 300 characters when the key slot asks for one.
    if (std::strncmp(record->Key, "long names", 10) == 0)
        std::memset(record->KeyFncName, 'K', sizeof record->KeyFncName);
    else
        std::strcpy(record->KeyFncName, "TestEdKey");
    const tor::pswdsstr<16> key = TestEdKey(tor::pswdsstr<16>());
    std::memcpy(record->Key, key.data(), 17);
}

} // extern "C"
