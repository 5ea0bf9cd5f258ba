// A server's connection settings and the text of its seventh ms.ini field.
#include "model/connection_settings.h"

#include <charconv>
#include <optional>
#include <utility>
#include <vector>

namespace rdc {
namespace {

constexpr char kPairSeparator = ';';
constexpr char kNameEnd = '=';

// The names, in the order the field is written.
constexpr std::string_view kDisplay = "display";
constexpr std::string_view kSmartSizing = "smartsizing";
constexpr std::string_view kDynamicResolution = "dynres";
constexpr std::string_view kDisks = "disks";
constexpr std::string_view kClipboard = "clipboard";
constexpr std::string_view kPrinters = "printers";
constexpr std::string_view kAudio = "audio";
constexpr std::string_view kRecording = "recording";
constexpr std::string_view kSerialPorts = "comports";
constexpr std::string_view kSmartCards = "smartcards";
constexpr std::string_view kForceAdmin = "admin";
constexpr std::string_view kGateway = "gateway";
constexpr std::string_view kGatewayUse = "gatewayuse";
constexpr std::string_view kGatewaySameCredentials = "gatewaycreds";
constexpr std::string_view kStart = "start";

constexpr std::string_view kKnownNames[] = {kDisplay,
                                            kSmartSizing,
                                            kDynamicResolution,
                                            kDisks,
                                            kClipboard,
                                            kPrinters,
                                            kAudio,
                                            kRecording,
                                            kSerialPorts,
                                            kSmartCards,
                                            kForceAdmin,
                                            kGateway,
                                            kGatewayUse,
                                            kGatewaySameCredentials,
                                            kStart};

constexpr std::string_view kCustomPrefix = "custom:";
constexpr std::string_view kMonitorsPrefix = "monitors:";
constexpr std::string_view kDrivesPrefix = "drives:";

struct Pair {
  std::string_view name;
  std::string_view value;
};

std::vector<Pair> PairsOf(std::string_view field) {
  std::vector<Pair> pairs;
  while (!field.empty()) {
    const std::size_t end = field.find(kPairSeparator);
    const std::string_view piece = field.substr(0, end);
    const std::size_t nameEnd = piece.find(kNameEnd);
    if (nameEnd != std::string_view::npos)
      pairs.push_back({piece.substr(0, nameEnd), piece.substr(nameEnd + 1)});
    if (end == std::string_view::npos) break;
    field.remove_prefix(end + 1);
  }
  return pairs;
}

bool IsKnownName(std::string_view name) {
  for (std::string_view known : kKnownNames) {
    if (known == name) return true;
  }
  return false;
}

std::optional<int> NumberOf(std::string_view text) {
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
  return number;
}

bool IsSide(int pixels) {
  return pixels >= kSmallestDesktopSide && pixels <= kLargestDesktopSide;
}

// Items joined by ",", each accepted by `isItem`; at least one.
template <typename IsItem>
bool IsList(std::string_view text, IsItem isItem) {
  if (text.empty()) return false;
  while (true) {
    const std::size_t end = text.find(',');
    if (!isItem(text.substr(0, end))) return false;
    if (end == std::string_view::npos) return true;
    text.remove_prefix(end + 1);
  }
}

bool IsMonitorList(std::string_view text) {
  return IsList(text, [](std::string_view item) {
    return !item.empty() && item.size() <= 2 &&
           item.find_first_not_of("0123456789") == std::string_view::npos;
  });
}

bool IsDriveList(std::string_view text) {
  return IsList(text, [](std::string_view item) {
    return item.size() == 1 &&
           ((item[0] >= 'A' && item[0] <= 'Z') || (item[0] >= 'a' && item[0] <= 'z'));
  });
}

void ParseToggle(std::string_view value, Toggle& toggle) {
  if (value == "1") toggle = Toggle::On;
  if (value == "0") toggle = Toggle::Off;
}

void ParseDisplay(std::string_view value, ConnectionSettings& settings) {
  if (value == "small") settings.display = DisplayMode::Small;
  if (value == "full") settings.display = DisplayMode::Full;
  if (value == "all") settings.display = DisplayMode::AllMonitors;
  if (value.starts_with(kMonitorsPrefix)) {
    const std::string_view list = value.substr(kMonitorsPrefix.size());
    if (!IsMonitorList(list)) return;
    settings.display = DisplayMode::ChosenMonitors;
    settings.monitors = list;
  }
  if (value.starts_with(kCustomPrefix)) {
    const std::string_view size = value.substr(kCustomPrefix.size());
    const std::size_t x = size.find('x');
    if (x == std::string_view::npos) return;
    const std::optional<int> width = NumberOf(size.substr(0, x));
    const std::optional<int> height = NumberOf(size.substr(x + 1));
    if (!width || !height || !IsSide(*width) || !IsSide(*height)) return;
    settings.display = DisplayMode::Custom;
    settings.customWidth = *width;
    settings.customHeight = *height;
  }
}

void ParseDisks(std::string_view value, ConnectionSettings& settings) {
  if (value == "none") settings.disks = DiskMode::None;
  if (value == "all") settings.disks = DiskMode::All;
  if (value.starts_with(kDrivesPrefix) && IsDriveList(value.substr(kDrivesPrefix.size()))) {
    settings.disks = DiskMode::Chosen;
    settings.drives = value.substr(kDrivesPrefix.size());
  }
}

void ParsePair(const Pair& pair, ConnectionSettings& s) {
  const std::string_view v = pair.value;
  if (pair.name == kDisplay) ParseDisplay(v, s);
  if (pair.name == kSmartSizing) ParseToggle(v, s.smartSizing);
  if (pair.name == kDynamicResolution) ParseToggle(v, s.dynamicResolution);
  if (pair.name == kDisks) ParseDisks(v, s);
  if (pair.name == kClipboard) ParseToggle(v, s.clipboard);
  if (pair.name == kPrinters) ParseToggle(v, s.printers);
  if (pair.name == kAudio) {
    if (v == "local") s.audio = AudioMode::Local;
    if (v == "remote") s.audio = AudioMode::Remote;
    if (v == "none") s.audio = AudioMode::None;
  }
  if (pair.name == kRecording) ParseToggle(v, s.recording);
  if (pair.name == kSerialPorts) ParseToggle(v, s.serialPorts);
  if (pair.name == kSmartCards) ParseToggle(v, s.smartCards);
  if (pair.name == kForceAdmin) ParseToggle(v, s.forceAdmin);
  if (pair.name == kGateway && !v.empty()) s.gatewayHost = v;
  if (pair.name == kGatewayUse) {
    if (v == "none") s.gatewayUse = GatewayUse::None;
    if (v == "always") s.gatewayUse = GatewayUse::Always;
    if (v == "detect") s.gatewayUse = GatewayUse::Detect;
  }
  if (pair.name == kGatewaySameCredentials) ParseToggle(v, s.gatewaySameCredentials);
  if (pair.name == kStart && v == "cmdline") s.start = StartMode::CommandLine;
}

class FieldWriter {
 public:
  void Add(std::string_view name, std::string_view value) {
    if (!text_.empty()) text_ += kPairSeparator;
    text_ += name;
    text_ += kNameEnd;
    text_ += value;
  }
  void Add(std::string_view name, Toggle toggle) {
    if (toggle != Toggle::Follow) Add(name, toggle == Toggle::On ? "1" : "0");
  }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
};

std::string DisplayValue(const ConnectionSettings& s) {
  switch (s.display) {
    case DisplayMode::Follow: return {};
    case DisplayMode::Small: return "small";
    case DisplayMode::Full: return "full";
    case DisplayMode::AllMonitors: return "all";
    case DisplayMode::ChosenMonitors: return std::string(kMonitorsPrefix) + s.monitors;
    case DisplayMode::Custom:
      return std::string(kCustomPrefix) + std::to_string(s.customWidth) + "x" +
             std::to_string(s.customHeight);
  }
  return {};
}

std::string_view DisksValue(DiskMode disks) {
  switch (disks) {
    case DiskMode::Follow: return {};
    case DiskMode::None: return "none";
    case DiskMode::All: return "all";
    case DiskMode::Chosen: return kDrivesPrefix;
  }
  return {};
}

std::string_view AudioValue(AudioMode audio) {
  switch (audio) {
    case AudioMode::Follow: return {};
    case AudioMode::Local: return "local";
    case AudioMode::Remote: return "remote";
    case AudioMode::None: return "none";
  }
  return {};
}

std::string_view GatewayUseValue(GatewayUse use) {
  switch (use) {
    case GatewayUse::Follow: return {};
    case GatewayUse::None: return "none";
    case GatewayUse::Always: return "always";
    case GatewayUse::Detect: return "detect";
  }
  return {};
}

}  // namespace

bool ConnectionSettings::HasSettings() const {
  return !ComposeSettingsField(*this).empty();
}

std::string ComposeSettingsField(const ConnectionSettings& s, std::string_view keptFrom) {
  FieldWriter field;
  if (s.display != DisplayMode::Follow) field.Add(kDisplay, DisplayValue(s));
  field.Add(kSmartSizing, s.smartSizing);
  field.Add(kDynamicResolution, s.dynamicResolution);
  if (s.disks == DiskMode::Chosen) {
    field.Add(kDisks, std::string(kDrivesPrefix) + s.drives);
  } else if (s.disks != DiskMode::Follow) {
    field.Add(kDisks, DisksValue(s.disks));
  }
  field.Add(kClipboard, s.clipboard);
  field.Add(kPrinters, s.printers);
  if (s.audio != AudioMode::Follow) field.Add(kAudio, AudioValue(s.audio));
  field.Add(kRecording, s.recording);
  field.Add(kSerialPorts, s.serialPorts);
  field.Add(kSmartCards, s.smartCards);
  field.Add(kForceAdmin, s.forceAdmin);
  if (!s.gatewayHost.empty()) field.Add(kGateway, s.gatewayHost);
  if (s.gatewayUse != GatewayUse::Follow) field.Add(kGatewayUse, GatewayUseValue(s.gatewayUse));
  field.Add(kGatewaySameCredentials, s.gatewaySameCredentials);
  if (s.start == StartMode::CommandLine) field.Add(kStart, "cmdline");
  for (const Pair& pair : PairsOf(keptFrom)) {
    if (!IsKnownName(pair.name)) field.Add(pair.name, pair.value);
  }
  return field.Take();
}

ConnectionSettings ParseSettingsField(std::string_view field) {
  ConnectionSettings settings;
  for (const Pair& pair : PairsOf(field)) ParsePair(pair, settings);
  return settings;
}

bool HasSoundTexts(const ConnectionSettings& s) {
  for (char byte : s.gatewayHost) {
    const auto value = static_cast<unsigned char>(byte);
    if (value <= 0x20 || value > 0x7E || byte == kPairSeparator || byte == kNameEnd || byte == '|')
      return false;
  }
  if (s.display == DisplayMode::ChosenMonitors && !IsMonitorList(s.monitors)) return false;
  if (s.display == DisplayMode::Custom && (!IsSide(s.customWidth) || !IsSide(s.customHeight)))
    return false;
  return s.disks != DiskMode::Chosen || IsDriveList(s.drives);
}

}  // namespace rdc
