#pragma once
// What the parameter editor contexts and the parameter commands need of the
// administration base form that owns them: its data module, the security it
// administers, the host window and the password decoder the application
// handed to the dialog. The simple dialog's base form is a TSecParamEdHost,
// the full dialog's base form (and the hidden form behind ModifyStart) a
// TSecParamEdFullHost.

#include <wardlock/types.h>

namespace Security {

class TSecurity;
class TSecDModSmpDlgBaseFrm;
class TSecDModDlgBaseFrm;

// The owner of a simple parameter editor context.
class TSecParamEdHost {
public:
    virtual ~TSecParamEdHost();

    // The data module the editors read and write through (simple or full).
    virtual TSecDModSmpDlgBaseFrm* SmpDataModule() const = 0;
    // The security being administered.
    virtual TSecurity* Security() const = 0;
    // The host application's window handle: parents the plug-ins' dialogs.
    virtual void* Window() const = 0;
    // What the application passed to ShowDlg or ShowSmpDlg (may be null);
    // the "Database" editor stores database passwords through it.
    virtual SecDlgDecoder PasswdDecoder() const = 0;
};

// The owner of a full parameter editor context: it holds a full data module.
class TSecParamEdFullHost : public TSecParamEdHost {
public:
    ~TSecParamEdFullHost() override;

    // The full data module (parameters, types and settings can be changed).
    virtual TSecDModDlgBaseFrm* DataModule() const = 0;
    // The full data module seen as a simple one.
    TSecDModSmpDlgBaseFrm* SmpDataModule() const final;
};

} // namespace Security
