// The message to the user: a modal message box with no owner window, the
// caption "TOVRA", an OK button and no icon. The call returns when the user
// has closed it.
#include <windows.h>

#include "platform.h"

namespace tovra {

void ShowMessage(const char *text) { MessageBoxA(NULL, text, "TOVRA", 0); }

}  // namespace tovra
