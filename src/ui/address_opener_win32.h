// Opening a web address in the user's browser.
#pragma once

namespace rdc {

class AddressOpener {
 public:
  virtual ~AddressOpener() = default;
  virtual void Open(const wchar_t* address) = 0;
};

// The shell's "open" of the address.
class ShellAddressOpener : public AddressOpener {
 public:
  void Open(const wchar_t* address) override;
};

}  // namespace rdc
