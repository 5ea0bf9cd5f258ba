// The connection settings dialog: its choices in one table (a label and a
// drop-down or a text field each, in the group box of their kind), the
// layout made from it, and the OK that takes the changed choices.
#include "ui/connection_settings_dialog_win32.h"

#include <array>
#include <cstddef>
#include <string>
#include <type_traits>
#include <utility>

#include "text/text_win32.h"
#include "ui/control_ids.h"
#include "ui/message_loop_win32.h"
#include "ui/messages.h"

namespace rdc {
namespace {

using Items = std::span<const wchar_t* const>;
constexpr const wchar_t* kFollow = L"跟随主窗口";
constexpr std::array<const wchar_t*, 3> kToggleItems{kFollow, L"是", L"否"};
constexpr std::array<const wchar_t*, 6> kDisplayItems{
    kFollow, L"小屏幕 (1440 × 900)", L"全屏幕", L"自定义", L"全部显示器", L"选定显示器"};
constexpr std::array<const wchar_t*, 4> kDiskItems{kFollow, L"不共享", L"全部", L"选定"};
constexpr std::array<const wchar_t*, 4> kAudioItems{kFollow, L"在本机播放", L"在远程计算机播放",
                                                    L"不播放"};
constexpr std::array<const wchar_t*, 4> kGatewayItems{kFollow, L"不使用", L"总是", L"自动检测"};
constexpr std::array<const wchar_t*, 2> kStartItems{L"连接文件", L"命令行"};

// A drop-down's items are its member's enumerators in order.
template <auto Member>
int ItemOf(const ConnectionSettings& settings) {
  return static_cast<int>(settings.*Member);
}
template <auto Member>
void SetItemOf(ConnectionSettings& settings, int item) {
  using Value = std::remove_reference_t<decltype(settings.*Member)>;
  settings.*Member = static_cast<Value>(item);
}
template <auto Member>
std::string TextOf(const ConnectionSettings& settings) {
  return settings.*Member;
}
template <auto Member>
void SetTextOf(ConnectionSettings& settings, const std::string& text) {
  settings.*Member = text;
}
// A side of the custom size: digits, or a value no size has (refused at OK).
template <auto Member>
std::string SideOf(const ConnectionSettings& settings) {
  return settings.*Member > 0 ? std::to_string(settings.*Member) : std::string();
}
template <auto Member>
void SetSideOf(ConnectionSettings& settings, const std::string& text) {
  int side = 0;
  for (const char c : text)
    side = c >= '0' && c <= '9' && side < 100000 ? side * 10 + (c - '0') : -1;
  settings.*Member = text.empty() ? 0 : side;
}

// In the order of the focus: the left column, then the right one.
enum Box { kDisplayBox, kLoginBox, kStartBox, kResourcesBox, kGatewayBox };
constexpr std::array<const wchar_t*, 5> kBoxTitles{L"显示", L"登录", L"启动方式", L"本地资源",
                                                   L"网关"};
constexpr std::array<int, 5> kBoxColumn{0, 0, 0, 1, 1};
// The start without a connection file leaves these to the client's own settings.
constexpr bool TakesConnectionFileOnly(Box box) {
  return box == kResourcesBox || box == kGatewayBox;
}

struct Choice {
  Box box;
  const wchar_t* label;
  Items items;  // none: a text field
  int (*item)(const ConnectionSettings&) = nullptr;
  void (*setItem)(ConnectionSettings&, int) = nullptr;
  std::string (*text)(const ConnectionSettings&) = nullptr;
  void (*setText)(ConnectionSettings&, const std::string&) = nullptr;
};

using S = ConnectionSettings;
const std::array<Choice, 19> kChoices{{
    {kDisplayBox, L"显示方式", kDisplayItems, ItemOf<&S::display>, SetItemOf<&S::display>},
    {kDisplayBox, L"宽", {}, nullptr, nullptr, SideOf<&S::customWidth>, SetSideOf<&S::customWidth>},
    {kDisplayBox,
     L"高",
     {},
     nullptr,
     nullptr,
     SideOf<&S::customHeight>,
     SetSideOf<&S::customHeight>},
    {kDisplayBox, L"显示器", {}, nullptr, nullptr, TextOf<&S::monitors>, SetTextOf<&S::monitors>},
    {kDisplayBox, L"智能缩放", kToggleItems, ItemOf<&S::smartSizing>, SetItemOf<&S::smartSizing>},
    {kDisplayBox, L"动态分辨率", kToggleItems, ItemOf<&S::dynamicResolution>,
     SetItemOf<&S::dynamicResolution>},
    {kLoginBox, L"强制登陆模式", kToggleItems, ItemOf<&S::forceAdmin>, SetItemOf<&S::forceAdmin>},
    {kResourcesBox, L"磁盘", kDiskItems, ItemOf<&S::disks>, SetItemOf<&S::disks>},
    {kResourcesBox, L"驱动器", {}, nullptr, nullptr, TextOf<&S::drives>, SetTextOf<&S::drives>},
    {kResourcesBox, L"剪贴板", kToggleItems, ItemOf<&S::clipboard>, SetItemOf<&S::clipboard>},
    {kResourcesBox, L"打印机", kToggleItems, ItemOf<&S::printers>, SetItemOf<&S::printers>},
    {kResourcesBox, L"声音", kAudioItems, ItemOf<&S::audio>, SetItemOf<&S::audio>},
    {kResourcesBox, L"录音", kToggleItems, ItemOf<&S::recording>, SetItemOf<&S::recording>},
    {kResourcesBox, L"串口", kToggleItems, ItemOf<&S::serialPorts>, SetItemOf<&S::serialPorts>},
    {kResourcesBox, L"智能卡", kToggleItems, ItemOf<&S::smartCards>, SetItemOf<&S::smartCards>},
    {kGatewayBox,
     L"网关服务器",
     {},
     nullptr,
     nullptr,
     TextOf<&S::gatewayHost>,
     SetTextOf<&S::gatewayHost>},
    {kGatewayBox, L"使用", kGatewayItems, ItemOf<&S::gatewayUse>, SetItemOf<&S::gatewayUse>},
    {kGatewayBox, L"相同的凭据", kToggleItems, ItemOf<&S::gatewaySameCredentials>,
     SetItemOf<&S::gatewaySameCredentials>},
    {kStartBox, L"启动方式", kStartItems, ItemOf<&S::start>, SetItemOf<&S::start>},
}};
constexpr std::size_t kStartChoice = 18;
// The text fields that take text only while their drop-down shows this item.
struct DependentField {
  std::size_t field, dropDown;
  int item;
};
constexpr std::array<DependentField, 4> kDependentFields{{
    {1, 0, static_cast<int>(DisplayMode::Custom)},
    {2, 0, static_cast<int>(DisplayMode::Custom)},
    {3, 0, static_cast<int>(DisplayMode::ChosenMonitors)},
    {8, 7, static_cast<int>(DiskMode::Chosen)},
}};

int LabelId(std::size_t choice) {
  return kSettingsFirstChoice + 2 * static_cast<int>(choice);
}
int FieldId(std::size_t choice) {
  return LabelId(choice) + 1;
}

// The layout, at 96 DPI: two columns of group boxes, a row of a label and its
// field for each choice, the buttons below.
constexpr int kColumnX[2] = {12, 276};
constexpr int kBoxWidth = 252, kRowStep = 28, kBoxTop = 22, kBoxBottom = 10, kBoxGap = 8;
constexpr int kButtonsY = 400;

std::vector<ControlSpec> MakeDesign() {
  std::vector<ControlSpec> design;
  int y[2] = {8, 8};
  for (std::size_t box = 0; box < kBoxTitles.size(); ++box) {
    const int column = kBoxColumn[box];
    const int x = kColumnX[column];
    int rows = 0;
    for (std::size_t i = 0; i < kChoices.size(); ++i) {
      if (kChoices[i].box != static_cast<Box>(box)) continue;
      const int rowY = y[column] + kBoxTop + rows * kRowStep;
      design.push_back(
          {LabelId(i), ControlKind::Label, kChoices[i].label, x + 12, rowY, 86, 24, kPlainLabel});
      if (kChoices[i].items.empty()) {
        design.push_back({FieldId(i), ControlKind::Edit, L"", x + 100, rowY, 140, 24,
                          ES_AUTOHSCROLL, WS_EX_STATICEDGE});
      } else {
        design.push_back(
            {FieldId(i), ControlKind::ComboBox, L"", x + 100, rowY, 140, 240, CBS_DROPDOWNLIST});
      }
      ++rows;
    }
    const int height = kBoxTop + rows * kRowStep + kBoxBottom - 4;
    design.insert(design.end() - 2 * static_cast<std::ptrdiff_t>(rows),
                  {kSettingsFirstBox + static_cast<int>(box), ControlKind::GroupBox,
                   kBoxTitles[box], x, y[column], kBoxWidth, height});
    y[column] += height + kBoxGap;
  }
  design.push_back({kSettingsCommandLineNote, ControlKind::Label,
                    L"命令行方式不经连接文件，本地资源和网关使用客户端自己的设置。", kColumnX[0],
                    y[0], kBoxWidth, 40, SS_LEFT});
  design.push_back({kSettingsOk, ControlKind::DefaultButton, L"确定", 316, kButtonsY, 100, 31});
  design.push_back({kSettingsCancel, ControlKind::Button, L"取消", 428, kButtonsY, 100, 31});
  return design;
}

const std::vector<ControlSpec>& Design() {
  static const std::vector<ControlSpec> design = MakeDesign();
  return design;
}

std::vector<int> FocusOrder() {
  std::vector<int> order;
  for (const ControlSpec& row : Design())
    if (row.kind == ControlKind::Edit || row.kind == ControlKind::ComboBox) order.push_back(row.id);
  order.push_back(kSettingsOk);
  order.push_back(kSettingsCancel);
  return order;
}

}  // namespace

std::span<const ControlSpec> ConnectionSettingsDialogControls() {
  return Design();
}

FormFrame ConnectionSettingsDialogFrame() {
  return {L"连接设置", 552, 478, kDialogFrameStyle};
}

void SettingsChange::ApplyTo(ConnectionSettings& settings) const {
  for (std::size_t i = 0; i < kChoices.size() && i < changed_.size(); ++i) {
    if (!changed_[i]) continue;
    const Choice& choice = kChoices[i];
    if (choice.items.empty()) {
      choice.setText(settings, choice.text(values_));
    } else {
      choice.setItem(settings, choice.item(values_));
    }
  }
}

ConnectionSettingsDialog::ConnectionSettingsDialog(std::vector<ConnectionSettings> current,
                                                   MessagePrompt& prompt)
    : current_(std::move(current)), prompt_(prompt) {}

HWND ConnectionSettingsDialog::Create() {
  return FormWindow::Create(ConnectionSettingsDialogFrame(), Design(), FocusOrder(), kSettingsOk);
}

bool ConnectionSettingsDialog::Differs(std::size_t i) const {
  const Choice& choice = kChoices[i];
  for (const ConnectionSettings& settings : current_) {
    const bool same = choice.items.empty() ? choice.text(settings) == choice.text(current_.front())
                                           : choice.item(settings) == choice.item(current_.front());
    if (!same) return true;
  }
  return false;
}

void ConnectionSettingsDialog::OnCreated() {
  const ConnectionSettings shown = current_.empty() ? ConnectionSettings{} : current_.front();
  for (std::size_t i = 0; i < kChoices.size(); ++i) {
    const Choice& choice = kChoices[i];
    HWND field = control(FieldId(i));
    const bool differs = !current_.empty() && Differs(i);
    if (choice.items.empty()) {
      SetText(FieldId(i), differs ? L"" : WideFromGbk(choice.text(shown)).c_str());
      SendMessageW(field, EM_SETCUEBANNER, TRUE,
                   reinterpret_cast<LPARAM>(differs ? kDifferingChoice : L""));
      shownTexts_.push_back(Text(FieldId(i)));
      shownItems_.push_back(-1);
      continue;
    }
    for (const wchar_t* item : choice.items)
      SendMessageW(field, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    // The servers differ: "(不同)" after the items, until the user chooses one.
    if (differs) SendMessageW(field, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kDifferingChoice));
    const int item = differs ? static_cast<int>(choice.items.size()) : choice.item(shown);
    SendMessageW(field, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    shownTexts_.emplace_back();
    shownItems_.push_back(item);
  }
  EnableDependentFields();
}

void ConnectionSettingsDialog::EnableDependentFields() {
  const auto chosen = [this](std::size_t dropDown) {
    return static_cast<int>(SendMessageW(control(FieldId(dropDown)), CB_GETCURSEL, 0, 0));
  };
  // "(不同)" leaves each server's own choice to it, so its fields may still change them all.
  const auto differing = [&](std::size_t dropDown) {
    return chosen(dropDown) >= static_cast<int>(kChoices[dropDown].items.size());
  };
  const bool commandLine = chosen(kStartChoice) == static_cast<int>(StartMode::CommandLine);
  SetEnabled(kSettingsCommandLineNote, commandLine);  // greyed while it does not apply
  for (std::size_t i = 0; i < kChoices.size(); ++i) {
    bool enabled = !(commandLine && TakesConnectionFileOnly(kChoices[i].box));
    SetEnabled(LabelId(i), enabled);
    for (const DependentField& dependent : kDependentFields) {
      if (dependent.field != i) continue;
      enabled = enabled &&
                (chosen(dependent.dropDown) == dependent.item || differing(dependent.dropDown));
    }
    SetEnabled(FieldId(i), enabled);
  }
}

void ConnectionSettingsDialog::OnCommand(int id, int notification) {
  if (notification == CBN_SELCHANGE) {
    EnableDependentFields();
    return;
  }
  if (notification != BN_CLICKED) return;
  if (id == kSettingsOk) Commit();
  if (id == kSettingsCancel) DestroyWindow(hwnd());
}

void ConnectionSettingsDialog::Commit() {
  SettingsChange change;
  change.changed_.assign(kChoices.size(), false);
  for (std::size_t i = 0; i < kChoices.size(); ++i) {
    const Choice& choice = kChoices[i];
    if (choice.items.empty()) {
      const std::wstring text = Text(FieldId(i));
      if (text == shownTexts_[i]) continue;
      choice.setText(change.values_, GbkFromWide(text));
    } else {
      const auto item = static_cast<int>(SendMessageW(control(FieldId(i)), CB_GETCURSEL, 0, 0));
      if (item == shownItems_[i] || item < 0 || item >= static_cast<int>(choice.items.size()))
        continue;
      choice.setItem(change.values_, item);
    }
    change.changed_[i] = true;
  }
  // Every server's settings as OK would leave them must be sound.
  for (ConnectionSettings settings : current_) {
    change.ApplyTo(settings);
    if (!HasSoundTexts(settings)) {
      prompt_.Show(UnsoundSettingsText().c_str(), kInputErrorCaption, MB_OK | MB_ICONERROR);
      return;
    }
  }
  result_ = std::move(change);
  DestroyWindow(hwnd());
}

std::optional<SettingsChange> RunConnectionSettingsDialog(std::vector<ConnectionSettings> current,
                                                          MessagePrompt& prompt) {
  ConnectionSettingsDialog dialog(std::move(current), prompt);
  if (dialog.Create()) RunModal(dialog);
  return dialog.result();
}

}  // namespace rdc
