// The application object: settings, the command line, the main window.
#pragma once

#include <memory>

#include "app/gui/ScriptRunner.h"
#include "app/gui/WxInclude.h"

namespace skarn::gui {

class CSkarnApp : public wxApp {
 public:
  CSkarnApp();
  ~CSkarnApp() override;
  CSkarnApp(const CSkarnApp&) = delete;
  CSkarnApp& operator=(const CSkarnApp&) = delete;

  bool OnInit() override;
  int OnRun() override;
  int OnExit() override;
  void OnInitCmdLine(wxCmdLineParser& parser) override;
  bool OnCmdLineParsed(wxCmdLineParser& parser) override;
  // --help: the usage, and an exit status of 0 without a window.
  bool OnCmdLineHelp(wxCmdLineParser& parser) override;
  // Memory running out in a handler that does not report it itself (drawing,
  // printing) is reported and the window goes on; other exceptions end the
  // program as the toolkit does.
  bool OnExceptionInMainLoop() override;
  // Under a script a failed check of the toolkit fails the run instead of
  // waiting in a dialog.
  void OnAssertFailure(const wxChar* file, int line, const wxChar* func, const wxChar* cond,
                       const wxChar* msg) override;

 private:
  wxString file_;
  wxString script_;
  bool helpOnly_ = false;
  std::unique_ptr<ScriptRunner> runner_;
};

}  // namespace skarn::gui
