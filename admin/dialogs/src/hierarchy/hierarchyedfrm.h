#pragma once
// The group hierarchy editor ("Group Hierarchy Editor"): a modal window with
// the relation tools, the canvas of group boxes and the three pop-up menus.
// It writes nothing; after it closed with "Save and exit" (mrOk) the caller
// reads the changes from Model() and writes them through the data module.

#include "hierarchy/groupspace.h"
#include "hierarchy/hierarchyinput.h"

#include <wardlock/platform/form.h>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QToolButton;

namespace Ui {
class SecurityHierarchyEdFrm;
}

namespace Security {

// Shows the change-group dialog for `group`: true with the edited values when
// it ended with OK, false when it was cancelled.
using TChangeGroupDialog = std::function<bool(TGroupProperties& group)>;

class TSecurityHierarchyEdFrm : public vcl::TForm {
    Q_OBJECT

public:
    // Builds the diagram from `input` (see LoadHierarchy, which may throw).
    // Without `changeGroup`, "Edit" and "Add new group" stay disabled.
    TSecurityHierarchyEdFrm(
        vcl::TComponent* owner, const THierarchyEditorInput& input, TChangeGroupDialog changeGroup);
    ~TSecurityHierarchyEdFrm() override;

    // The diagram and, after "Save and exit", the changes to write.
    THierarchyModel& Model() const;

    // The controls (Qt object names are the same).
    TGroupSpace* GroupSpace = nullptr;
    QToolButton* SelectBtn = nullptr;
    QToolButton* NegativeToolBtn = nullptr;
    QToolButton* WeakToolBtn = nullptr;
    QToolButton* StrongToolBtn = nullptr;
    QToolButton* SaveBtn = nullptr;
    QToolButton* ExitBtn = nullptr;
    QLabel* ToolHint = nullptr;

    QAction* SelectAct = nullptr;
    QAction* NegativeToolAct = nullptr;
    QAction* WeakToolAct = nullptr;
    QAction* StrongToolAct = nullptr;
    QAction* RevertDirectionAct = nullptr;
    QAction* RemoveRelationAct = nullptr;
    QAction* ChangeToStrongAct = nullptr;
    QAction* ChangeToWeakAct = nullptr;
    QAction* ChangeToNegativeAct = nullptr;
    QAction* EditAct = nullptr;
    QAction* AddNewGroupAct = nullptr;
    QAction* RemoveGroupAct = nullptr;
    QAction* AddStrongRelationAct = nullptr;
    QAction* AddWeakRelationAct = nullptr;
    QAction* AddNegativeRelationAct = nullptr;
    QAction* SaveAndExitAct = nullptr;
    QAction* ExitWithoutSavingAct = nullptr;

    // The pop-up menus of a relation, of a box and of the empty canvas.
    QMenu* RelationMenu = nullptr;
    QMenu* GroupMenu = nullptr;
    QMenu* SpaceMenu = nullptr;
    // Lists the removed groups, to show one again.
    QMenu* RestoreGroupMenu = nullptr;

protected:
    // The first showing brings the administrator's own group into view.
    void showEvent(QShowEvent* event) override;
    // The window's close button: asks whether to apply (Yes closes as OK).
    void closeEvent(QCloseEvent* event) override;
    // Escape closes like the close button instead of discarding silently.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildMenus();
    void ConnectCommands();
    void UpdateActions();
    void UpdateTools();
    void FillRestoreMenu();
    void ChangeDiagram(); // repaint, resize the canvas, recompute the states

    void PressTool(THierarchyTool tool);
    void RetypeCurrent(TModGroupType type);
    void RevertCurrent();
    void EditCurrentGroup();
    void AddNewGroup(bool atMenuPoint);
    void AddRelationFromCurrent(TModGroupType type);
    void SaveAndExit();
    bool ConfirmGroupRemoval();
    void ExitWithoutSaving();
    void ShowMenu(TGroupSpaceMenu menu, QPoint globalPosition);

    std::unique_ptr<Ui::SecurityHierarchyEdFrm> ui_;
    TChangeGroupDialog changeGroup_;
    bool spaceMenuOpen_ = false; // a command runs from the canvas's menu
    bool shownBefore_ = false;
};

} // namespace Security
