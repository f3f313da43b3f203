// Preloaded into a program under test: answers each message box with its
// first button and writes "messagebox: <caption>: <text>" to standard error.

#include <wardlock/platform/dialogs.h>

#include <cstdio>

namespace {

int FirstButton(unsigned buttons)
{
    switch (buttons) {
    case vcl::MB_OKCANCEL:
        return vcl::IDOK;
    case vcl::MB_ABORTRETRYIGNORE:
        return vcl::IDABORT;
    case vcl::MB_YESNOCANCEL:
    case vcl::MB_YESNO:
        return vcl::IDYES;
    case vcl::MB_RETRYCANCEL:
        return vcl::IDCANCEL; // never retry: the program must come to an end
    default:
        return vcl::IDOK;
    }
}

const bool installed = [] {
    vcl::SetMessageBoxHook([](const vcl::MessageBoxRequest& request) {
        std::fprintf(stderr, "messagebox: %s: %s\n", request.caption.c_str(), request.text.c_str());
        return FirstButton(request.buttons);
    });
    return true;
}();

} // namespace
