// The connection profile template and its composition.
#include "launch/profile.h"

#include <string>

#include "model/server_address.h"
#include "text/gbk_text.h"

namespace rdc {
namespace {

// The placeholders, matched as GBK bytes.
constexpr std::string_view kAddressPlaceholder =
    "%\xB7\xFE\xCE\xF1\xC6\xF7\xB5\xD8\xD6\xB7%";                        // %服务器地址%
constexpr std::string_view kAccountPlaceholder = "%\xD5\xCB\xBA\xC5%";   // %账号%
// Named for disks, this one takes the smart-card line; the other takes the drive line.
constexpr std::string_view kDisksPlaceholder = "%\xB4\xC5\xC5\xCC%";              // %磁盘%
constexpr std::string_view kSmartCardPlaceholder = "%\xD6\xC7\xC4\xDC\xBF\xA8%";  // %智能卡%

// One template line: fixed text, then a placeholder or nothing.
struct TemplateLine {
  std::string_view text;
  std::string_view placeholder;
};

constexpr TemplateLine kTemplateLines[] = {
    {"screen mode id:i:2", {}},
    {"desktopwidth:i:1280", {}},
    {"desktopheight:i:800", {}},
    {"session bpp:i:16", {}},
    {"winposstr:s:0,3,0,0,800,600", {}},
    {"full address:s:", kAddressPlaceholder},
    {"compression:i:1", {}},
    {"keyboardhook:i:2", {}},
    {"audiomode:i:0", {}},
    {"redirectdrives:i:0", {}},
    {"redirectprinters:i:0", {}},
    {"redirectcomports:i:0", {}},
    {"", kDisksPlaceholder},
    {"displayconnectionbar:i:1", {}},
    {"autoreconnection enabled:i:1", {}},
    {"username:s:", kAccountPlaceholder},
    {"alternate shell:s:", {}},
    {"shell working directory:s:", {}},
    {"", kPasswordPlaceholder},
    {"disable wallpaper:i:1", {}},
    {"disable full window drag:i:1", {}},
    {"disable menu anims:i:1", {}},
    {"disable themes:i:0", {}},
    {"disable cursor setting:i:0", {}},
    {"bitmapcachepersistenable:i:1", {}},
    {"use multimon:i:0", {}},
    {"audiocapturemode:i:0", {}},
    {"videoplaybackmode:i:1", {}},
    {"connection type:i:2", {}},
    {"allow font smoothing:i:0", {}},
    {"allow desktop composition:i:0", {}},
    {"redirectclipboard:i:1", {}},
    {"redirectposdevices:i:0", {}},
    {"redirectdirectx:i:1", {}},
    {"", kSmartCardPlaceholder},
    {"authentication level:i:0", {}},
    {"prompt for credentials:i:0", {}},
    {"negotiate security layer:i:1", {}},
    {"remoteapplicationmode:i:0", {}},
    {"gatewayhostname:s:", {}},
    {"gatewayusagemethod:i:4", {}},
    {"gatewaycredentialssource:i:4", {}},
    {"gatewayprofileusagemethod:i:0", {}},
    {"promptcredentialonce:i:1", {}},
    {"use redirection server name:i:0", {}},
};

std::string JoinTemplateLines() {
  std::string text;
  for (const TemplateLine& line : kTemplateLines) {
    if (&line != &kTemplateLines[0]) text += "\r\n";
    text += line.text;
    text += line.placeholder;
  }
  return text;
}

// Every occurrence of `placeholder` that starts at a character boundary is
// replaced; the inserted text is not scanned again by this call.
std::string ReplaceEvery(std::string_view text, std::string_view placeholder,
                         std::string_view replacement) {
  std::string result;
  result.reserve(text.size());
  std::size_t copied = 0;  // text before this index is in the result already
  std::size_t index = 0;
  while (index < text.size()) {
    if (text[index] == placeholder.front() &&
        text.substr(index, placeholder.size()) == placeholder) {
      result.append(text.substr(copied, index - copied));
      result += replacement;
      index += placeholder.size();
      copied = index;
    } else {
      index += CharLength(text, index);
    }
  }
  result.append(text.substr(copied));
  return result;
}

}  // namespace

std::string_view ProfileTemplate() {
  static const std::string kTemplate = JoinTemplateLines();
  return kTemplate;
}

std::string ComposeProfile(std::string_view account, std::string_view host, std::string_view port,
                           const std::optional<std::string>& passwordValue, bool shareDisks) {
  std::string profile = ReplaceEvery(ProfileTemplate(), kAccountPlaceholder, account);
  profile = ReplaceEvery(profile, kAddressPlaceholder, HostWithPort(host, port));
  if (passwordValue) {
    profile = ReplaceEvery(profile, kPasswordPlaceholder, "password 51:b:" + *passwordValue);
  }
  profile = ReplaceEvery(profile, kDisksPlaceholder,
                         shareDisks ? "redirectsmartcards:i:0" : "redirectsmartcards:i:1");
  profile = ReplaceEvery(profile, kSmartCardPlaceholder,
                         shareDisks ? "drivestoredirect:s:*" : "drivestoredirect:s:");
  return profile;
}

}  // namespace rdc
