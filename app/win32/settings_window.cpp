#include "app/win32/settings_window.h"

#include <commctrl.h>

#include "app/desktop_ports.h"
#include "app/win32/window_util.h"
#include "base/win32/fonts.h"
#include "base/win32/text.h"

namespace qvx::app::win32 {

SettingsWindow::SettingsWindow(SettingsForm& form, const PicturePainter& painter, base::Log& log,
                               std::function<void(const std::function<void()>&)> dispatch)
    : DrawnWindow(Frame{L"QuorvexSettings", WS_POPUP | WS_SYSMENU, WS_EX_LAYERED,
                        SettingsForm::kClientWidthTwips, SettingsForm::kClientHeightTwips,
                        /*keyBackground=*/false, /*smallIcon=*/true, "settings window"},
                  painter, log),
      form_(form),
      dispatch_(std::move(dispatch)) {}

namespace {

constexpr UINT_PTR kFirstFieldId = 200;
constexpr COLORREF kFieldText = RGB(234, 240, 247);
constexpr COLORREF kFieldBack = RGB(28, 38, 52);  // the field box's own fill

std::string EditText(HWND edit) {
    const int length = GetWindowTextLengthW(edit);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), length + 1)));
    return base::win32::WideToUtf8(text);
}

}  // namespace

SettingsWindow::~SettingsWindow() {
    if (font_)
        DeleteObject(font_);
    if (editBrush_)
        DeleteObject(editBrush_);
}

std::vector<const ImageControl*> SettingsWindow::Images() const {
    return form_.Images();
}

std::vector<const LabelControl*> SettingsWindow::Labels() const {
    return form_.Labels();
}

const ImageControl* SettingsWindow::ClickableAt(int twipX, int twipY) const {
    return form_.ClickableAt(twipX, twipY);
}

void SettingsWindow::Click(int twipX, int twipY) {
    dispatch_([this, twipX, twipY] { form_.ClickAt(twipX, twipY); });
}

bool SettingsWindow::Create() {
    if (!CreateFrame())
        return false;
    editBrush_ = CreateSolidBrush(kFieldBack);
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        edits_[i] =
            CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0,
                            0, 10, 10, Handle(), reinterpret_cast<HMENU>(kFirstFieldId + i),
                            GetModuleHandleW(nullptr), nullptr);
        if (!edits_[i])
            return false;
        SetWindowSubclass(edits_[i], EditProc, i, reinterpret_cast<DWORD_PTR>(this));
    }
    Relayout();
    SyncFields();
    return true;
}

void SettingsWindow::LayoutChildren(double scale) {
    if (!edits_[0])
        return;
    if (font_)
        DeleteObject(font_);
    // 10 points, as the labels beside the fields.
    font_ = CreateFontW(-MulDiv(10, static_cast<int>(96 * scale + 0.5), 72), 0, 0, 0, FW_NORMAL,
                        FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH,
                        base::win32::ChineseUiFace(L"Microsoft YaHei").c_str());
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        const TwipRect& r = form_.Fields[i].rect;
        SetWindowPos(edits_[i], nullptr, TwipsToPixels(r.left, scale), TwipsToPixels(r.top, scale),
                     TwipsToPixels(r.width, scale), TwipsToPixels(r.height, scale),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(edits_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    }
}

void SettingsWindow::SyncFields() {
    HWND focus = GetFocus();
    // A hotkey field that records needs the keys the window sees, not an edit control.
    if (form_.Recording()) {
        for (HWND edit : edits_) {
            if (edit && edit == focus) {
                SetFocus(Handle());
                focus = Handle();
            }
        }
    }
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        // The user's own text stays while it is being typed; once the form takes it back (a
        // place chosen, a value applied), the field shows the form's text even with the focus.
        if (!edits_[i] || (edits_[i] == focus && form_.Editing() == i))
            continue;
        if (EditText(edits_[i]) != form_.Fields[i].text) {
            settingText_ = true;
            SetWindowTextW(edits_[i], base::win32::Utf8ToWide(form_.Fields[i].text).c_str());
            settingText_ = false;
        }
    }
}

LRESULT CALLBACK SettingsWindow::EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR field, DWORD_PTR self) {
    auto* window = reinterpret_cast<SettingsWindow*>(self);
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
        window->dispatch_([window, field] { window->form_.FieldCommitted(field); });
        return 0;
    }
    if (message == WM_CHAR && (wParam == L'\r' || wParam == L'\n')) {
        return 0;  // no beep for the Enter that committed
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(edit, EditProc, field);
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

void SettingsWindow::Sync() {
    if (form_.Visible()) {
        if (!Handle() && !Create())
            return;
        RedrawChanged();
        SyncFields();
        if (!IsWindowVisible(Handle()) || form_.ShowCount() != shownCount_) {
            ShowWindow(Handle(), SW_SHOWNORMAL);
            SetForegroundWindow(Handle());
            SetFocus(Handle());
            shownCount_ = form_.ShowCount();
        }
    } else if (Handle() && IsWindowVisible(Handle())) {
        ShowWindow(Handle(), SW_HIDE);
    }
}

std::uint32_t SettingsWindow::ModifiersHeld() {
    auto down = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
    std::uint32_t modifiers = 0;
    if (down(VK_CONTROL))
        modifiers |= kModControl;
    if (down(VK_MENU))
        modifiers |= kModAlt;
    if (down(VK_SHIFT))
        modifiers |= kModShift;
    if (down(VK_LWIN) || down(VK_RWIN))
        modifiers |= kModWin;
    return modifiers;
}

bool SettingsWindow::Own(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {
            const auto key = static_cast<std::uint32_t>(wParam);
            const std::uint32_t modifiers = ModifiersHeld();
            const bool recording = form_.Recording().has_value();
            dispatch_([this, modifiers, key] { form_.KeyDown(modifiers, key); });
            // While a field records, Alt combinations are the user's, not the system menu's;
            // otherwise Alt+F4 and the like keep their system meaning.
            return recording || message == WM_KEYDOWN;
        }
        case WM_SYSCHAR:
            return form_.Recording().has_value();
        case WM_COMMAND: {
            const UINT_PTR id = LOWORD(wParam);
            if (id < kFirstFieldId || id >= kFirstFieldId + edits_.size())
                return false;
            const std::size_t field = id - kFirstFieldId;
            if (HIWORD(wParam) == EN_CHANGE && !settingText_) {
                std::string text = EditText(edits_[field]);
                dispatch_([this, field, text] { form_.FieldEdited(field, text); });
            } else if (HIWORD(wParam) == EN_KILLFOCUS && field != SettingsForm::kSearch) {
                // The search takes a place only by a click on it or Enter.
                dispatch_([this, field] { form_.FieldCommitted(field); });
            }
            return true;
        }
        case WM_CTLCOLOREDIT: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, kFieldText);
            SetBkColor(dc, kFieldBack);
            result = reinterpret_cast<LRESULT>(editBrush_);
            return true;
        }
        case WM_CLOSE:
            // Alt+F4 or the system's close: the form's close.
            dispatch_([this] { form_.CloseImage_Click(); });
            return true;
        default:
            return false;
    }
}

}  // namespace qvx::app::win32
