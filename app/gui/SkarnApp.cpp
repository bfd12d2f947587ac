#include "app/gui/SkarnApp.h"

#include <new>

#include "app/common/SignalCleanup.h"
#include "app/gui/GuiHost.h"
#include "app/gui/MainFrame.h"

namespace skarn::gui {

CSkarnApp::CSkarnApp() = default;
CSkarnApp::~CSkarnApp() = default;

void CSkarnApp::OnInitCmdLine(wxCmdLineParser& parser) {
  parser.SetSwitchChars("-");
  parser.AddSwitch("h", "help", "show this help", wxCMD_LINE_OPTION_HELP);
  // The test hook: dialog answers and commands from a file.
  parser.AddOption(wxEmptyString, "script", "run the steps of a script", wxCMD_LINE_VAL_STRING, wxCMD_LINE_HIDDEN);
  parser.AddParam("BGL file to open", wxCMD_LINE_VAL_STRING, wxCMD_LINE_PARAM_OPTIONAL);
  parser.SetLogo("skarn-gui: shows what a BGL scenery file holds and writes it as assembler source.");
}

bool CSkarnApp::OnCmdLineParsed(wxCmdLineParser& parser) {
  parser.Found("script", &script_);
  if (parser.GetParamCount() > 0) file_ = parser.GetParam(0);
  return true;
}

bool CSkarnApp::OnCmdLineHelp(wxCmdLineParser& parser) {
  parser.Usage();
  helpOnly_ = true;
  return true;
}

bool CSkarnApp::OnInit() {
  SetAppName("Skarn");
  SetAppDisplayName("Skarn");
  // The settings (the recent-file list) are kept under this key; on Unix in
  // the user's configuration folder.
  SetVendorName("Local AppWizard-Generated Applications");
#if defined(__UNIX__) && !defined(__WXOSX__)
  wxStandardPaths::Get().SetFileLayout(wxStandardPaths::FileLayout_XDG);
#endif
  // Interrupted runs leave no temporary file behind.
  shell::SignalCleanup::Install();
  if (!wxApp::OnInit()) return false;
  if (helpOnly_) return true;
  if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr) wxImage::AddHandler(new wxPNGHandler);

  auto* frame = new CMainFrame();
  if (!script_.empty()) {
    runner_ = std::make_unique<ScriptRunner>(*frame, PathToBytes(script_));
    if (!runner_->Load()) {
      frame->Destroy();
      return false;
    }
    frame->SetDialogAnswers(runner_.get());
  }
  SetTopWindow(frame);
  frame->Show();
  if (!file_.empty()) {
    // Once the window is on the screen, as if chosen in the Open dialog; made
    // absolute, as the recent-file list keeps it.
    wxFileName name(file_);
    name.MakeAbsolute();
    const std::string path = PathToBytes(name.GetFullPath());
    frame->CallAfter([frame, path] { frame->OpenFile(path); });
  }
  if (runner_) runner_->Start();
  return true;
}

bool CSkarnApp::OnExceptionInMainLoop() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    if (runner_) {
      runner_->Fail("Error: not enough memory to finish the last command");
    } else {
      wxMessageBox("Error: not enough memory to finish the last command", "Skarn", wxOK | wxICON_ERROR);
    }
    return true;
  } catch (...) {
    return wxApp::OnExceptionInMainLoop();
  }
}

void CSkarnApp::OnAssertFailure(const wxChar* file, int line, const wxChar* func, const wxChar* cond,
                                const wxChar* msg) {
  if (!runner_) {
    wxApp::OnAssertFailure(file, line, func, cond, msg);
    return;
  }
  runner_->Fail(std::string(wxString::Format("toolkit check failed at %s:%d in %s: %s %s", file, line, func, cond,
                                             msg != nullptr ? msg : wxT(""))
                                .utf8_str()));
}

int CSkarnApp::OnRun() {
  if (helpOnly_) return 0;
  const int code = wxApp::OnRun();
  return runner_ && runner_->failed() ? 1 : code;
}

int CSkarnApp::OnExit() {
  runner_.reset();
  return wxApp::OnExit();
}

}  // namespace skarn::gui
