// The GBK byte limit of the password fields.
#include "ui/gbk_limit_win32.h"

#include "text/text_win32.h"
#include "ui/window_text_win32.h"

namespace rdc {

GbkLengthLimit::GbkLengthLimit(HWND edit, std::size_t maxBytes)
    : edit_(edit), maxBytes_(maxBytes), accepted_(WindowText(edit)) {
  // The control's own limit counts UTF-16 units; one unit is at least one GBK byte.
  SendMessageW(edit, EM_SETLIMITTEXT, maxBytes, 0);
}

void GbkLengthLimit::OnChange() {
  std::wstring text = WindowText(edit_);
  if (GbkFromWide(text).size() <= maxBytes_) {
    accepted_ = std::move(text);
    acceptedSelection_ = static_cast<DWORD>(SendMessageW(edit_, EM_GETSEL, 0, 0));
    return;
  }
  const DWORD selection = acceptedSelection_;
  SetWindowTextW(edit_, accepted_.c_str());  // comes back here as a change within the limit
  SendMessageW(edit_, EM_SETSEL, LOWORD(selection), HIWORD(selection));
  MessageBeep(MB_OK);
}

}  // namespace rdc
