// Helpers for the tests of the windows: the message pump with our keyboard
// rules, key presses, a recording stand-in for the message box, and readers
// of what the controls hold.
#pragma once

#include <windows.h>

#include <functional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "ui/form_win32.h"
#include "ui/main_window_win32.h"
#include "ui/prompt_win32.h"
#include "ui/window_text_win32.h"

namespace rdc::test {

// Registers the common controls (list view) once per process.
void InitCommonControlsOnce();

// Dispatches every queued message the way the program's loops do, keyboard
// rules first.
void PumpMessages();

// Posts a key press (WM_KEYDOWN without modifiers) to `target`, then pumps.
void PressKey(HWND target, UINT virtualKey);

// Holds Ctrl down in the thread's key state while it lives.
class CtrlHeld {
 public:
  CtrlHeld(const CtrlHeld&) = delete;
  CtrlHeld& operator=(const CtrlHeld&) = delete;
  CtrlHeld();
  ~CtrlHeld() { SetKeyboardState(saved_); }

 private:
  BYTE saved_[256];
};

// The clipboard's text, and the clipboard set to a text.
std::wstring ClipboardText();
void SetClipboardText(const wchar_t* text);

// What a popup menu showed: its captions, "~" before a greyed item.
struct MenuSeen {
  std::vector<std::wstring> items;
  bool shown = false;
};
// Sends `control` a WM_CONTEXTMENU at `screen` ({-1, -1}: from the keyboard)
// and, once the menu shows, reads it and types `key` into it (an item's
// mnemonic, or Esc to close it); returns when the menu has closed.
MenuSeen ContextMenuOf(HWND control, POINT screen, WPARAM key);

// Sends typed characters to a control one WM_CHAR at a time.
void TypeText(HWND target, const std::wstring& text);

// Text, style and font of a control.
using rdc::WindowText;
std::wstring ClassName(HWND hwnd);
LONG_PTR Style(HWND hwnd);
LONG_PTR ExStyle(HWND hwnd);
LOGFONTW FontOf(HWND hwnd);  // the font the control draws with (WM_GETFONT)

// A window's rectangle in the client coordinates of `top`.
RECT RectIn(HWND top, HWND hwnd);

// A design value (pixels at 96 DPI) at `dpi`, to the nearest pixel, halves up.
int AtDpi(int designPixels, int dpi);

// Checks that `top` has exactly the controls of `design`, each visible at its
// client position and size (scaled to `dpi`), of its kind's class, with its
// caption and with the style bits of its row.
void ExpectLiveControlsMatch(HWND top, std::span<const ControlSpec> design, int dpi = 96);

// Runs `act` on the first form (other than `owner`) that this thread shows
// while `open` runs; `open` is what opens the modal form and returns when it
// has closed. A form still open 5 s later is destroyed, so no test hangs.
// Returns whether the form appeared.
bool WithModalForm(HWND owner, const std::function<void()>& open,
                   const std::function<void(HWND form)>& act);

// One message box the program asked for.
struct ShownBox {
  std::wstring text;
  std::wstring caption;
  UINT type = 0;
  bool operator==(const ShownBox&) const = default;
};
void PrintTo(const ShownBox& box, std::ostream* out);

// The message box of the windows a test hands it to: records each box and
// answers it. Without an answer function OK boxes get IDOK, Retry/Cancel boxes
// IDCANCEL and Yes/No boxes IDNO, so a box a test did not expect never blocks.
class RecordingPrompt : public MessagePrompt {
 public:
  using Answer = std::function<int(const ShownBox& box)>;
  explicit RecordingPrompt(Answer answer = nullptr) : answer_(std::move(answer)) {}
  ~RecordingPrompt() override = default;
  RecordingPrompt(const RecordingPrompt&) = delete;
  RecordingPrompt& operator=(const RecordingPrompt&) = delete;

  // How the boxes from now on are answered.
  void AnswerWith(Answer answer) { answer_ = std::move(answer); }
  const std::vector<ShownBox>& boxes() const { return boxes_; }

 private:
  int Ask(const wchar_t* text, const wchar_t* caption, UINT type) override;

  std::vector<ShownBox> boxes_;
  Answer answer_;
};

// Credentials that go nowhere: every write succeeds, nothing is found.
class DiscardingCredentialStore : public CredentialStore {
 public:
  std::optional<StoredCredential> Read(const std::u16string&) override { return std::nullopt; }
  std::uint32_t Write(const StoredCredential&) override { return 0; }
  void Remove(const std::u16string&) override {}
};

// Keeps the connections a test starts inside it: nothing reaches the system.
// Counts the clients it would have started.
class InertLaunchEnvironment : public LaunchEnvironment {
 public:
  std::u16string Utf16WithTerminator(const std::string&) override { return {u'\0'}; }
  std::string Protect(std::string_view, std::u16string_view) override { return {}; }
  std::u16string TempDirectory() override { return u"C:\\nowhere"; }
  std::uint32_t TickCount() override { return 0; }
  void Wait(std::uint32_t) override {}
  RunProfiles& Profiles() override { return profiles_; }
  NewFile CreateNewFile(const std::u16string&, std::string_view) override {
    return NewFile::Created;
  }
  void RemoveFile(const std::u16string&) override {}
  bool RegistryValueExists(const std::string&, const std::string&) override { return true; }
  bool SetRegistryDword(const std::string&, const std::string&, std::uint32_t) override {
    return true;
  }
  std::uint32_t StartProcess(const std::u16string&) override {
    ++started;
    return 0;
  }
  std::uint32_t StartWatchedProcess(const std::u16string&, std::function<void()>) override {
    ++started;
    return 0;
  }
  CredentialLoans& Loans() override { return loans_; }
  int started = 0;

 private:
  DiscardingCredentialStore credentials_;
  CredentialLoans loans_{credentials_};
  RunProfiles profiles_;
};

// Sweeps that never start: rows keep their status (the live status has tests of its own).
class NoSweeps : public StatusSweeps {
 public:
  void Start(const std::shared_ptr<ProbeOutcomeQueue>&, const ServerList&) override {}
};

// Records the addresses a window asks to open instead of opening them.
class RecordingAddressOpener : public AddressOpener {
 public:
  void Open(const wchar_t* address) override { opened.push_back(address); }
  std::vector<std::wstring> opened;
};

// One WM_COMMAND that reached a window.
struct Command {
  int id;
  int code;
  bool operator==(const Command&) const = default;
};
void PrintTo(const Command& command, std::ostream* out);

// Records the WM_COMMAND messages a window receives, before its own procedure
// sees them.
class CommandRecorder {
 public:
  explicit CommandRecorder(HWND window);
  ~CommandRecorder();
  CommandRecorder(const CommandRecorder&) = delete;
  CommandRecorder& operator=(const CommandRecorder&) = delete;

  const std::vector<Command>& commands() const { return commands_; }

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR id, DWORD_PTR self);
  HWND window_;
  std::vector<Command> commands_;
};

}  // namespace rdc::test
