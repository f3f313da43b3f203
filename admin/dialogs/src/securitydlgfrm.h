#pragma once
// TSecurityDlgFrm ("Security Administrator"): the full administration
// dialog. Users and groups, forms and their rights, parameters and the
// logged user's own data on up to five tabs, chosen by the logged user's
// administration mask (users and groups) and design mask (forms and
// parameters). Every read and write goes through the full data module; edits
// are cached until "Apply" or "OK", and closing with unapplied edits asks
// first. Window sizes, splitters and column widths are kept per user.

#include "securitydlgbasefrm.h"
#include "ui_securitydlgfrm.h"

#include <wardlock/keeper/tordbgrid.h>

#include <memory>
#include <vector>

class QMenu;

namespace vcl {
class TDataSourceModel;
}

namespace Security {

class TFieldMemo;

class TSecurityDlgFrm : public TSecurityDlgBaseFrm, public Ui::TSecurityDlgFrm {
    Q_OBJECT

public:
    // Throws message 2 when the data module cannot be obtained.
    TSecurityDlgFrm(vcl::TComponent* owner, TSecurity* security);
    ~TSecurityDlgFrm() override;

    // The tab index of each page (-2 when the tab is absent).
    struct TTabPositions {
        int Users = -2;
        int Groups = -2;
        int Rights = -2;
        int Params = -2;
        int Info = -2;
    };
    const TTabPositions& TabPositions() const noexcept { return tabs_; }
    // The tab shown now: one of the positions above.
    int CurrentTab() const;

    // --- the commands (also reachable through the buttons and grids) ---
    void NewUser();
    void ChangeUserCmd();
    void RemoveUser();
    void NewGroup();
    void ChangeGroupCmd();
    void RemoveGroup();
    void Hierarchy();
    void ResetRights();
    void ResetParams();
    void NewRight();
    void DeleteRight();
    void DeleteParamCmd();
    void ChangePassword();
    void Help();
    // The help page and anchor "Help" opens on the tab shown now.
    QUrl HelpUrl() const;
    // Moves the selected user into the group `groupID` (the groups list box).
    void MoveUserToGroup(int groupID);
    void SetShowHidden(bool shown);

public slots:
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildTabs();
    void BindGrids();
    void BindHooks();
    void ApplyStaticStates();
    void TabChanged(int index);
    void ShowUsersOrGroups(bool groups);
    void UpdateCommandStates();
    void UpdateValueColumn();
    void FillGroupsList();
    void SelectUsersGroup();
    void GroupsListActivated();
    void ValidateUserGroup();
    void ShowLoggedUser();
    bool MayModify() const;
    bool MayDelete() const;
    bool SelectedUserIsLogged() const;
    bool ParamModifiable() const;
    tor::TCellColors SubjectColors(bool modifiable, bool selected) const;
    tor::TCellColors ParamValueColors(bool selected) const;
    void LoadLayout();
    TDialogLayout::TGridSections GridSections() const override;
    void SaveWindowLayout() override;
    void RestorePaneSizes();

    TTabPositions tabs_;
    int shownTab_ = -1;
    QUrl helpTarget_;
    std::vector<TFieldMemo*> memos_;
    // The groups as the list box lists them (read without moving the dataset).
    vcl::TDataSourceModel* groupsModel_ = nullptr;
    bool closing_ = false;
    bool fillingGroups_ = false;
    bool paneSizesRestored_ = false;
};

} // namespace Security
