#pragma once
// A drawn window as screen readers see it: an IAccessible for its client area with one simple
// child per control of the form (child id = 1 + the control's place in reading order), giving
// each its role, its name as shown, its value, its state and its place on the screen. The window
// answers WM_GETOBJECT with it and keeps it while it lives; when the window goes, the object is
// cut off from it and answers every further call with an error.

#include <windows.h>

#include <oleacc.h>

#include <optional>
#include <string>
#include <vector>

#include "app/form_keyboard.h"

namespace qvx::app::win32 {

// What the object reads from its window.
class AccessibleSource {
public:
    virtual HWND AccessibleWindow() const = 0;
    // The window's own name ("Quorvex", "设置", ...), UTF-8.
    virtual std::string AccessibleTitle() const = 0;
    virtual std::vector<AccessibleControl> AccessibleChildren() const = 0;
    // The control that has the keyboard focus, when the window (or its child) holds it.
    virtual std::optional<int> AccessibleFocus() const = 0;
    virtual double AccessibleScale() const = 0;
    // The control's default action, run later from the window's own messages.
    virtual void AccessibleDefaultAction(int id) = 0;

protected:
    ~AccessibleSource() = default;
};

// Role and state constants of a control, as MSAA names them.
LONG AccessibleRoleOf(AccessibleRole role);
LONG AccessibleStateOf(const AccessibleControl& control, bool focused);

class FormAccessible final : public IAccessible {
public:
    explicit FormAccessible(AccessibleSource& source) : source_(&source) {}
    FormAccessible(const FormAccessible&) = delete;
    FormAccessible& operator=(const FormAccessible&) = delete;

    // The window is going: every later call fails.
    void Disconnect() { source_ = nullptr; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch: not offered (screen readers call IAccessible directly).
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override;
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* text) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

private:
    ~FormAccessible() = default;
    // The child a VARIANT names: 0 for the window itself, else 1..count; -1 when invalid.
    long ChildOf(const VARIANT& child, std::size_t count) const;

    LONG references_ = 1;
    AccessibleSource* source_;
};

}  // namespace qvx::app::win32
