#include "res/dialog_templates.h"

#include "res/resource_ids.h"

namespace harrowlander::res {
namespace {

using K = ControlKind;

constexpr unsigned kEditStyle = kAutoHScroll;

// Radio 1010 starts the radio group; check box 1006, the next control, ends it.
// clang-format off
constexpr ControlTemplate kMainControls[] = {
    {IDC_MODE_BACKUP, K::kRadioButton, {11, 15, 32, 10}, "备份", kStyleNone, false, true},
    {IDC_MODE_RESTORE, K::kRadioButton, {49, 15, 32, 10}, "还原", kStyleNone, false, false},
    {IDC_MODE_DELETE, K::kRadioButton, {87, 15, 32, 10}, "删除", kStyleNone, false, false},
    {IDC_MODE_SHRINK, K::kRadioButton, {125, 15, 32, 10}, "收缩", kStyleNone, false, false},
    {IDC_MODE_DROP_TABLES, K::kRadioButton, {163, 15, 32, 10}, "删表", kStyleNone, false, false},
    {IDC_SAME_MACHINE, K::kCheckBox, {206, 15, 128, 10}, "数据服务器与本机是同一台机器", kStyleNone, true, true},
    {kNoId, K::kGroupBox, {6, 30, 193, 102}, "SQL Server服务器", kStyleNone, false, false},
    {kNoId, K::kLabel, {14, 40, 36, 15}, "服务器  实例名", kStyleNone, false, false},
    {IDC_SERVER, K::kComboDropDown, {54, 44, 84, 133}, "", kStyleNone, true, false},
    {IDC_CONFIGURE_CLIENT, K::kPushButton, {144, 42, 50, 14}, "配置客户端", kStyleNone, true, false},
    {kNoId, K::kLabel, {14, 70, 39, 8}, "用户验证", kStyleNone, false, false},
    {IDC_SQL_USER, K::kEdit, {54, 64, 25, 14}, "", kEditStyle | kReadOnly, true, false},
    {IDC_SQL_PASSWORD, K::kEdit, {83, 64, 54, 14}, "", kEditStyle | kPassword, true, false},
    {IDC_SAVE_SQL_PASSWORD, K::kCheckBox, {147, 65, 48, 10}, "保存密码", kStyleNone, true, false},
    {kNoId, K::kLabel, {13, 93, 39, 8}, "连接超时", kStyleNone, false, false},
    {IDC_CONNECT_TIMEOUT, K::kEdit, {54, 87, 25, 14}, "", kEditStyle | kRightAligned, true, false},
    {kNoId, K::kLabel, {86, 93, 14, 8}, "秒", kStyleNone, false, false},
    {kNoId, K::kLabel, {109, 93, 34, 8}, "任务超时", kStyleNone, false, false},
    {IDC_COMMAND_TIMEOUT, K::kEdit, {151, 87, 25, 14}, "", kEditStyle | kRightAligned, true, false},
    {kNoId, K::kLabel, {183, 93, 14, 8}, "秒", kStyleNone, false, false},
    {kNoId, K::kLabel, {14, 114, 39, 8}, "数据库", kStyleNone, false, false},
    {IDC_DATABASE, K::kComboDropDown, {54, 110, 135, 114}, "", kStyleNone, true, false},
    {kNoId, K::kGroupBox, {206, 30, 181, 80}, "登陆到服务器使用的帐户", kStyleNone, false, false},
    {kNoId, K::kLabel, {214, 48, 39, 8}, "服务器名", kStyleNone, false, false},
    {IDC_NET_SERVER, K::kEdit, {254, 42, 70, 14}, "", kEditStyle, true, false},
    {kNoId, K::kLabel, {214, 70, 39, 8}, "用户名", kStyleNone, false, false},
    {IDC_NET_USER, K::kEdit, {254, 64, 70, 14}, "", kEditStyle, true, false},
    {kNoId, K::kLabel, {214, 92, 39, 8}, "密码", kStyleNone, false, false},
    {IDC_NET_PASSWORD, K::kEdit, {254, 86, 70, 14}, "", kEditStyle | kPassword, true, false},
    {IDC_SAVE_NET_PASSWORD, K::kCheckBox, {335, 90, 48, 10}, "保存密码", kStyleNone, true, false},
    {IDOK, K::kDefaultPushButton, {212, 116, 43, 17}, "开始", kStyleNone, true, false},
    {IDCANCEL, K::kPushButton, {275, 116, 43, 17}, "退出", kStyleNone, true, false},
    {IDC_ABOUT, K::kPushButton, {338, 116, 43, 17}, "关于", kStyleNone, true, false},
    {IDC_SHRINK_BEFORE_BACKUP, K::kCheckBox, {6, 139, 128, 10}, "备份前清空日志并收缩空闲空间", kStyleNone, true, false},
    {IDC_INCREMENTAL, K::kCheckBox, {139, 139, 46, 10}, "增量备份", kStyleNone, true, false},
    {IDC_COMPRESS_RAR, K::kCheckBox, {193, 139, 92, 10}, "备份后压缩为RAR文件", kStyleNone, true, false},
    {kNoId, K::kLabel, {290, 139, 20, 8}, "加密", kStyleNone, false, false},
    {IDC_RAR_PASSWORD, K::kEdit, {312, 135, 35, 14}, "", kEditStyle | kPassword, true, false},
    {IDC_RAR_PASSWORD2, K::kEdit, {350, 135, 35, 14}, "", kEditStyle | kPassword, true, false},
    {IDC_DROP_BEFORE_RESTORE, K::kCheckBox, {6, 157, 93, 10}, "还原前删除原有数据库", kStyleNone, true, false},
    {IDC_RESTORE_TO_DATA_DIR, K::kCheckBox, {105, 157, 83, 10}, "还原到SQL数据目录", kStyleNone, true, false},
    {IDC_TRUNCATE_LOG_BEFORE_SHRINK, K::kCheckBox, {197, 157, 72, 10}, "收缩前清空日志", kStyleNone, true, false},
    {kNoId, K::kLabel, {274, 157, 60, 8}, "空闲空间收缩至", kStyleNone, false, false},
    {IDC_SHRINK_PERCENT, K::kEdit, {335, 153, 21, 14}, "", kEditStyle | kRightAligned, true, false},
    {kNoId, K::kLabel, {362, 157, 12, 8}, "%", kStyleNone, false, false},
    {kNoId, K::kLabel, {6, 174, 87, 8}, "表名关键字 例如:SYS_%", kStyleNone, false, false},
    {IDC_TABLE_KEYWORD, K::kEdit, {99, 170, 288, 14}, "", kEditStyle, true, false},
    {IDC_STATUS, K::kStatusText, {6, 188, 381, 36}, "", kStyleNone, false, false},
};

constexpr ControlTemplate kAboutControls[] = {
    {kNoId, K::kIcon, {11, 17, 20, 20}, "", kStyleNone, false, false},
    {kNoId, K::kLabel, {40, 10, 119, 8}, "Harrowlander 1.4 版", kNoPrefix, false, false},
    {kNoId, K::kLabel, {40, 25, 119, 8}, "版权所有 (C) 2026", kStyleNone, false, false},
    {kNoId, K::kLabel, {40, 40, 167, 8}, "SQL Server 数据库备份、还原与维护工具", kStyleNone, false, false},
    {IDOK, K::kDefaultPushButton, {178, 7, 50, 14}, "确定", kStyleNone, true, true},
};

constexpr DialogTemplate kMainDialog{IDD_HARROWLANDER_DIALOG, "Harrowlander1.43", "宋体", 9, 401,
                                     231, true, true, true, kMainControls};

constexpr DialogTemplate kAboutDialog{IDD_ABOUTBOX, "关于 Harrowlander", "宋体", 9, 235, 55, true,
                                      false, false, kAboutControls};
// clang-format on

}  // namespace

const DialogTemplate& MainDialogTemplate() {
  return kMainDialog;
}

const DialogTemplate& AboutDialogTemplate() {
  return kAboutDialog;
}

}  // namespace harrowlander::res

