// The shared window base: creation from a design table at the window's DPI,
// fonts, pictures, keyboard rules.
#include "ui/form_win32.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/resources/resource_ids.h"

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

const wchar_t* ClassFor(ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit: return L"EDIT";
    case ControlKind::Label:
    case ControlKind::Picture: return L"STATIC";
    case ControlKind::ListView: return WC_LISTVIEWW;
    default: return L"BUTTON";
  }
}

FormWindow* FormOf(HWND hwnd) {
  if (!hwnd) return nullptr;
  wchar_t name[32];
  if (!GetClassNameW(hwnd, name, 32) || lstrcmpW(name, kFormClass) != 0) return nullptr;
  return reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

}  // namespace

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
  }
  return child;
}

FormWindow::~FormWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

HWND FormWindow::Create(const FormFrame& frame, std::span<const ControlSpec> controls,
                        std::vector<int> focusOrder, int defaultButton) {
  RegisterFormClass(&Procedure);
  controls_.assign(controls.begin(), controls.end());
  focusOrder_ = std::move(focusOrder);
  defaultButton_ = defaultButton;

  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  auto centred = [&work](int outerWidth, int outerHeight) {
    return RECT{work.left + (work.right - work.left - outerWidth) / 2,
                work.top + (work.bottom - work.top - outerHeight) / 2, 0, 0};
  };
  RECT place = centred(frame.outerWidth, frame.outerHeight);
  HWND hwnd = CreateWindowExW(WS_EX_APPWINDOW, kFormClass, frame.title, frame.style, place.left,
                              place.top, frame.outerWidth, frame.outerHeight, nullptr, nullptr,
                              GetModuleHandleW(nullptr), this);
  if (!hwnd) return nullptr;
  // Only a created window knows its monitor's DPI; away from 96 it takes its
  // scaled outer size, centred again.
  dpi_ = WindowDpi(hwnd);
  if (dpi_ != kDesignDpi) {
    place = centred(Scale(frame.outerWidth), Scale(frame.outerHeight));
    SetWindowPos(hwnd, nullptr, place.left, place.top, Scale(frame.outerWidth),
                 Scale(frame.outerHeight), SWP_NOZORDER | SWP_NOACTIVATE);
  }

  for (const ControlSpec& row : controls_) {
    HWND child = CreateWindowExW(
        row.exStyle, ClassFor(row.kind), row.caption, KindStyle(row.kind) | row.style, Scale(row.x),
        Scale(row.y), Scale(row.width), Scale(row.height), hwnd,
        reinterpret_cast<HMENU>(INT_PTR{row.id}), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(row.font)), FALSE);
  }
  OnCreated();
  ShowWindow(hwnd, SW_SHOWNORMAL);
  UpdateWindow(hwnd);
  if (!GetFocus() || GetAncestor(GetFocus(), GA_ROOT) != hwnd) SetFocus(hwnd);
  return hwnd;
}

HFONT FormWindow::FontFor(ControlFont font) {
  HFONT guiFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  // The stock font is made for the system's DPI; a window at another DPI gets a copy
  // of it with its height scaled.
  const int systemDpi = SystemDpi();
  if (font == ControlFont::Default && dpi_ == systemDpi) return guiFont;
  for (auto& [kind, handle] : fonts_)
    if (kind == font) return handle.get();
  HFONT handle = nullptr;
  if (font == ControlFont::Default) {
    LOGFONTW scaled{};
    GetObjectW(guiFont, sizeof(scaled), &scaled);
    scaled.lfHeight = MulDiv(scaled.lfHeight, dpi_, systemDpi);
    handle = CreateFontIndirectW(&scaled);
  } else {
    const bool bold = font == ControlFont::SongBold12 || font == ControlFont::SongBold16;
    const int height = Scale(font == ControlFont::SongBold16 ? 16 : 12);
    const wchar_t* face = font == ControlFont::NSimSun12 ? L"新宋体" : L"宋体";
    handle = CreateFontW(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                         GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, face);
  }
  fonts_.emplace_back(font, UniqueFont(handle));
  return handle;
}

void FormWindow::MoveToDpi(int dpi, const RECT& suggested) {
  dpi_ = dpi;
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  // The controls keep the old fonts until they have the new ones.
  std::vector<std::pair<ControlFont, UniqueFont>> oldFonts = std::move(fonts_);
  fonts_.clear();
  for (const ControlSpec& row : controls_) {
    HWND child = control(row.id);
    SetWindowPos(child, nullptr, Scale(row.x), Scale(row.y), Scale(row.width), Scale(row.height),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(row.font)), TRUE);
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
      if (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_HIDEWINDOW)
        EnableWindowsDisabledByModal();
      break;
    case WM_SETFOCUS: {
      if (lastFocus_ && IsWindow(lastFocus_) && IsWindowEnabled(lastFocus_)) {
        SetFocus(lastFocus_);
      } else {
        const std::vector<int> order = FocusableInOrder();
        if (!order.empty()) SetFocus(control(order.front()));
      }
      return 0;
    }
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

std::vector<int> FormWindow::FocusableInOrder() const {
  std::vector<int> result;
  for (int id : focusOrder_) {
    HWND child = control(id);
    if (child && IsWindowVisible(child) && IsWindowEnabled(child)) result.push_back(id);
  }
  return result;
}

void FormWindow::MoveFocus(bool forward) {
  const std::vector<int> order = FocusableInOrder();
  if (order.empty()) return;
  HWND focus = GetFocus();
  const auto current = std::find(order.begin(), order.end(), GetDlgCtrlID(focus));
  const bool focusInside = focus && IsChild(hwnd_, focus) && current != order.end();
  const std::size_t count = order.size();
  std::size_t index = focusInside ? static_cast<std::size_t>(current - order.begin()) : 0;
  if (focusInside) index = forward ? (index + 1) % count : (index + count - 1) % count;
  SetFocus(control(order[index]));
}

bool FormWindow::FocusedControlTakesEnter() const {
  HWND focus = GetFocus();
  if (!focus || !IsChild(hwnd_, focus)) return false;
  wchar_t name[16];
  GetClassNameW(focus, name, 16);
  if (lstrcmpiW(name, L"EDIT") != 0) return false;
  const LONG style = GetWindowLongW(focus, GWL_STYLE);
  return (style & ES_MULTILINE) && !(style & ES_READONLY);
}

bool FormWindow::TranslateKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN) return false;
  switch (msg.wParam) {
    case VK_ESCAPE: PostMessageW(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0); return true;
    case VK_TAB:
      // Tab goes forward through the focus order, Shift+Tab back; Ctrl and Alt are not ours.
      if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
      MoveFocus(GetKeyState(VK_SHIFT) >= 0);
      return true;
    case VK_RETURN: {
      if (FocusedControlTakesEnter()) return false;
      HWND button = defaultButton_ ? control(defaultButton_) : nullptr;
      if (button && IsWindowVisible(button) && IsWindowEnabled(button))
        PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(defaultButton_, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
      return true;
    }
  }
  return false;
}

void FormWindow::EnableWindowsDisabledByModal() {
  for (HWND hwnd : disabledByModal_) EnableWindow(hwnd, TRUE);
  disabledByModal_.clear();
}

void FormWindow::SetText(int id, const wchar_t* text) {
  SetWindowTextW(control(id), text);
}

std::wstring FormWindow::Text(int id) const {
  HWND child = control(id);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(child)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(child, text.data(), static_cast<int>(text.size()))));
  return text;
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

bool TranslateFormKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN) return false;
  FormWindow* form = FormOf(GetAncestor(msg.hwnd, GA_ROOT));
  return form && form->TranslateKey(msg);
}

void RunModal(FormWindow& form) {
  HWND dialog = form.hwnd();
  if (!dialog) return;
  // Disable the program's other top-level windows while the dialog is open.
  struct Others {
    HWND dialog;
    std::vector<HWND> windows;
  } others{dialog, {}};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM lParam) -> BOOL {
        auto* others = reinterpret_cast<Others*>(lParam);
        if (hwnd != others->dialog && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd))
          others->windows.push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&others));
  form.disabledByModal_ = std::move(others.windows);
  for (HWND hwnd : form.disabledByModal_) EnableWindow(hwnd, FALSE);
  bool quit = false;
  MSG msg;
  while (IsWindow(dialog)) {
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      quit = true;
      break;
    }
    if (TranslateFormKey(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  form.EnableWindowsDisabledByModal();  // already done when the form hid itself
  if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
}

}  // namespace rdc
