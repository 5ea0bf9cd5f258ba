// The connection profile handed to the remote desktop client: a fixed 45-line
// GBK template whose five placeholders are filled per connection.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/connection_settings.h"

namespace rdc {

// The password line's placeholder, as GBK bytes: "%密码%". A profile composed
// without a password keeps it as a line of its own.
inline constexpr std::string_view kPasswordPlaceholder = "%\xC3\xDC\xC2\xEB%";

// The template as GBK bytes: 45 lines joined by CR LF, no line end after the last.
std::string_view ProfileTemplate();

// The profile for one connection. The placeholders are replaced one after the
// other (account, address, password, the two sharing lines), each over the
// result of the previous step, stepping over whole GBK characters. Without a
// password value the password placeholder stays in the text. The address is
// "host:port", or "[host]:port" for an IPv6 literal (see HostWithPort).
// `passwordValue` is the text that follows "password 51:b:" (see
// ProtectPasswordHex).
std::string ComposeProfile(std::string_view account, std::string_view host, std::string_view port,
                           const std::optional<std::string>& passwordValue, bool shareDisks);

// The profile of a server with connection settings: the one above, each
// setting that does not follow replacing its own line of the 45, and the
// settings the template has no line for added after its last line, in a
// fixed order. Settings that all follow give the profile above byte for
// byte. The settings' texts must be sound (HasSoundTexts): none can add a line.
std::string ComposeProfile(std::string_view account, std::string_view host, std::string_view port,
                           const std::optional<std::string>& passwordValue, bool shareDisks,
                           const ConnectionSettings& settings);

}  // namespace rdc
