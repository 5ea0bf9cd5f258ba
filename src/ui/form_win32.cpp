// The shared window base: creation from a design table at the window's DPI,
// fonts, pictures, and the window procedure that hands messages to the form.
#include "ui/form_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "ui/resources/resource_ids.h"
#include "ui/window_text_win32.h"

namespace rdc {
namespace {

constexpr wchar_t kFormClass[] = L"rdconnect.Form";

void RegisterFormClass(WNDPROC procedure) {
  static const ATOM atom = [procedure] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(IDI_APP));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    return RegisterClassExW(&wc);
  }();
  (void)atom;
}

}  // namespace

const wchar_t* ControlClass(ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit: return L"EDIT";
    case ControlKind::Label:
    case ControlKind::Picture: return L"STATIC";
    case ControlKind::ListView: return WC_LISTVIEWW;
    case ControlKind::TreeView: return WC_TREEVIEWW;
    case ControlKind::StatusBar: return STATUSCLASSNAMEW;
    case ControlKind::ComboBox: return WC_COMBOBOXW;
    default: return L"BUTTON";
  }
}

DWORD KindStyle(ControlKind kind) {
  const DWORD child = WS_CHILD | WS_VISIBLE;
  switch (kind) {
    case ControlKind::GroupBox: return child | BS_GROUPBOX;
    case ControlKind::Button: return child | WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE;
    case ControlKind::DefaultButton: return child | WS_TABSTOP | BS_DEFPUSHBUTTON | BS_MULTILINE;
    case ControlKind::CheckBox: return child | WS_TABSTOP | BS_AUTOCHECKBOX;
    case ControlKind::RadioButton: return child | WS_TABSTOP | BS_AUTORADIOBUTTON;
    case ControlKind::Edit: return child | WS_TABSTOP | ES_LEFT;
    case ControlKind::Label: return child;  // alignment comes from the table row
    case ControlKind::ListView: return child | WS_TABSTOP;
    case ControlKind::Picture: return child | SS_ICON | SS_CENTERIMAGE;
    case ControlKind::TreeView: return child | WS_TABSTOP | WS_BORDER;
    case ControlKind::StatusBar: return child;
    case ControlKind::ComboBox:
      return child | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
  }
  return child;
}

FormWindow* FormWindow::FromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  wchar_t name[32];
  if (!GetClassNameW(hwnd, name, 32) || lstrcmpW(name, kFormClass) != 0) return nullptr;
  return reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

FormWindow::~FormWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

HWND FormWindow::Create(const FormFrame& frame, std::span<const ControlSpec> controls,
                        std::vector<int> focusOrder, int defaultButton) {
  RegisterFormClass(&Procedure);
  controls_.assign(controls.begin(), controls.end());
  keyboard_ = FormKeyboard(std::move(focusOrder), defaultButton);

  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT around = work;
  if (frame.owner) GetWindowRect(frame.owner, &around);
  // Centred on its owner, but kept inside the work area.
  auto centred = [&work, &around, owned = frame.owner != nullptr](int outerWidth, int outerHeight) {
    RECT place{around.left + (around.right - around.left - outerWidth) / 2,
               around.top + (around.bottom - around.top - outerHeight) / 2, 0, 0};
    if (owned) {
      place.left = std::max(work.left, std::min(place.left, work.right - outerWidth));
      place.top = std::max(work.top, std::min(place.top, work.bottom - outerHeight));
    }
    return place;
  };
  RECT place = centred(frame.outerWidth, frame.outerHeight);
  HWND hwnd = CreateWindowExW(WS_EX_APPWINDOW, kFormClass, frame.title, frame.style, place.left,
                              place.top, frame.outerWidth, frame.outerHeight, frame.owner, nullptr,
                              GetModuleHandleW(nullptr), this);
  if (!hwnd) return nullptr;
  // Only a created window knows its monitor's DPI; away from 96 it takes its
  // scaled outer size, centred again.
  dpi_ = WindowDpi(hwnd);
  fonts_ = FormFonts(dpi_);
  if (dpi_ != kDesignDpi) {
    place = centred(Scale(frame.outerWidth), Scale(frame.outerHeight));
    SetWindowPos(hwnd, nullptr, place.left, place.top, Scale(frame.outerWidth),
                 Scale(frame.outerHeight), SWP_NOZORDER | SWP_NOACTIVATE);
  }

  for (const ControlSpec& row : controls_) {
    HWND child = CreateWindowExW(row.exStyle, ControlClass(row.kind), row.caption,
                                 KindStyle(row.kind) | row.style, Scale(row.x), Scale(row.y),
                                 Scale(row.width), Scale(row.height), hwnd,
                                 reinterpret_cast<HMENU>(INT_PTR{row.id}),
                                 GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.For(row.font)), FALSE);
  }
  OnCreated();
  ShowWindow(hwnd, SW_SHOWNORMAL);
  OnShown();
  UpdateWindow(hwnd);
  if (!GetFocus() || GetAncestor(GetFocus(), GA_ROOT) != hwnd) SetFocus(hwnd);
  return hwnd;
}

void FormWindow::MoveToDpi(int dpi, const RECT& suggested) {
  dpi_ = dpi;
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  // The controls keep the old fonts until they have the new ones.
  const FormFonts oldFonts = std::exchange(fonts_, FormFonts(dpi));
  for (const ControlSpec& row : controls_) {
    HWND child = control(row.id);
    SetWindowPos(child, nullptr, Scale(row.x), Scale(row.y), Scale(row.width), Scale(row.height),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.For(row.font)), TRUE);
  }
  for (IconPicture& picture : pictures_) LoadIconPicture(picture);
  OnDpiChanged();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void FormWindow::ShowIconPicture(int id, int icon, int designSize) {
  pictures_.push_back({id, icon, designSize, UniqueIcon()});
  LoadIconPicture(pictures_.back());
}

void FormWindow::LoadIconPicture(IconPicture& picture) {
  // Not LR_SHARED: a shared icon keeps the size it was first loaded at. The
  // icon resource holds the picture at 100%, 150% and 200%; other sizes are
  // scaled from the nearest.
  const int size = Scale(picture.designSize);
  UniqueIcon icon(static_cast<HICON>(LoadImageW(
      GetModuleHandleW(nullptr), MAKEINTRESOURCEW(picture.icon), IMAGE_ICON, size, size, 0)));
  SendMessageW(control(picture.id), STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
  picture.shown = std::move(icon);  // the box no longer shows the one this replaces
}

LRESULT CALLBACK FormWindow::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* created = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* form = static_cast<FormWindow*>(created->lpCreateParams);
    form->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  FormWindow* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  const LRESULT result = self->HandleMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
  }
  return result;
}

LRESULT FormWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_NOTIFY: return OnNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_CLOSE: OnCloseRequest(); return 0;
    case WM_DPICHANGED:
      // Moved to a monitor of another DPI (or its scaling changed): take the
      // rectangle Windows suggests, then lay out every control again.
      MoveToDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_ACTIVATE:
      // Remember the focused control when the window goes inactive; give it back later.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
      }
      break;
    case WM_WINDOWPOSCHANGING:
      // A modal form enables the other windows again before it hides, or the system
      // would hand the activation (and the keyboard) to another program instead.
      if (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_HIDEWINDOW) EnableOtherWindows();
      break;
    case WM_SETFOCUS: {
      if (lastFocus_ && IsWindow(lastFocus_) && IsWindowEnabled(lastFocus_)) {
        SetFocus(lastFocus_);
      } else {
        const std::vector<int> order = keyboard_.FocusableInOrder(hwnd_);
        if (!order.empty()) SetFocus(control(order.front()));
      }
      return 0;
    }
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void FormWindow::DisableOtherWindows() {
  struct Others {
    HWND form;
    std::vector<HWND> windows;
  } others{hwnd_, {}};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM lParam) -> BOOL {
        auto* others = reinterpret_cast<Others*>(lParam);
        if (hwnd != others->form && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd))
          others->windows.push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&others));
  disabledByModal_ = std::move(others.windows);
  for (HWND hwnd : disabledByModal_) EnableWindow(hwnd, FALSE);
}

void FormWindow::EnableOtherWindows() {
  for (HWND hwnd : disabledByModal_) EnableWindow(hwnd, TRUE);
  disabledByModal_.clear();
}

void FormWindow::SetText(int id, const wchar_t* text) {
  SetWindowTextW(control(id), text);
}

std::wstring FormWindow::Text(int id) const {
  return WindowText(control(id));
}

bool FormWindow::IsChecked(int id) const {
  return SendMessageW(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void FormWindow::SetChecked(int id, bool checked) {
  SendMessageW(control(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void FormWindow::SetEnabled(int id, bool enabled) {
  EnableWindow(control(id), enabled);
}

}  // namespace rdc
