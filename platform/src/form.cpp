#include "wardlock/platform/form.h"

#include "wardlock/platform/application.h"
#include "wardlock/platform/dialogs.h"

namespace vcl {

namespace {
QWidget* applicationWindowOf(const TComponent* owner)
{
    const TApplication* application = FindApplication(owner);
    return application ? application->Window() : nullptr;
}
} // namespace

TForm::TForm(TComponent* owner)
    : QDialog(applicationWindowOf(owner))
    , TComponent(owner)
{
}

// The TComponent part goes first (it is the later base): it destroys the
// owned components and leaves the owner's list; QDialog then leaves the Qt
// parent. Whichever side started the destruction, the other side forgets the
// form before memory is released.
TForm::~TForm() = default;

void TForm::FollowApplicationWindow()
{
    QWidget* window = applicationWindowOf(Owner());
    if (window != parentWidget())
        setParent(window, windowFlags());
}

int TForm::ShowModal()
{
    FollowApplicationWindow();
    modalResult_ = mrNone;
    modalResult_ = RunModal(*this);
    return modalResult_;
}

void TForm::SetModalResult(int result)
{
    modalResult_ = result;
    if (result == mrNone || !isVisible())
        return;
    if (result == mrOk)
        accept();
    else
        reject();
}

} // namespace vcl
