// Every message-box text and caption the windows show.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "import/import_summary.h"
#include "model/connection_settings.h"

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

// Followed by a line with the system's text for the error.
inline constexpr wchar_t kSaveFailed[] = L"配置文件 ms.ini 保存失败，本次的修改尚未保存。";
inline constexpr wchar_t kSaveFailedCaption[] = L"保存失败";
// The reason in that box when another copy of the program held ms.ini's lock throughout.
inline constexpr wchar_t kConfigLockHeld[] = L"另一处正在保存 ms.ini";
// Follows the main window's title while a change is not saved yet.
inline constexpr wchar_t kUnsavedTitleMark[] = L" (未保存)";

inline constexpr wchar_t kConfigUnreadable[] =
    L"无法读取配置文件 ms.ini，本次运行的修改不会保存，以免覆盖它。";
inline constexpr wchar_t kConfigDamaged[] =
    L"配置文件 ms.ini 已损坏或不是本程序的文件，本次运行的修改不会保存，以免覆盖它。";
inline constexpr wchar_t kConfigUnreadableCaption[] = L"读取失败";

// A save or a reload met changes of another copy of the program to the same servers.
inline std::wstring MergeConflictsText(int conflicts) {
  return L"服务器列表已被另一处修改，有 " + std::to_wstring(conflicts) +
         L" 项两边都改过，两个版本都已保留。";
}
inline constexpr wchar_t kMergeCaption[] = L"合并";
// The server being edited was deleted by another copy meanwhile (caption kMergeCaption).
inline constexpr wchar_t kEditedServerDeletedElsewhere[] =
    L"该服务器已被另一处删除，修改已作为新服务器保存。";

// The server manager.
inline constexpr wchar_t kManagerTitle[] = L"服务器管理";
inline constexpr wchar_t kManagerSearchCue[] = L"搜索主机、账号、备注、分组 (Ctrl+F)";
inline constexpr wchar_t kAllServersNode[] = L"全部服务器";
inline constexpr wchar_t kUngroupedNode[] = L"未分组";
inline constexpr wchar_t kRecentNode[] = L"最近连接";
// "共 N 台　显示 M 台　在线 K 台　已选 S 台"
inline std::wstring ManagerStatusText(std::size_t total, std::size_t shown, std::size_t online,
                                      std::size_t selected) {
  return L"共 " + std::to_wstring(total) + L" 台\u3000显示 " + std::to_wstring(shown) +
         L" 台\u3000在线 " + std::to_wstring(online) + L" 台\u3000已选 " +
         std::to_wstring(selected) + L" 台";
}
inline std::wstring ConfirmManyConnectionsText(std::size_t count) {
  return L"将打开 " + std::to_wstring(count) + L" 个远程桌面连接，是否继续？";
}
inline constexpr wchar_t kConnectCaption[] = L"连接";
// More connections than this at once are asked about first.
inline constexpr std::size_t kConnectionsWithoutAsking = 5;
inline std::wstring ConfirmDeleteManyText(std::size_t count) {
  return L"确认删除选中的 " + std::to_wstring(count) + L" 项？";
}
inline std::wstring ConfirmDeleteGroupText(std::wstring_view group, std::size_t servers) {
  return L"确认删除分组“" + std::wstring(group) + L"”？其中的 " + std::to_wstring(servers) +
         L" 台服务器将移到未分组。";
}
inline constexpr wchar_t kDeleteGroupCaption[] = L"删除分组";

// The connection settings dialog.
inline constexpr wchar_t kDifferingChoice[] = L"(不同)";
inline std::wstring UnsoundSettingsText() {
  return L"连接设置无效：宽和高须为 " + std::to_wstring(kSmallestDesktopSide) + L" 到 " +
         std::to_wstring(kLargestDesktopSide) +
         L" 之间的数，显示器为以逗号分隔的数字，驱动器为以逗号分隔的盘符，网关服务器为主机名（可带 :端口）。";
}

// "/connect NAME" named no stored server (caption kOperationErrorCaption).
inline std::wstring ServerNotFoundText(std::wstring_view name) {
  return L"未找到服务器 " + std::wstring(name) + L"。";
}

// Followed by the system's text for the error.
inline constexpr wchar_t kClientNotStarted[] = L"无法启动远程桌面客户端 mstsc.exe：";
inline constexpr wchar_t kConnectFailedCaption[] = L"连接失败";
inline constexpr wchar_t kCredentialNotLent[] =
    L"无法把密码保存为该计算机的凭据，远程桌面客户端未启动：";

inline constexpr wchar_t kRunningCopyWithoutWindow[] =
    L"另一个 rdconnect 正在运行但没有窗口，请在任务管理器中结束它。";
inline constexpr wchar_t kProgramCaption[] = L"rdconnect";

// The system's text for an error, or its number where it has none, comes
// from os/system_error_win32.

inline constexpr wchar_t kImportCaption[] = L"导入";
// "%1" and "%2" stand for the numbers and names (see ImportSummaryPhrases).
inline constexpr ImportSummaryPhrases kImportSummaryPhrases = {
    .imported = L"已导入 %1 台服务器，跳过 %2 台重复或无效的项。",
    .passwordsLeftEmpty = L"%1 台服务器的密码无法解开，已留空。",
    .refusedFile = L"无法导入：%1（%2）",
    // In the order of ImportRefusal.
    .reasons = {L"无法读取文件", L"文件内容不完整或已损坏", L"不是可导入的服务器列表",
                L"没有服务器地址", L"未输入正确的主密码", L"文件大于 64 MB",
                L"文件的元素和属性多于 200 万个", L"文件太大或已损坏，读取时出错"},
};

inline constexpr wchar_t kExportCaption[] = L"导出";
inline constexpr wchar_t kNothingToExport[] = L"没有可导出的服务器。";
// Asked before connection files are written for servers with passwords.
inline constexpr wchar_t kExportPasswordsQuestion[] = L"连接文件中是否包含密码 (仅限本机当前用户可用)？";
// "已导出 N 台服务器到 PLACE。"
inline std::wstring ExportedText(int servers, std::wstring_view place) {
  return L"已导出 " + std::to_wstring(servers) + L" 台服务器到 " + std::wstring(place) + L"。";
}
inline std::wstring PasswordsLeftOutText(int passwords) {
  return L"\n" + std::to_wstring(passwords) + L" 台服务器的密码无法加密，未写入。";
}
// Followed by a line with the system's text for the error.
inline std::wstring ExportFailedText(std::wstring_view file) {
  return L"无法写入文件 " + std::wstring(file) + L"：";
}

}  // namespace rdc
