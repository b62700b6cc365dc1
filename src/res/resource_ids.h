#pragma once

// Resource and control ids of the dialog templates; every front end uses these.
namespace harrowlander::res {

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDD_HARROWLANDER_DIALOG = 102;
inline constexpr int IDR_MAINFRAME = 128;  // application icon
inline constexpr int IDM_ABOUTBOX = 0x0010;

inline constexpr int IDOK = 1;      // Start
inline constexpr int IDCANCEL = 2;  // Exit
inline constexpr int IDC_ABOUT = 100;

inline constexpr int IDC_RAR_PASSWORD = 1000;
inline constexpr int IDC_CONFIGURE_CLIENT = 1001;
inline constexpr int IDC_SQL_USER = 1002;
inline constexpr int IDC_SQL_PASSWORD = 1003;
inline constexpr int IDC_SAVE_SQL_PASSWORD = 1004;
inline constexpr int IDC_DATABASE = 1005;
inline constexpr int IDC_SAME_MACHINE = 1006;
inline constexpr int IDC_COMPRESS_RAR = 1007;
inline constexpr int IDC_STATUS = 1008;
inline constexpr int IDC_DROP_BEFORE_RESTORE = 1009;
inline constexpr int IDC_MODE_BACKUP = 1010;
inline constexpr int IDC_MODE_RESTORE = 1011;
inline constexpr int IDC_NET_USER = 1012;
inline constexpr int IDC_NET_PASSWORD = 1013;
inline constexpr int IDC_SAVE_NET_PASSWORD = 1014;
inline constexpr int IDC_NET_SERVER = 1015;
inline constexpr int IDC_SHRINK_BEFORE_BACKUP = 1016;
inline constexpr int IDC_MODE_DELETE = 1017;
inline constexpr int IDC_SERVER = 1018;
inline constexpr int IDC_RESTORE_TO_DATA_DIR = 1019;
inline constexpr int IDC_RAR_PASSWORD2 = 1020;
inline constexpr int IDC_MODE_SHRINK = 1021;
inline constexpr int IDC_SHRINK_PERCENT = 1022;
inline constexpr int IDC_TRUNCATE_LOG_BEFORE_SHRINK = 1023;
inline constexpr int IDC_MODE_DROP_TABLES = 1024;
inline constexpr int IDC_TABLE_KEYWORD = 1025;
inline constexpr int IDC_CONNECT_TIMEOUT = 1026;
inline constexpr int IDC_COMMAND_TIMEOUT = 1027;
inline constexpr int IDC_INCREMENTAL = 1028;

}  // namespace harrowlander::res
