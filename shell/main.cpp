// The process entry of the setup: refuses to run beside a second copy, puts
// up the backdrop and hands over to the wizard, which never returns.
#include <windows.h>

#include "resources/resource_ids.h"
#include "shell/backdrop.h"
#include "shell/base/setup_state.h"
#include "shell/base/start_checks.h"
#include "shell/wizard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  Setup.WantDesktopShortcut = 0;
  if (CheckSingleInstance()) ExitProcess(0);

  RegisterBackdropClass(instance);
  Setup.ModuleInstance = instance;
  Setup.TitleFont = CreateTitleFont();
  // The pages carry the setup's own icon (small size) in their alt-tab entry.
  Setup.PageIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXSMICON),
                                                 GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));

  Setup.MainWindow = CreateBackdropWindow(instance);
  if (Setup.MainWindow == nullptr) ExitProcess(0xFFFFFFFF);

  ShowWindow(Setup.MainWindow, showCommand);
  SetForegroundWindow(Setup.MainWindow);
  UpdateWindow(Setup.MainWindow);
  RunWizard();
}
