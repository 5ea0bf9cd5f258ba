// The base of the program's four windows: a fixed layout built from one table
// of control descriptions, scaled to the window's DPI with its fonts and
// pictures. The keyboard rules they share are in form_keyboard_win32.h, the
// message loop and the modal run in message_loop_win32.h.
#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <vector>

#include "os/owners_win32.h"
#include "ui/dpi_win32.h"
#include "ui/form_fonts_win32.h"
#include "ui/form_keyboard_win32.h"

namespace rdc {

enum class ControlKind {
  GroupBox,
  Button,
  DefaultButton,
  CheckBox,
  RadioButton,
  Edit,
  Label,
  ListView,
  Picture,
  TreeView,
  StatusBar,  // at the window's bottom edge, whatever its table row says
  ComboBox  // an edit with a drop-down list (CBS_DROPDOWN)
};

// One control of a window's design: client position and size in pixels at 96 DPI.
// A combo box's height is that of the box with its list dropped.
struct ControlSpec {
  int id;
  ControlKind kind;
  const wchar_t* caption;
  int x, y, width, height;
  DWORD style = 0;  // added to the kind's own styles
  DWORD exStyle = 0;
  ControlFont font = ControlFont::Default;
};

// The window styles and outer size (at 96 DPI) of a form.
struct FormFrame {
  const wchar_t* title;
  int outerWidth, outerHeight;
  DWORD style;
  // The window that owns the form (it is centred on it); none: centred on the screen.
  HWND owner = nullptr;
};

inline constexpr DWORD kDialogFrameStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

// A label of the designs: left-aligned, vertically centred, no word wrap.
inline constexpr DWORD kPlainLabel = SS_LEFTNOWORDWRAP | SS_CENTERIMAGE;

// The window class of a control of `kind`.
const wchar_t* ControlClass(ControlKind kind);
// Styles a control of `kind` gets besides those of its table row.
DWORD KindStyle(ControlKind kind);

class FormWindow {
 public:
  FormWindow() = default;
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;
  virtual ~FormWindow();

  // The form that `hwnd` is, or nullptr when it is no form of ours.
  static FormWindow* FromHandle(HWND hwnd);

  HWND hwnd() const { return hwnd_; }
  HWND control(int id) const { return GetDlgItem(hwnd_, id); }

  // Creates the window centred on the screen, builds its controls at the
  // window's DPI and shows it.
  HWND Create(const FormFrame& frame, std::span<const ControlSpec> controls,
              std::vector<int> focusOrder, int defaultButton);

  // Applies the keyboard rules to a message about to be dispatched; true when
  // it was handled and must not be dispatched.
  // A form with keys of its own handles them first.
  virtual bool TranslateKey(const MSG& msg) { return keyboard_.Translate(hwnd_, msg); }

  // For the modal run: the program's other windows take no input from the
  // first call until the second (or until this form hides itself).
  void DisableOtherWindows();
  void EnableOtherWindows();

  // The DPI the window is laid out for, and a design value (96 DPI) at it.
  int dpi() const { return dpi_; }
  int Scale(int designPixels) const { return ScaleToDpi(designPixels, dpi_); }

 protected:
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  virtual void OnCreated() {}
  // The window is shown and has not painted yet.
  virtual void OnShown() {}
  virtual void OnCommand(int /*id*/, int /*notification*/) {}
  virtual LRESULT OnNotify(NMHDR* /*header*/) { return 0; }
  // The close box, the system menu's Close and Esc all come here.
  virtual void OnCloseRequest() { DestroyWindow(hwnd_); }
  // The window has been laid out again for another DPI: a window scales here
  // what its design table does not hold (list-view columns, pictures).
  virtual void OnDpiChanged() {}

  // Shows the icon resource `icon` in the picture box `id`, drawn at
  // `designSize` pixels at 96 DPI and at the matching size at any other; it
  // follows the window to another DPI.
  void ShowIconPicture(int id, int icon, int designSize);

  void SetText(int id, const wchar_t* text);
  std::wstring Text(int id) const;
  bool IsChecked(int id) const;
  void SetChecked(int id, bool checked);
  void SetEnabled(int id, bool enabled);

 private:
  struct IconPicture {
    int id;
    int icon;
    int designSize;
    UniqueIcon shown;
  };

  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void MoveToDpi(int dpi, const RECT& suggested);
  void LoadIconPicture(IconPicture& picture);

  HWND hwnd_ = nullptr;
  std::vector<ControlSpec> controls_;
  FormKeyboard keyboard_;
  int dpi_ = kDesignDpi;
  HWND lastFocus_ = nullptr;
  FormFonts fonts_;  // made for dpi_
  std::vector<IconPicture> pictures_;
  std::vector<HWND> disabledByModal_;  // the other windows while this form runs modally
};

}  // namespace rdc
