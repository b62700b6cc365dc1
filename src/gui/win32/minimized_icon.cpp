#include "gui/win32/minimized_icon.h"

namespace harrowlander::win32 {

POINT CenteredIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
  return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

void PaintMinimizedIcon(HWND window, HICON icon) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  SendMessageW(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(window, &client);
  const POINT origin = CenteredIconOrigin(client.right - client.left, client.bottom - client.top,
                                          GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
  DrawIcon(dc, origin.x, origin.y, icon);
  EndPaint(window, &paint);
}

}  // namespace harrowlander::win32
