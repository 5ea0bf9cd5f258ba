// Packing and unpacking the texts of a WM_COPYDATA hand-over.
#include "app/hand_over_win32.h"

#include <utility>

#include "ui/window_messages.h"

namespace rdc {
namespace {

// Far more than any command line holds: a larger hand-over is no hand-over of ours.
constexpr DWORD kMostBytes = 1 << 20;

}  // namespace

std::wstring PackHandOver(const std::vector<std::wstring>& texts) {
  std::wstring packed;
  for (const std::wstring& text : texts) {
    packed += text;
    packed += L'\0';
  }
  return packed;
}

std::optional<std::vector<std::wstring>> UnpackHandOver(const COPYDATASTRUCT& data,
                                                        ULONG_PTR kind) {
  if (data.dwData != kind || data.cbData % sizeof(wchar_t) != 0 || data.cbData > kMostBytes ||
      (data.cbData > 0 && data.lpData == nullptr))
    return std::nullopt;
  const std::wstring_view packed(static_cast<const wchar_t*>(data.lpData),
                                 data.cbData / sizeof(wchar_t));
  if (!packed.empty() && packed.back() != L'\0') return std::nullopt;
  std::vector<std::wstring> texts;
  for (std::size_t begin = 0; begin < packed.size();) {
    const std::size_t end = packed.find(L'\0', begin);
    texts.emplace_back(packed.substr(begin, end - begin));
    begin = end + 1;
  }
  return texts;
}

bool HandedOver::Take(const COPYDATASTRUCT& data) {
  if (const auto connect = UnpackHandOver(data, kHandOverConnect); connect && connect->size() == 1) {
    taken_.names.push_back(connect->front());
    return true;
  }
  if (const auto given = UnpackHandOver(data, kHandOverFiles); given && !given->empty()) {
    taken_.files.insert(taken_.files.end(), given->begin(), given->end());
    return true;
  }
  return false;
}

HandOverReceiver::Taken HandedOver::TakeAll() {
  return std::exchange(taken_, {});
}

bool SendHandOver(HWND window, ULONG_PTR kind, const std::vector<std::wstring>& texts) {
  const std::wstring packed = PackHandOver(texts);
  COPYDATASTRUCT data{kind, static_cast<DWORD>(packed.size() * sizeof(wchar_t)),
                      const_cast<wchar_t*>(packed.data())};
  DWORD_PTR taken = FALSE;
  return SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG, 5000, &taken) != 0 &&
         taken == TRUE;
}

}  // namespace rdc
