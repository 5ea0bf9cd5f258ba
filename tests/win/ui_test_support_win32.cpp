// Message pump, key presses, message-box recorder and control readers for the
// tests of the windows.
#include "ui_test_support_win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iomanip>

#include "ui/form_win32.h"
#include "ui/message_loop_win32.h"

namespace rdc::test {

void InitCommonControlsOnce() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES |
                                                    ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES};
    return InitCommonControlsEx(&controls) != FALSE;
  }();
  (void)done;
}

CtrlHeld::CtrlHeld() {
  GetKeyboardState(saved_);
  BYTE held[256];
  memcpy(held, saved_, sizeof held);
  held[VK_CONTROL] = 0x80;
  SetKeyboardState(held);
}

namespace {

MenuSeen g_menuSeen;
WPARAM g_menuKey = 0;

void CALLBACK WatchForMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND window = FindWindowW(L"#32768", nullptr);
  if (!window || !IsWindowVisible(window)) return;
  KillTimer(nullptr, timer);
  auto* menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
  g_menuSeen.shown = true;
  for (int i = 0; menu && i < GetMenuItemCount(menu); ++i) {
    wchar_t caption[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), caption, 64, MF_BYPOSITION);
    const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    const bool grey = (state & MF_GRAYED) && !(state & MF_SEPARATOR);
    g_menuSeen.items.push_back((grey ? L"~" : L"") + std::wstring(caption));
  }
  if (g_menuKey == VK_ESCAPE)
    EndMenu();
  else
    PostMessageW(window, WM_CHAR, g_menuKey, 0);
}

}  // namespace

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* locked = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = locked;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

void SetClipboardText(const wchar_t* text) {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  const std::size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  memcpy(GlobalLock(memory), text, bytes);
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
}

MenuSeen ContextMenuOf(HWND control, POINT screen, WPARAM key) {
  g_menuSeen = {};
  g_menuKey = key;
  const UINT_PTR timer = SetTimer(nullptr, 0, 10, WatchForMenu);
  SendMessageW(control, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control),
               MAKELPARAM(screen.x, screen.y));
  KillTimer(nullptr, timer);
  PumpMessages();
  return g_menuSeen;
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (TranslateFormKey(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

namespace {

struct ModalFormWatch {
  HWND owner = nullptr;
  HWND form = nullptr;
  std::function<void(HWND)> act;
  ULONGLONG deadline = 0;
};
ModalFormWatch g_watch;

BOOL CALLBACK FindNewForm(HWND hwnd, LPARAM) {
  if (hwnd == g_watch.owner || !IsWindowVisible(hwnd)) return TRUE;
  g_watch.form = hwnd;
  return FALSE;
}

void CALLBACK WatchForForm(HWND, UINT, UINT_PTR timer, DWORD) {
  if (!g_watch.form) {
    EnumThreadWindows(GetCurrentThreadId(), FindNewForm, 0);
    if (g_watch.form) {
      g_watch.act(g_watch.form);
      return;
    }
  }
  if (GetTickCount64() < g_watch.deadline) return;
  KillTimer(nullptr, timer);
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM) -> BOOL {
        if (hwnd != g_watch.owner && IsWindowVisible(hwnd)) DestroyWindow(hwnd);
        return TRUE;
      },
      0);
}

}  // namespace

bool WithModalForm(HWND owner, const std::function<void()>& open,
                   const std::function<void(HWND form)>& act) {
  g_watch = {owner, nullptr, act, GetTickCount64() + 5000};
  const UINT_PTR timer = SetTimer(nullptr, 0, 10, WatchForForm);
  open();
  KillTimer(nullptr, timer);
  PumpMessages();
  return g_watch.form != nullptr;
}

void PressKey(HWND target, UINT virtualKey) {
  const UINT scanCode = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  PostMessageW(target, WM_KEYDOWN, virtualKey, 1 | (static_cast<LPARAM>(scanCode) << 16));
  PumpMessages();
}

void TypeText(HWND target, const std::wstring& text) {
  for (wchar_t c : text) SendMessageW(target, WM_CHAR, c, 1);
}

std::wstring ClassName(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

LONG_PTR Style(HWND hwnd) {
  return GetWindowLongPtrW(hwnd, GWL_STYLE);
}
LONG_PTR ExStyle(HWND hwnd) {
  return GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
}

LOGFONTW FontOf(HWND hwnd) {
  LOGFONTW font{};
  auto handle = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
  if (handle) GetObjectW(handle, sizeof(font), &font);
  return font;
}

RECT RectIn(HWND top, HWND hwnd) {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

namespace {

std::wstring ExpectedClass(ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit: return L"edit";
    case ControlKind::Label:
    case ControlKind::Picture: return L"static";
    case ControlKind::ListView: return L"syslistview32";
    case ControlKind::ComboBox: return L"combobox";
    default: return L"button";
  }
}

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return towlower(c); });
  return text;
}

}  // namespace

int AtDpi(int designPixels, int dpi) {
  return (designPixels * dpi + 48) / 96;  // nearest pixel, halves up
}

void ExpectLiveControlsMatch(HWND top, std::span<const ControlSpec> design, int dpi) {
  int children = 0;
  for (HWND child = GetWindow(top, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    ++children;
  EXPECT_EQ(children, static_cast<int>(design.size())) << "controls that are not in the design";

  for (const ControlSpec& row : design) {
    SCOPED_TRACE(::testing::Message() << "control " << row.id);
    HWND child = GetDlgItem(top, row.id);
    ASSERT_NE(child, nullptr);
    const RECT rect = RectIn(top, child);
    EXPECT_EQ(rect.left, AtDpi(row.x, dpi));
    EXPECT_EQ(rect.top, AtDpi(row.y, dpi));
    EXPECT_EQ(rect.right - rect.left, AtDpi(row.width, dpi));
    // A closed combo box is as high as its font makes it; the table's height is
    // the dropped list's, which Wine measures without the edit box
    // (CB_GETDROPPEDCONTROLRECT) and comctl32 6 may shorten to the items.
    if (row.kind != ControlKind::ComboBox) {
      EXPECT_EQ(rect.bottom - rect.top, AtDpi(row.height, dpi));
    }
    EXPECT_EQ(Lower(ClassName(child)), ExpectedClass(row.kind));
    // A drop-down list's text is its chosen item, not a caption.
    if (row.kind != ControlKind::ComboBox) EXPECT_EQ(WindowText(child), row.caption);
    EXPECT_EQ(Style(child) & row.style, static_cast<LONG_PTR>(row.style));
    EXPECT_EQ(ExStyle(child) & row.exStyle, static_cast<LONG_PTR>(row.exStyle));
    EXPECT_TRUE(IsWindowVisible(child));
  }
}

void PrintTo(const ShownBox& box, std::ostream* out) {
  *out << "{text ";
  ::testing::internal::UniversalPrint(box.text, out);
  *out << ", caption ";
  ::testing::internal::UniversalPrint(box.caption, out);
  *out << ", type 0x" << std::hex << box.type << std::dec << "}";
}

int RecordingPrompt::Ask(const wchar_t* text, const wchar_t* caption, UINT type) {
  boxes_.push_back({text ? text : L"", caption ? caption : L"", type});
  if (answer_) return answer_(boxes_.back());
  switch (type & MB_TYPEMASK) {
    case MB_RETRYCANCEL: return IDCANCEL;
    case MB_YESNO: return IDNO;
    default: return IDOK;
  }
}

void PrintTo(const Command& command, std::ostream* out) {
  *out << "{id " << command.id << ", code " << command.code << "}";
}

CommandRecorder::CommandRecorder(HWND window) : window_(window) {
  SetWindowSubclass(window_, &Procedure, 1, reinterpret_cast<DWORD_PTR>(this));
}

CommandRecorder::~CommandRecorder() {
  // Fails harmlessly when the window is gone: its subclasses went with it.
  RemoveWindowSubclass(window_, &Procedure, 1);
}

LRESULT CALLBACK CommandRecorder::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR, DWORD_PTR self) {
  if (message == WM_COMMAND) {
    reinterpret_cast<CommandRecorder*>(self)->commands_.push_back({LOWORD(wParam), HIWORD(wParam)});
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace rdc::test
