// The connection profile template and its composition.
#include "launch/profile.h"

#include <string>
#include <vector>

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

// One line a setting gives: the property's name and type ("audiomode:i:"),
// and its value.
struct SettingLine {
  std::string_view property;
  std::string value;
};

std::string Flag(bool on) {
  return on ? "1" : "0";
}

// The drive list "C,D" as the drivestoredirect property lists drives: "C:\;D:\".
std::string DriveList(std::string_view letters) {
  std::string list;
  for (char letter : letters) {
    if (letter == ',') {
      list += ';';
    } else {
      list += letter;
      list += ":\\";
    }
  }
  return list;
}

// The lines of the settings that do not follow, in the order the ones the
// template lacks are added.
std::vector<SettingLine> SettingLines(const ConnectionSettings& s) {
  std::vector<SettingLine> lines;
  const auto toggle = [&lines](std::string_view property, Toggle choice) {
    if (choice != Toggle::Follow) lines.push_back({property, Flag(choice == Toggle::On)});
  };
  const bool window = s.display == DisplayMode::Small || s.display == DisplayMode::Custom;
  if (s.display != DisplayMode::Follow) lines.push_back({"screen mode id:i:", window ? "1" : "2"});
  if (s.display == DisplayMode::Small) {
    lines.push_back({"desktopwidth:i:", "1440"});
    lines.push_back({"desktopheight:i:", "900"});
  }
  if (s.display == DisplayMode::Custom) {
    lines.push_back({"desktopwidth:i:", std::to_string(s.customWidth)});
    lines.push_back({"desktopheight:i:", std::to_string(s.customHeight)});
  }
  if (s.display == DisplayMode::AllMonitors || s.display == DisplayMode::ChosenMonitors)
    lines.push_back({"use multimon:i:", "1"});
  if (s.display == DisplayMode::ChosenMonitors)
    lines.push_back({"selectedmonitors:s:", s.monitors});
  toggle("smart sizing:i:", s.smartSizing);
  toggle("dynamic resolution:i:", s.dynamicResolution);
  if (s.disks == DiskMode::None) lines.push_back({"drivestoredirect:s:", ""});
  if (s.disks == DiskMode::All) lines.push_back({"drivestoredirect:s:", "*"});
  if (s.disks == DiskMode::Chosen) lines.push_back({"drivestoredirect:s:", DriveList(s.drives)});
  toggle("redirectclipboard:i:", s.clipboard);
  toggle("redirectprinters:i:", s.printers);
  if (s.audio == AudioMode::Local) lines.push_back({"audiomode:i:", "0"});
  if (s.audio == AudioMode::Remote) lines.push_back({"audiomode:i:", "1"});
  if (s.audio == AudioMode::None) lines.push_back({"audiomode:i:", "2"});
  toggle("audiocapturemode:i:", s.recording);
  toggle("redirectcomports:i:", s.serialPorts);
  toggle("redirectsmartcards:i:", s.smartCards);
  if (!s.gatewayHost.empty()) lines.push_back({"gatewayhostname:s:", s.gatewayHost});
  if (s.gatewayUse == GatewayUse::None) lines.push_back({"gatewayusagemethod:i:", "0"});
  // A gateway given is one used: the template's own method (4) uses none.
  if (s.gatewayUse == GatewayUse::Always ||
      (s.gatewayUse == GatewayUse::Follow && !s.gatewayHost.empty()))
    lines.push_back({"gatewayusagemethod:i:", "1"});
  if (s.gatewayUse == GatewayUse::Detect) lines.push_back({"gatewayusagemethod:i:", "2"});
  // The client takes the gateway lines only with the profile's explicit gateway settings.
  if (!s.gatewayHost.empty() || s.gatewayUse != GatewayUse::Follow)
    lines.push_back({"gatewayprofileusagemethod:i:", "1"});
  toggle("promptcredentialonce:i:", s.gatewaySameCredentials);
  return lines;
}

// The profile with the line that begins with the line's property replaced,
// or the line added after the last one when none does. Every line of the
// profile begins with the template's fixed text, so no filled-in text can
// begin a line.
void ApplyLine(std::string& profile, const SettingLine& line) {
  const std::string text = std::string(line.property) + line.value;
  std::size_t begin = 0;
  while (begin <= profile.size()) {
    std::size_t end = profile.find("\r\n", begin);
    if (end == std::string::npos) end = profile.size();
    if (std::string_view(profile).substr(begin, end - begin).starts_with(line.property)) {
      profile.replace(begin, end - begin, text);
      return;
    }
    begin = end + 2;
  }
  profile += "\r\n";
  profile += text;
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

std::string ComposeProfile(std::string_view account, std::string_view host, std::string_view port,
                           const std::optional<std::string>& passwordValue, bool shareDisks,
                           const ConnectionSettings& settings) {
  std::string profile = ComposeProfile(account, host, port, passwordValue, shareDisks);
  for (const SettingLine& line : SettingLines(settings)) ApplyLine(profile, line);
  return profile;
}

}  // namespace rdc
