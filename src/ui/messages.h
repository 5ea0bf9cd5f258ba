// Every message-box text and caption the windows show.
#pragma once

#include <string>
#include <string_view>

namespace rdc {

inline constexpr wchar_t kSelectServerFirst[] = L"请选择服务器列表！";
inline constexpr wchar_t kOperationErrorCaption[] = L"操作错误";
inline constexpr wchar_t kIllegalServerText[] = L"服务器信息包含非法字符，无法连接。";

inline constexpr wchar_t kInputErrorCaption[] = L"输入出错";
inline constexpr wchar_t kUnstorableServerText[] = L"服务器信息不能包含“|”或控制字符。";
inline constexpr wchar_t kConfirmDelete[] = L"确认删除该项？";
inline constexpr wchar_t kConfirmDeleteCaption[] = L"删除项目";

inline constexpr wchar_t kPasswordsDiffer[] = L"两次密码必须相同";
inline constexpr wchar_t kPasswordHasCloseMarker[] = L"启动密码不能包含字符“>”。";
inline constexpr wchar_t kConfirmClearPassword[] = L"您确定要清空密码吗？";
inline constexpr wchar_t kHintCaption[] = L"提示";

inline constexpr wchar_t kWrongPassword[] = L"密码错误";
inline constexpr wchar_t kErrorCaption[] = L"错误";

inline constexpr wchar_t kSaveFailed[] = L"配置文件 ms.ini 保存失败，本次的修改尚未保存。";
inline constexpr wchar_t kSaveFailedCaption[] = L"保存失败";

inline constexpr wchar_t kConfigUnreadable[] =
    L"无法读取配置文件 ms.ini，本次运行的修改不会保存，以免覆盖它。";
inline constexpr wchar_t kConfigUnreadableCaption[] = L"读取失败";

// "/connect NAME" named no stored server (caption kOperationErrorCaption).
inline std::wstring ServerNotFoundText(std::wstring_view name) {
  return L"未找到服务器 " + std::wstring(name) + L"。";
}

}  // namespace rdc
