// skarn-gui: the desktop program over the core.
//
//   skarn-gui [FILE]
#include "app/gui/SkarnApp.h"

wxIMPLEMENT_APP(skarn::gui::CSkarnApp);
