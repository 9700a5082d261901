/* A plain Win32 program for the screen-capture check: an owner window and a
   modeless dialog it owns, placed wholly inside it, holding a static painted in
   one colour (CAPTURE_COLOUR). When both are painted it creates the file named by
   argv[1]; it ends when the file named by argv[2] appears (exit 0), or after a
   minute without it (exit 2). Under Xvfb a pop-up lying wholly inside another
   window used to capture black with `xwd -root`. */
#include <windows.h>
#include <stdio.h>

#define CAPTURE_COLOUR RGB(0x12, 0xC4, 0x5A)
#define IDC_SWATCH 100

static HBRUSH swatch_brush;
static const char *done_file;
static int ticks;

static INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  (void)dlg;
  if (msg == WM_CTLCOLORSTATIC && GetDlgCtrlID((HWND)lp) == IDC_SWATCH) {
    SetBkColor((HDC)wp, CAPTURE_COLOUR);
    return (INT_PTR)swatch_brush;
  }
  return msg == WM_INITDIALOG;
}

static LRESULT CALLBACK OwnerProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER) {
    if (GetFileAttributesA(done_file) != INVALID_FILE_ATTRIBUTES) PostQuitMessage(0);
    else if (++ticks > 600) PostQuitMessage(2);
    return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

/* An in-memory dialog template: caption and one static, in dialog units. */
static WORD *Append(WORD *p, const char *text) {
  while (*text) *p++ = (WORD)(unsigned char)*text++;
  *p++ = 0;
  return p;
}

int main(int argc, char **argv) {
  if (argc != 3) { fprintf(stderr, "usage: CaptureProbe READY_FILE DONE_FILE\n"); return 1; }
  done_file = argv[2];
  swatch_brush = CreateSolidBrush(CAPTURE_COLOUR);

  WNDCLASSA wc = {0};
  wc.lpfnWndProc = OwnerProc;
  wc.hInstance = GetModuleHandleA(NULL);
  wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  wc.lpszClassName = "CaptureProbeOwner";
  wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
  RegisterClassA(&wc);
  HWND owner = CreateWindowA(wc.lpszClassName, "Capture owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                             50, 50, 700, 500, NULL, NULL, wc.hInstance, NULL);
  if (!owner) { fprintf(stderr, "no owner window (error %lu)\n", GetLastError()); return 1; }

  static WORD tpl[256];
  DLGTEMPLATE *dt = (DLGTEMPLATE *)tpl;
  dt->style = WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_SETFONT | DS_MODALFRAME;
  dt->cdit = 1;
  dt->cx = 160; dt->cy = 90;
  WORD *p = (WORD *)(dt + 1);
  *p++ = 0;  /* no menu */
  *p++ = 0;  /* default class */
  p = Append(p, "Capture dialog");
  *p++ = 8;
  p = Append(p, "MS Shell Dlg");
  p = (WORD *)(((ULONG_PTR)p + 3) & ~(ULONG_PTR)3);
  DLGITEMTEMPLATE *it = (DLGITEMTEMPLATE *)p;
  it->style = WS_CHILD | WS_VISIBLE | SS_LEFT;
  it->x = 10; it->y = 10; it->cx = 140; it->cy = 60;
  it->id = IDC_SWATCH;
  p = (WORD *)(it + 1);
  *p++ = 0xFFFF; *p++ = 0x0082;  /* static */
  p = Append(p, "");
  *p++ = 0;  /* no creation data */

  HWND dlg = CreateDialogIndirectParamA(wc.hInstance, dt, owner, DialogProc, 0);
  if (!dlg) { fprintf(stderr, "no dialog (error %lu)\n", GetLastError()); return 1; }
  /* Wholly inside the owner: the case that captured black. */
  RECT o;
  GetWindowRect(owner, &o);
  SetWindowPos(dlg, NULL, o.left + 150, o.top + 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  UpdateWindow(owner);
  UpdateWindow(dlg);

  MSG msg;
  while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
    if (!IsDialogMessageA(dlg, &msg)) { TranslateMessage(&msg); DispatchMessageA(&msg); }
  }
  HANDLE ready = CreateFileA(argv[1], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (ready == INVALID_HANDLE_VALUE) { fprintf(stderr, "cannot write %s\n", argv[1]); return 1; }
  CloseHandle(ready);

  SetTimer(owner, 1, 100, NULL);
  int rc = 2;
  while (GetMessageA(&msg, NULL, 0, 0) > 0) {
    if (!IsDialogMessageA(dlg, &msg)) { TranslateMessage(&msg); DispatchMessageA(&msg); }
  }
  if (msg.message == WM_QUIT) rc = (int)msg.wParam;
  DestroyWindow(dlg);
  DestroyWindow(owner);
  DeleteObject(swatch_brush);
  return rc;
}
