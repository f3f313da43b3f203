#pragma once
// Running one entry point of a parameter's editor: the built-in types first
// ("Default", "Boolean" and "Integer" need no editor, "Database" is the
// module's own connection editor), otherwise the type's library, loaded for
// this one call from the known folders, checked for authenticity when the
// type names a key function, and called through a guarded copy of the
// context. The library is released right after the call.
//
// Failures throw: message 202 (the context cannot be filled from its
// parameter row), 203 (library not found or refused), 221 (not authentic),
// 204 (entry point missing, except iterate, which answers false), 227 (the
// plug-in wrote outside what it was given), 228 (it threw something that is
// not an exception). An exception of the plug-in itself is passed on.

#include <wardlock/keeper/parameditor.h>

namespace Security::ParamEditors {

// Insert (reason 3): the context describes the parameter just inserted.
bool RunInsert(const TSecSmpParamEd& context);
// Iterate, rename and edit are filled from the current parameter row first.
bool RunIterate(const TSecSmpParamEd& context);
bool RunRename(const TSecSmpParamEd& context);
// The new value (at most 16 bytes); `cancelled` true when the user cancelled.
tor::pswdsstr<16> RunEdit(const TSecSmpParamEd& context, bool& cancelled);

// Types that need no editor at all.
bool IsSimpleType(const char* typeName);

} // namespace Security::ParamEditors
