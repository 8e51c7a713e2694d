#include "app/win32/form_accessible.h"

#include "app/win32/picture_painter.h"
#include "base/win32/text.h"

namespace qvx::app::win32 {

namespace {

HRESULT Text(const std::string& utf8, BSTR* out) {
    if (out == nullptr)
        return E_INVALIDARG;
    const std::wstring wide = base::win32::Utf8ToWide(utf8);
    *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT NoText(BSTR* out) {
    if (out != nullptr)
        *out = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

void SetI4(VARIANT* v, long value) {
    VariantInit(v);
    v->vt = VT_I4;
    v->lVal = value;
}

// The default action of a control, named as Windows' own controls name theirs in Chinese.
const char* ActionOf(AccessibleRole role) {
    switch (role) {
        case AccessibleRole::PushButton:
            return "按下";
        case AccessibleRole::CheckButton:
            return "切换";
        case AccessibleRole::Link:
            return "跳转";
        default:
            return nullptr;
    }
}

}  // namespace

LONG AccessibleRoleOf(AccessibleRole role) {
    switch (role) {
        case AccessibleRole::PushButton:
            return ROLE_SYSTEM_PUSHBUTTON;
        case AccessibleRole::CheckButton:
            return ROLE_SYSTEM_CHECKBUTTON;
        case AccessibleRole::Slider:
            return ROLE_SYSTEM_SLIDER;
        case AccessibleRole::Link:
            return ROLE_SYSTEM_LINK;
        case AccessibleRole::StaticText:
            return ROLE_SYSTEM_STATICTEXT;
    }
    return ROLE_SYSTEM_CLIENT;
}

LONG AccessibleStateOf(const AccessibleControl& control, bool focused) {
    LONG state = 0;
    if (control.role == AccessibleRole::StaticText)
        state |= STATE_SYSTEM_READONLY;
    else
        state |= STATE_SYSTEM_FOCUSABLE;
    if (focused)
        state |= STATE_SYSTEM_FOCUSED;
    if (control.checked)
        state |= STATE_SYSTEM_CHECKED;
    if (control.selected)
        state |= STATE_SYSTEM_SELECTED;
    if (control.role == AccessibleRole::Link)
        state |= STATE_SYSTEM_LINKED;
    return state;
}

HRESULT FormAccessible::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr)
        return E_POINTER;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) ||
        riid == __uuidof(IAccessible)) {
        *out = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG FormAccessible::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG FormAccessible::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT FormAccessible::GetTypeInfoCount(UINT* count) {
    if (count == nullptr)
        return E_INVALIDARG;
    *count = 0;
    return S_OK;
}

HRESULT FormAccessible::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}

HRESULT FormAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

HRESULT FormAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                               UINT*) {
    return E_NOTIMPL;
}

long FormAccessible::ChildOf(const VARIANT& child, std::size_t count) const {
    if (child.vt != VT_I4 || child.lVal < 0 || static_cast<std::size_t>(child.lVal) > count)
        return -1;
    return child.lVal;
}

HRESULT FormAccessible::get_accParent(IDispatch** parent) {
    if (parent == nullptr)
        return E_INVALIDARG;
    *parent = nullptr;
    if (!source_)
        return RPC_E_DISCONNECTED;
    // The window's frame object, as the system makes it.
    return AccessibleObjectFromWindow(source_->AccessibleWindow(), static_cast<DWORD>(OBJID_WINDOW),
                                      __uuidof(IDispatch), reinterpret_cast<void**>(parent));
}

HRESULT FormAccessible::get_accChildCount(long* count) {
    if (count == nullptr)
        return E_INVALIDARG;
    if (!source_)
        return RPC_E_DISCONNECTED;
    *count = static_cast<long>(source_->AccessibleChildren().size());
    return S_OK;
}

HRESULT FormAccessible::get_accChild(VARIANT child, IDispatch** out) {
    if (out == nullptr)
        return E_INVALIDARG;
    *out = nullptr;
    if (!source_)
        return RPC_E_DISCONNECTED;
    // Every control is a simple element of this object.
    return ChildOf(child, source_->AccessibleChildren().size()) > 0 ? S_FALSE : E_INVALIDARG;
}

HRESULT FormAccessible::get_accName(VARIANT child, BSTR* name) {
    if (name == nullptr)
        return E_INVALIDARG;
    *name = nullptr;
    if (!source_)
        return RPC_E_DISCONNECTED;
    const std::vector<AccessibleControl> children = source_->AccessibleChildren();
    const long at = ChildOf(child, children.size());
    if (at < 0)
        return E_INVALIDARG;
    return Text(at == 0 ? source_->AccessibleTitle() : children[at - 1].name, name);
}

HRESULT FormAccessible::get_accValue(VARIANT child, BSTR* value) {
    if (value == nullptr)
        return E_INVALIDARG;
    *value = nullptr;
    if (!source_)
        return RPC_E_DISCONNECTED;
    const std::vector<AccessibleControl> children = source_->AccessibleChildren();
    const long at = ChildOf(child, children.size());
    if (at < 0)
        return E_INVALIDARG;
    if (at == 0 || children[at - 1].value.empty())
        return NoText(value);
    return Text(children[at - 1].value, value);
}

HRESULT FormAccessible::get_accDescription(VARIANT, BSTR* text) {
    return NoText(text);
}

HRESULT FormAccessible::get_accRole(VARIANT child, VARIANT* role) {
    if (role == nullptr)
        return E_INVALIDARG;
    VariantInit(role);
    if (!source_)
        return RPC_E_DISCONNECTED;
    const std::vector<AccessibleControl> children = source_->AccessibleChildren();
    const long at = ChildOf(child, children.size());
    if (at < 0)
        return E_INVALIDARG;
    SetI4(role, at == 0 ? ROLE_SYSTEM_CLIENT : AccessibleRoleOf(children[at - 1].role));
    return S_OK;
}

HRESULT FormAccessible::get_accState(VARIANT child, VARIANT* state) {
    if (state == nullptr)
        return E_INVALIDARG;
    VariantInit(state);
    if (!source_)
        return RPC_E_DISCONNECTED;
    const std::vector<AccessibleControl> children = source_->AccessibleChildren();
    const long at = ChildOf(child, children.size());
    if (at < 0)
        return E_INVALIDARG;
    const std::optional<int> focus = source_->AccessibleFocus();
    if (at == 0) {
        HWND window = source_->AccessibleWindow();
        LONG own = STATE_SYSTEM_FOCUSABLE;
        if (!IsWindowVisible(window))
            own |= STATE_SYSTEM_INVISIBLE;
        if (GetFocus() == window && !focus)
            own |= STATE_SYSTEM_FOCUSED;
        SetI4(state, own);
        return S_OK;
    }
    const AccessibleControl& control = children[at - 1];
    SetI4(state, AccessibleStateOf(control, focus == control.id));
    return S_OK;
}

HRESULT FormAccessible::get_accHelp(VARIANT, BSTR* text) {
    return NoText(text);
}

HRESULT FormAccessible::get_accHelpTopic(BSTR* file, VARIANT, long* topic) {
    if (topic != nullptr)
        *topic = 0;
    return NoText(file);
}

HRESULT FormAccessible::get_accKeyboardShortcut(VARIANT, BSTR* text) {
    return NoText(text);
}

HRESULT FormAccessible::get_accFocus(VARIANT* child) {
    if (child == nullptr)
        return E_INVALIDARG;
    VariantInit(child);
    if (!source_)
        return RPC_E_DISCONNECTED;
    const std::optional<int> focus = source_->AccessibleFocus();
    if (focus) {
        const std::vector<AccessibleControl> children = source_->AccessibleChildren();
        for (std::size_t i = 0; i < children.size(); ++i) {
            if (children[i].id == *focus) {
                SetI4(child, static_cast<long>(i + 1));
                return S_OK;
            }
        }
    }
    if (GetFocus() == source_->AccessibleWindow()) {
        SetI4(child, CHILDID_SELF);
        return S_OK;
    }
    return S_FALSE;  // VT_EMPTY: the focus is elsewhere
}

HRESULT FormAccessible::get_accSelection(VARIANT* children) {
    if (children != nullptr)
        VariantInit(children);
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT FormAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
    if (action == nullptr)
        return E_INVALIDARG;
    *action = nullptr;
    if (!source_)
        return RPC_E_DISCONNECTED;
    const std::vector<AccessibleControl> children = source_->AccessibleChildren();
    const long at = ChildOf(child, children.size());
    if (at < 0)
        return E_INVALIDARG;
    const char* name = at == 0 ? nullptr : ActionOf(children[at - 1].role);
    return name ? Text(name, action) : NoText(action);
}

HRESULT FormAccessible::accSelect(long, VARIANT) {
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT FormAccessible::accLocation(long* left, long* top, long* width, long* height,
                                    VARIANT child) {
    if (!left || !top || !width || !height)
        return E_INVALIDARG;
    *left = *top = *width = *height = 0;
    if (!source_)
        return RPC_E_DISCONNECTED;
    HWND window = source_->AccessibleWindow();
    const std::vector<AccessibleControl> children = source_->AccessibleChildren();
    const long at = ChildOf(child, children.size());
    if (at < 0)
        return E_INVALIDARG;
    RECT r;
    if (at == 0) {
        GetClientRect(window, &r);
    } else {
        const double scale = source_->AccessibleScale();
        const TwipRect& t = children[at - 1].rect;
        r = RECT{TwipsToPixels(t.left, scale), TwipsToPixels(t.top, scale),
                 TwipsToPixels(t.left + t.width, scale), TwipsToPixels(t.top + t.height, scale)};
    }
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    *left = r.left;
    *top = r.top;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
}

HRESULT FormAccessible::accNavigate(long direction, VARIANT start, VARIANT* end) {
    if (end == nullptr)
        return E_INVALIDARG;
    VariantInit(end);
    if (!source_)
        return RPC_E_DISCONNECTED;
    const auto count = static_cast<long>(source_->AccessibleChildren().size());
    const long at = ChildOf(start, static_cast<std::size_t>(count));
    if (at < 0)
        return E_INVALIDARG;
    long to = 0;
    switch (direction) {
        case NAVDIR_FIRSTCHILD:
            to = at == 0 && count > 0 ? 1 : 0;
            break;
        case NAVDIR_LASTCHILD:
            to = at == 0 ? count : 0;
            break;
        case NAVDIR_NEXT:
            to = at > 0 && at < count ? at + 1 : 0;
            break;
        case NAVDIR_PREVIOUS:
            to = at > 1 ? at - 1 : 0;
            break;
        default:
            return DISP_E_MEMBERNOTFOUND;
    }
    if (to == 0)
        return S_FALSE;
    SetI4(end, to);
    return S_OK;
}

HRESULT FormAccessible::accHitTest(long x, long y, VARIANT* child) {
    if (child == nullptr)
        return E_INVALIDARG;
    VariantInit(child);
    if (!source_)
        return RPC_E_DISCONNECTED;
    HWND window = source_->AccessibleWindow();
    POINT p{x, y};
    RECT client;
    ScreenToClient(window, &p);
    GetClientRect(window, &client);
    if (!PtInRect(&client, p))
        return S_FALSE;
    const double scale = source_->AccessibleScale();
    const int tx = PixelsToTwips(p.x, scale), ty = PixelsToTwips(p.y, scale);
    const std::vector<AccessibleControl> children = source_->AccessibleChildren();
    long found = CHILDID_SELF;
    for (std::size_t i = 0; i < children.size(); ++i) {
        const TwipRect& r = children[i].rect;
        if (tx >= r.left && tx < r.left + r.width && ty >= r.top && ty < r.top + r.height)
            found = static_cast<long>(i + 1);
    }
    SetI4(child, found);
    return S_OK;
}

HRESULT FormAccessible::accDoDefaultAction(VARIANT child) {
    if (!source_)
        return RPC_E_DISCONNECTED;
    const std::vector<AccessibleControl> children = source_->AccessibleChildren();
    const long at = ChildOf(child, children.size());
    if (at <= 0)
        return at < 0 ? E_INVALIDARG : DISP_E_MEMBERNOTFOUND;
    if (!ActionOf(children[at - 1].role))
        return DISP_E_MEMBERNOTFOUND;
    source_->AccessibleDefaultAction(children[at - 1].id);
    return S_OK;
}

HRESULT FormAccessible::put_accName(VARIANT, BSTR) {
    return E_NOTIMPL;
}

HRESULT FormAccessible::put_accValue(VARIANT, BSTR) {
    return E_NOTIMPL;
}

}  // namespace qvx::app::win32
