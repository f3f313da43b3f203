#pragma once
// A form: a dialog window that is also a component. Its owner destroys it, and
// so may `delete` or its Qt parent; either way it leaves its owner's list and
// its parent's children, so nothing is freed twice.

#include "wardlock/platform/component.h"

#include <QDialog>

namespace vcl {

// A modal dialog window that is also a component (see the file comment).
class TForm : public QDialog, public TComponent {
    Q_OBJECT

public:
    // The window parent is the application window of the module whose
    // application object owns `owner` (directly or further up), or none.
    explicit TForm(TComponent* owner);
    ~TForm() override;

    // Runs the form modally through RunModal: mrOk (1) when it was accepted,
    // else mrCancel (2). The window parent follows the application window as
    // it is when the run starts.
    int ShowModal();

    // The outcome of the last run (mrNone before one). Setting mrOk while the
    // form is shown accepts it, any other non-zero value rejects it.
    int ModalResult() const noexcept { return modalResult_; }
    void SetModalResult(int result);

private:
    void FollowApplicationWindow();

    int modalResult_ = 0;
};

} // namespace vcl
