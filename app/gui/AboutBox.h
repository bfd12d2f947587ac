// The application icon and the About box.
#pragma once

#include "app/gui/WxInclude.h"

namespace skarn::gui {

// The icon, drawn at the given size: a rock face under a sky, with a runway
// at its foot.
wxBitmap MakeAppBitmap(int size);
wxIconBundle MakeAppIcons();

// "About Skarn": the icon, the version text and an OK button; shown modally.
class CAboutDlg : public wxDialog {
 public:
  explicit CAboutDlg(wxWindow* parent);
};

}  // namespace skarn::gui
