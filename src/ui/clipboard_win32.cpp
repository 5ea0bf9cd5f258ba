#include "ui/clipboard_win32.h"

#include <cstring>

#include "os/owners_win32.h"

namespace rdc {

bool CopyTextToClipboard(HWND owner, const std::wstring& text) {
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
  void* locked = memory ? GlobalLock(memory.get()) : nullptr;
  if (!locked) return false;
  std::memcpy(locked, text.c_str(), bytes);
  GlobalUnlock(memory.get());
  if (!OpenClipboard(owner)) return false;
  EmptyClipboard();
  const bool copied = SetClipboardData(CF_UNICODETEXT, memory.get()) != nullptr;
  if (copied) memory.release();  // the clipboard's now
  CloseClipboard();
  return copied;
}

}  // namespace rdc
