// Owners of the system resources the program holds: each kind freed in the
// one way the system frees it, when its owner goes. Owners move, never copy.
#pragma once

#include <windows.h>
// <winsock2.h> and <ws2tcpip.h> build on <windows.h> (lean, so no <winsock.h>).
#include <bcrypt.h>
#include <commctrl.h>
#include <wincrypt.h>
#include <objbase.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <utility>

namespace rdc {

// Owns one resource of the kind `Kind` describes: its Handle type, the value
// that means "none", and Free, which gives the resource back and says whether
// the system took it.
template <class Kind>
class Owned {
 public:
  using Handle = typename Kind::Handle;

  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  ~Owned() { Free(); }
  Owned(Owned&& other) noexcept : handle_(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  Handle get() const { return handle_; }
  bool valid() const { return Kind::Valid(handle_); }
  explicit operator bool() const { return valid(); }

  // Gives up ownership without freeing.
  Handle release() { return std::exchange(handle_, Kind::None()); }
  void reset(Handle handle = Kind::None()) {
    Free();
    handle_ = handle;
  }
  // For the system calls that hand a new resource back through a pointer.
  Handle* receive() {
    reset();
    return &handle_;
  }
  // Frees the resource now; false when the system refused (a close that
  // failed to write what was buffered, say). The owner holds none after.
  bool Free() {
    if (!valid()) return true;
    return Kind::Free(release());
  }

 private:
  Handle handle_ = Kind::None();
};

// Files, processes, threads, mutexes, events, change notifications: both
// "none" values of the system's calls count as none.
struct KernelHandleKind {
  using Handle = HANDLE;
  static Handle None() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static bool Free(Handle h) { return CloseHandle(h) != 0; }
};
using UniqueHandle = Owned<KernelHandleKind>;

// A change notification of a folder (FindFirstChangeNotificationW).
struct ChangeNotificationKind : KernelHandleKind {
  static bool Free(Handle h) { return FindCloseChangeNotification(h) != 0; }
};
using UniqueChangeNotification = Owned<ChangeNotificationKind>;

struct RegistryKeyKind {
  using Handle = HKEY;
  static Handle None() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static bool Free(Handle h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};
using UniqueKey = Owned<RegistryKeyKind>;

// Fonts, bitmaps, brushes, pens: any GDI object that DeleteObject frees.
template <class GdiHandle>
struct GdiObjectKind {
  using Handle = GdiHandle;
  static Handle None() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static bool Free(Handle h) { return DeleteObject(h) != 0; }
};
using UniqueFont = Owned<GdiObjectKind<HFONT>>;
using UniqueBitmap = Owned<GdiObjectKind<HBITMAP>>;
using UniqueBrush = Owned<GdiObjectKind<HBRUSH>>;

struct IconKind {
  using Handle = HICON;
  static Handle None() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static bool Free(Handle h) { return DestroyIcon(h) != 0; }
};
using UniqueIcon = Owned<IconKind>;

struct ImageListKind {
  using Handle = HIMAGELIST;
  static Handle None() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static bool Free(Handle h) { return ImageList_Destroy(h) != 0; }
};
using UniqueImageList = Owned<ImageListKind>;

// A device context made by CreateCompatibleDC or CreateDCW.
struct MemoryDcKind {
  using Handle = HDC;
  static Handle None() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static bool Free(Handle h) { return DeleteDC(h) != 0; }
};
using UniqueMemoryDc = Owned<MemoryDcKind>;

// A window's (or the screen's) device context from GetDC: released to that window.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }
  bool valid() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// Memory the system allocated with LocalAlloc for the caller (CryptProtectData,
// FormatMessageW with FORMAT_MESSAGE_ALLOCATE_BUFFER, ...).
template <class Pointer>
struct LocalMemoryKind {
  using Handle = Pointer;
  static Handle None() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static bool Free(Handle h) { return LocalFree(reinterpret_cast<HLOCAL>(h)) == nullptr; }
};
template <class Pointer>
using LocalMemory = Owned<LocalMemoryKind<Pointer>>;

// Memory from GlobalAlloc (what the clipboard takes); the clipboard owns it
// once SetClipboardData took it, so release() it then.
struct GlobalMemoryKind {
  using Handle = HGLOBAL;
  static Handle None() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static bool Free(Handle h) { return GlobalFree(h) == nullptr; }
};
using GlobalMemory = Owned<GlobalMemoryKind>;

// A menu made by CreatePopupMenu.
struct MenuKind {
  using Handle = HMENU;
  static Handle None() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static bool Free(Handle h) { return DestroyMenu(h) != 0; }
};
using UniqueMenu = Owned<MenuKind>;

// Memory a COM call allocated for the caller (file dialogs' paths, ...).
template <class Pointer>
struct CoTaskMemoryKind {
  using Handle = Pointer;
  static Handle None() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static bool Free(Handle h) {
    CoTaskMemFree(h);
    return true;
  }
};
template <class Pointer>
using CoTaskMemory = Owned<CoTaskMemoryKind<Pointer>>;

// The answers of GetAddrInfoW.
struct AddressInfoKind {
  using Handle = ADDRINFOW*;
  static Handle None() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static bool Free(Handle h) {
    FreeAddrInfoW(h);
    return true;
  }
};
using UniqueAddressInfo = Owned<AddressInfoKind>;

struct SocketKind {
  using Handle = SOCKET;
  static Handle None() { return INVALID_SOCKET; }
  static bool Valid(Handle h) { return h != INVALID_SOCKET; }
  static bool Free(Handle h) { return closesocket(h) == 0; }
};
using UniqueSocket = Owned<SocketKind>;

// A provider context of the older cryptography interface (CryptAcquireContextW).
struct CryptoProviderKind {
  using Handle = HCRYPTPROV;
  static Handle None() { return 0; }
  static bool Valid(Handle h) { return h != 0; }
  static bool Free(Handle h) { return CryptReleaseContext(h, 0) != 0; }
};
using UniqueCryptoProvider = Owned<CryptoProviderKind>;

// An algorithm provider of the system's cryptography (BCryptOpenAlgorithmProvider).
struct CryptoAlgorithmKind {
  using Handle = BCRYPT_ALG_HANDLE;
  static Handle None() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static bool Free(Handle h) { return BCRYPT_SUCCESS(BCryptCloseAlgorithmProvider(h, 0)); }
};
using UniqueCryptoAlgorithm = Owned<CryptoAlgorithmKind>;

// A key of the system's cryptography (BCryptGenerateSymmetricKey).
struct CryptoKeyKind {
  using Handle = BCRYPT_KEY_HANDLE;
  static Handle None() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static bool Free(Handle h) { return BCRYPT_SUCCESS(BCryptDestroyKey(h)); }
};
using UniqueCryptoKey = Owned<CryptoKeyKind>;

// A hash or HMAC object of the system's cryptography (BCryptCreateHash).
struct CryptoHashKind {
  using Handle = BCRYPT_HASH_HANDLE;
  static Handle None() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static bool Free(Handle h) { return BCRYPT_SUCCESS(BCryptDestroyHash(h)); }
};
using UniqueCryptoHash = Owned<CryptoHashKind>;

// A COM interface pointer the caller holds one reference of (IStream,
// IXmlReader, ...): released when its owner goes.
template <class Interface>
struct ComInterfaceKind {
  using Handle = Interface*;
  static Handle None() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static bool Free(Handle h) {
    h->Release();
    return true;
  }
};
template <class Interface>
using ComPointer = Owned<ComInterfaceKind<Interface>>;

}  // namespace rdc
