#include "gui/win32/command_routes.h"

#include "platform/win32/windows_api.h"

#include "gui/win32/template_ids.h"

namespace harrowlander::win32 {
namespace {

using D = CHarrowlanderDlg;

struct Route {
  int id;
  int code;
  void (D::*handler)();
};

// In the order of the message map's entries.
constexpr Route kRoutes[] = {
    {res::IDC_CONFIGURE_CLIENT, BN_CLICKED, &D::OnConfigureClient},
    {res::IDC_DATABASE, CBN_DROPDOWN, &D::OnDropdownDatabase},
    {res::IDC_ABOUT, BN_CLICKED, &D::OnAbout},
    {IDOK, BN_CLICKED, &D::OnStart},
    {res::IDC_MODE_BACKUP, BN_CLICKED, &D::OnModeChanged},
    {res::IDC_SAME_MACHINE, BN_CLICKED, &D::OnModeChanged},
    {res::IDC_MODE_RESTORE, BN_CLICKED, &D::OnModeChanged},
    {res::IDC_RAR_PASSWORD, EN_CHANGE, &D::OnRarPasswordChange},
    {res::IDC_MODE_DELETE, BN_CLICKED, &D::OnModeChanged},
    {res::IDC_SERVER, CBN_EDITCHANGE, &D::OnServerEditChange},
    {res::IDC_SERVER, CBN_DROPDOWN, &D::OnServerDropDown},
    {res::IDC_SERVER, CBN_SELCHANGE, &D::OnServerSelChange},
    {res::IDC_COMPRESS_RAR, BN_CLICKED, &D::OnCompressRarClicked},
    {res::IDC_MODE_SHRINK, BN_CLICKED, &D::OnShrinkModeClicked},
    {res::IDC_MODE_DROP_TABLES, BN_CLICKED, &D::OnDropTablesModeClicked},
};

}  // namespace

bool RouteCommand(CHarrowlanderDlg& dlg, int id, int code) {
  bool routed = false;
  for (const Route& route : kRoutes) {
    if (route.id == id && route.code == code) {
      (dlg.*route.handler)();
      routed = true;
    }
  }
  return routed;
}

}  // namespace harrowlander::win32
