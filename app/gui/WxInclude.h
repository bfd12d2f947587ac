// The toolkit's headers, included through one place. They are compiled as
// system headers (the build marks their folders so), so their own warnings do
// not fail the build.
#pragma once

#include <wx/wx.h>

#include <wx/artprov.h>
#include <wx/cmdline.h>
#include <wx/config.h>
#include <wx/dnd.h>
#include <wx/evtloop.h>
#include <wx/filename.h>
#include <wx/print.h>
#include <wx/stdpaths.h>
#include <wx/uiaction.h>
