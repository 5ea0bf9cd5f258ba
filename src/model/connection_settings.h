// The connection settings of one server: each choice either follows the main
// window's options (what every server without settings does) or is the
// server's own. Stored as the seventh field of its ms.ini record.
#pragma once

#include <string>
#include <string_view>

namespace rdc {

// An on/off choice of a server; Follow leaves it as the main window has it.
enum class Toggle { Follow, On, Off };

enum class DisplayMode {
  Follow,
  Small,           // 1440 x 900, as the main window's "小屏幕"
  Full,            // full screen
  Custom,          // customWidth x customHeight, in a window
  AllMonitors,     // every monitor
  ChosenMonitors,  // the monitors listed in `monitors`
};

enum class DiskMode { Follow, None, All, Chosen };
enum class AudioMode { Follow, Local, Remote, None };
enum class GatewayUse { Follow, None, Always, Detect };
enum class StartMode { ConnectionFile, CommandLine };

// The desktop sizes a custom display may have, in pixels, each way.
inline constexpr int kSmallestDesktopSide = 200;
inline constexpr int kLargestDesktopSide = 8192;

struct ConnectionSettings {
  DisplayMode display = DisplayMode::Follow;
  int customWidth = 0;   // Custom only
  int customHeight = 0;  // Custom only
  std::string monitors;  // ChosenMonitors only: the client's monitor numbers, "0,1"
  Toggle smartSizing = Toggle::Follow;
  Toggle dynamicResolution = Toggle::Follow;

  DiskMode disks = DiskMode::Follow;
  std::string drives;  // Chosen only: drive letters, "C,D"
  Toggle clipboard = Toggle::Follow;
  Toggle printers = Toggle::Follow;
  AudioMode audio = AudioMode::Follow;
  Toggle recording = Toggle::Follow;
  Toggle serialPorts = Toggle::Follow;
  Toggle smartCards = Toggle::Follow;

  Toggle forceAdmin = Toggle::Follow;

  std::string gatewayHost;  // "" follows; a host with an optional ":port"
  GatewayUse gatewayUse = GatewayUse::Follow;
  Toggle gatewaySameCredentials = Toggle::Follow;

  StartMode start = StartMode::ConnectionFile;

  // False when every choice follows the main window (and the start is the
  // connection file's), so that the field is empty: the server connects
  // exactly as one without settings.
  bool HasSettings() const;

  bool operator==(const ConnectionSettings&) const = default;
};

// The seventh field's text: ASCII "name=value" pairs joined by ";", in a
// fixed order, only for the choices that do not follow. No value holds ";"
// when the settings' texts are sound (HasSoundTexts). The pairs of
// `keptFrom` (an earlier text of the field) whose names this version does
// not know come after them as they were, so a later version's pairs survive
// an edit.
std::string ComposeSettingsField(const ConnectionSettings& settings,
                                 std::string_view keptFrom = {});

// The settings the field's text holds. A pair of an unknown name, without
// "=" or with a value this version does not accept leaves its choice as it
// is (following, unless an earlier pair of the same name set it).
ConnectionSettings ParseSettingsField(std::string_view field);

// Whether every text of the settings can go into one line of a connection
// profile and the settings' field: the gateway host holds only ASCII
// characters from "!" to "~" but ";", "=" and "|", the monitors are numbers
// and the drives letters, each list joined by ",", and a custom size is
// within the sides above. A server whose settings are not sound is not
// connected; settings to be stored are to be checked so first.
bool HasSoundTexts(const ConnectionSettings& settings);

}  // namespace rdc
