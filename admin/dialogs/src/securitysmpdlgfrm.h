#pragma once
// TSecuritySmpDlgFrm ("Security"): the simple administration dialog. It shows
// the logged user alone, his rights on every form and his parameter values,
// and lets him change what his mask on the form "Security" and each
// parameter's own flag allow. Edits are cached until "&Apply" or "OK";
// "Cancel" drops them without a question. Window size, the split between the
// two grids and their column widths are kept per user.

#include "securitysmpdlgbasefrm.h"
#include "ui_securitysmpdlgfrm.h"

#include <wardlock/keeper/tordbgrid.h>

#include <QShowEvent>
#include <QUrl>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Security {

class TFieldMemo;

class TSecuritySmpDlgFrm : public TSecuritySmpDlgBaseFrm, public Ui::TSecuritySmpDlgFrm {
    Q_OBJECT

public:
    // Throws message 2 when the data module cannot be obtained.
    TSecuritySmpDlgFrm(vcl::TComponent* owner, TSecurity* security, int userID, int groupID);
    ~TSecuritySmpDlgFrm() override;

    // --- the commands (also reachable through the buttons and grids) ---
    void ResetRights();
    void ResetParams();
    void ChangePassword();
    void Help();

    // Whether the value of the current parameter can be edited now.
    bool ValueEditable() const;

public slots:
    // "OK": apply (asked) and close.
    void accept() override;
    // "Cancel", Escape, closing the window: close, dropping unapplied edits.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BindHooks();
    void BindGrids();
    void ApplyMaskStates();
    void ShowUser();
    void UpdateValueColumn();
    void UpdateRightsHint();
    tor::TCellColors ParamValueColors() const;
    TDialogLayout::TGridSections GridSections() const override;
    void LoadLayout();
    void SaveWindowLayout() override;

    QUrl helpTarget_;
    std::vector<TFieldMemo*> memos_;
    // The stored height of the parameters pane, set once the splitter has
    // its own height (at the first show); -1 when none is stored.
    int paramsPaneHeight_ = -1;
};

} // namespace Security
