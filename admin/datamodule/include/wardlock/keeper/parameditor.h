#pragma once
// The editor context handed to parameter editor plug-ins: its fields in the
// order plug-ins read them, the function kinds a parameter type names, and
// the constants its key fields are combined with. The data module fills the
// parameter's part of it (FillEditorInt); the plug-in operations that forward
// to the data module belong to the administration dialogs.

#include <wardlock/rights.h>

#include <cstdint>

namespace Security {

// The entry points a parameter type names, by the index ParamTypeFncName takes.
enum TFncTypes : int {
    fncInsert = 0,
    fncIterate = 1,
    fncRename = 2,
    fncShow = 3,
    fncKey = 4,
};

// Each key field is the number combined by exclusive-or with its constant;
// plug-ins that read the keys use the same three.
inline constexpr std::uint32_t kParamKeyMask = 0x5A3C96E1u;
inline constexpr std::uint32_t kUserKeyMask = 0x2F81D4B7u;
inline constexpr std::uint32_t kParamTypeKeyMask = 0xC7E2195Du;

// The editor context (see the file comment): the administration module makes and owns it; a plug-in
// only borrows it for one call.
class TSecSmpParamEd {
public:
    // Why the plug-in is called.
    enum Reasons : int {
        rPlain = 0,
        rIterate = 1, // iterate with the callback
        rShow = 2, // edit or show the current parameter's value
        rInsert = 3,
        rRename = 4, // Name is the old name, Data the new one
    };
    // Called by a plug-in for each sub-parameter while iterating; false stops the iteration.
    using Callback = bool (*)(const TSecSmpParamEd& editor, const char* subParamFullName);

    // A context on `security` (its rights copy binds to it; null: unbound).
    explicit TSecSmpParamEd(TSecurity* security = nullptr)
        : Rights(security)
    {
    }

    // The reason of the call, the parameter's type and the parameter (-1 when none).
    int Reason = rPlain;
    int ParamTypeID = -1;
    int ParamID = -1;
    // ParamID, UserID, unused, ParamTypeID; each combined with its mask.
    std::int32_t Keys[4] = {};
    // The parameter's name (16 characters and a terminator).
    char Name[17] = {};
    // rShow: the value buffer; rRename: the new name (17 bytes); else caller data.
    void* Data = nullptr;
    // The parameter type's name, and the parameter's full name, default value and description
    // (texts the context points to) and flags.
    char TypeName[17] = {};
    char* FullName = nullptr;
    char* DefaultValue = nullptr;
    char* Description = nullptr;
    bool UserCanModify = false;
    bool Hidden = false;
    bool Protected = false;
    // The rIterate callback, the window that owns the plug-in's dialogs, a rights object bound to
    // the security, and whether the context frees its text buffers.
    Callback Iterate = nullptr;
    void* Window = nullptr;
    TSecRights Rights;
    bool OwnsBuffers = false;
    void* Owner = nullptr; // the administration base form
};

} // namespace Security
