#pragma once
// The "Parameter types" dialog: the parameter types of the full data module
// in a grid, and for the current type its library and the names of its five
// entry points. Choosing a library (or leaving its edit with another name)
// offers autodetection of the names and the key. The dialog edits the cached
// rows only; its caller applies them on OK and discards them otherwise.

#include "ui_securityparamtypesfrm.h"

#include <wardlock/platform/form.h>
#include <wardlock/types.h>

#include <string>
#include <vector>

namespace vcl {
class TDataSet;
}

namespace Security {

class TSecDModSmpDlgBaseFrm;

class TSecurityParamTypesFrm : public vcl::TForm, public Ui::TSecurityParamTypesFrm {
    Q_OBJECT

public:
    // On the module's parameter types, positioned on the first one. The
    // design rights limit the dialog: without srDelete no row is deleted,
    // without srInsert none is added, without srModify nothing is edited.
    // `window` parents the boxes and the plug-ins' autodetection.
    TSecurityParamTypesFrm(vcl::TComponent* owner, TSecDModSmpDlgBaseFrm& module,
        SecRightsMask designRights, void* window);
    ~TSecurityParamTypesFrm() override;

    // The file dialog "Select library" ("&..."): the file chosen, or empty.
    std::string SelectLibrary();

public slots:
    // Stores what the edits still hold and ends the row's edit; stays open
    // when a text is too long or the row is refused.
    void accept() override;

private:
    struct TBoundEdit {
        QLineEdit* edit;
        const char* field;
    };

    vcl::TDataSet& Types() const;
    // There is a row and the design rights allow changing it.
    bool CanModifyRows() const;
    void ShowRow();
    // Writes the edit's text to its field when it differs. False (message
    // 106, the field unchanged) when the text is longer than the column.
    bool StoreEdit(const TBoundEdit& bound);
    bool StoreAllEdits();
    void LibraryEditLeft();
    void LibraryButtonClicked();
    void Autodetect();
    bool PostRow();

    TSecDModSmpDlgBaseFrm& module_;
    SecRightsMask designRights_;
    void* window_;
    std::vector<TBoundEdit> edits_;
    bool refusing_ = false;
};

} // namespace Security
