#pragma once
// The application object of one shared library module. Every module (the core,
// the administration module, each provider and plug-in) has its own; the host
// program hands it its main window so that the module's dialogs and message
// boxes are owned by that window.

#include "wardlock/platform/component.h"

#include <QPointer>
#include <QWidget>

#include <exception>
#include <string>

namespace vcl {

// A window handle is a QWidget* passed as void*. Convert through these two so
// that the pointer is always the QWidget subobject, also for classes that
// inherit QWidget beside another base.
inline void* WindowHandle(QWidget* window) noexcept
{
    return static_cast<void*>(window);
}
inline QWidget* WindowFromHandle(void* handle) noexcept
{
    return static_cast<QWidget*>(handle);
}

// Owns the module's long-lived components (they die with it).
class TApplication : public TComponent {
public:
    TApplication() = default;
    ~TApplication() override = default;

    // The host window as a handle; null when none was given or the window has
    // been destroyed since (it is tracked, so a dead window is never used).
    void* Handle() const noexcept { return WindowHandle(window_.data()); }
    void SetHandle(void* handle) { window_ = WindowFromHandle(handle); }

    // The parent for the module's dialogs and message boxes (may be null).
    QWidget* Window() const noexcept { return window_.data(); }

    // The caption of the module's message boxes.
    const std::string& Title() const noexcept { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }

    // The standard display of an exception nobody handled: a message box with
    // the exception's text, the application title as caption, an OK button and
    // the stop icon, owned by the host window.
    void ShowException(const std::exception& error) const;

private:
    QPointer<QWidget> window_;
    std::string title_;
};

// The first application object found walking up the owner chain of
// `component` (itself included); null when the chain has none.
TApplication* FindApplication(const TComponent* component) noexcept;

} // namespace vcl

// Defines the module's own application object behind an accessor function:
// write `WARDLOCK_MODULE_APPLICATION(Application)` once in a header private to
// the module (inside the module's namespace), then call `Application()`.
// The accessor is hidden from the dynamic linker: otherwise a second module
// defining the same name would be bound to the first module's object.
#define WARDLOCK_MODULE_APPLICATION(accessor)                                                      \
    __attribute__((visibility("hidden"))) inline ::vcl::TApplication& accessor()                   \
    {                                                                                              \
        static ::vcl::TApplication application;                                                    \
        return application;                                                                        \
    }
