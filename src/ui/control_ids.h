// Control identifiers, one block per window.
#pragma once

namespace rdc {

// The main window's timer 时钟1: a status sweep at every tick.
inline constexpr unsigned kMainProbeTimer = 1;
// The main window's retries of a save or a reload that found ms.ini busy.
inline constexpr unsigned kMainSaveRetryTimer = 2;

enum MainControl : int {
  kMainServerGroup = 100,  // 分组框2 "服务器控制"
  kMainTemporaryGroup,     // 分组框5 "临时远程登陆"
  kMainConnectionGroup,    // 分组框1 "连接方式"
  kMainRemarkGroup,        // 分组框4 "备注"
  kMainResolutionGroup,    // 分组框3 "分辨率"
  kMainVendorLink,         // 按钮1
  kMainServerList,         // 超级列表框1
  kMainConnect,            // 按钮_连接服务器
  kMainAdd,                // 按钮_添加服务器
  kMainDelete,             // 按钮_删除服务器
  kMainEdit,               // 按钮_设置服务器
  kMainStartupPassword,    // 按钮_启动密码
  kMainLabelIp,            // 标签1
  kMainTemporaryHost,      // 临时IP
  kMainLabelPassword,      // 标签2
  kMainTemporaryPassword,  // 临时密码
  kMainLabelAccount,       // 标签3
  kMainTemporaryAccount,   // 临时账号
  kMainLabelPort,          // 标签4
  kMainTemporaryPort,      // 临时端口
  kMainTemporaryLogin,     // 临时登陆
  kMainShareDisks,         // 磁盘
  kMainForceAdmin,         // 选择框_admin
  kMainRemark,             // 编辑框_备注
  kMainSmallScreen,        // 单选框800600
  kMainFullScreen,         // 单选框1024768
};

enum LoginControl : int {
  kLoginPicture = 200,  // 图片框1
  kLoginLabel,          // 标签1
  kLoginPassword,       // 编辑框1
  kLoginOk,             // 按钮1
  kLoginCancel,         // 按钮2
};

enum ServerDialogControl : int {
  kServerGroup = 300,    // 分组框1 "服务器信息"
  kServerLabelHost,      // 标签1
  kServerHost,           // 编辑框_域名
  kServerLabelPort,      // 标签2
  kServerPort,           // 编辑框_端口
  kServerLabelAccount,   // 标签3
  kServerAccount,        // 编辑框_账号
  kServerLabelPassword,  // 标签4
  kServerPassword,       // 编辑框_密码
  kServerLabelRemark,    // 标签5
  kServerRemark,         // 编辑框_备注
  kServerOk,             // 按钮1
  kServerCancel,         // 按钮2
};

enum SetPasswordControl : int {
  kSetPasswordPicture = 400,  // 图片框1
  kSetPasswordLabelNew,       // 标签1
  kSetPasswordNew,            // 编辑框1
  kSetPasswordLabelRepeat,    // 标签2
  kSetPasswordRepeat,         // 编辑框2
  kSetPasswordOk,             // 按钮1
  kSetPasswordCancel,         // 按钮2
};

enum MasterPasswordControl : int {
  kMasterPicture = 500,
  kMasterLabel,
  kMasterPassword,
  kMasterOk,
  kMasterCancel,
};

enum BulkEditControl : int {
  kBulkGroup = 600,
  kBulkUsePort,
  kBulkPort,
  kBulkUseAccount,
  kBulkAccount,
  kBulkUsePassword,
  kBulkPassword,
  kBulkUseGroup,
  kBulkGroupPath,
  kBulkOk,
  kBulkCancel,
};

enum MoveToGroupControl : int {
  kMoveLabel = 700,
  kMoveGroupPath,
  kMoveOk,
  kMoveCancel,
};

// The server manager's controls; its list is laid out by the window as it is sized.
enum ManagerControl : int {
  kManagerSearch = 800,
  kManagerTree,
  kManagerList,
  kManagerStatus,
};

// The connection settings dialog: a group box for each kind of choice, then
// for each choice its label and its field (first label, first field, second
// label, ...), the note of the start without a connection file, then the
// buttons.
enum ConnectionSettingsControl : int {
  kSettingsFirstBox = 880,
  kSettingsFirstChoice = 900,
  kSettingsCommandLineNote = 989,
  kSettingsOk = 990,
  kSettingsCancel,
};

}  // namespace rdc
