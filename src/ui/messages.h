// Every message-box text and caption the windows show.
#pragma once

namespace rdc {

inline constexpr wchar_t kSelectServerFirst[] = L"请选择服务器列表！";
inline constexpr wchar_t kOperationErrorCaption[] = L"操作错误";
inline constexpr wchar_t kIllegalServerText[] = L"服务器信息包含非法字符，无法连接。";

inline constexpr wchar_t kWrongPassword[] = L"密码错误";
inline constexpr wchar_t kErrorCaption[] = L"错误";

inline constexpr wchar_t kSaveFailed[] = L"配置文件 ms.ini 保存失败，本次的修改尚未保存。";
inline constexpr wchar_t kSaveFailedCaption[] = L"保存失败";

}  // namespace rdc
