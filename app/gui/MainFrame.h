// The main window: menu, toolbar, status bar, and the view as its client
// area. It owns the document and carries out the commands on it.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "app/gui/Document.h"
#include "app/gui/GuiHost.h"
#include "app/gui/GuiLogic.h"
#include "app/gui/MapView.h"
#include "app/gui/SkarnView.h"
#include "app/gui/SourceView.h"
#include "app/gui/WxInclude.h"
#include "core/Commands.h"

namespace skarn::gui {

// Command numbers of the program's own commands; the others are the
// toolkit's standard ones (wxID_OPEN, wxID_SAVEAS, ...).
enum CommandId : int {
  kIdDisassemble = wxID_HIGHEST + 1,
  kIdExtractBitmaps = wxID_HIGHEST + 2,
  kIdRecentFile = wxID_HIGHEST + 3,  // the recent-file list's place while it is empty
  kIdViewToolbar = wxID_HIGHEST + 4,
  kIdViewStatusBar = wxID_HIGHEST + 5,
  // Exit has no key: the standard number would bring the toolkit's Ctrl+Q.
  kIdExit = wxID_HIGHEST + 6,
  // The two views of the file: the summary (the default) and the map.
  kIdViewSummary = wxID_HIGHEST + 7,
  kIdViewMap = wxID_HIGHEST + 8,
  // The disassembly in the window, and its Find and Go to Offset commands.
  kIdViewSource = wxID_HIGHEST + 9,
  kIdFind = wxID_HIGHEST + 10,
  kIdFindNext = wxID_HIGHEST + 11,
  kIdGoToOffset = wxID_HIGHEST + 12,
};

// The commands by name, for the test hook's scripts and state dumps: open,
// saveas, recent (the empty list's entry), recent1 to recent4, exit, undo,
// cut, copy, paste, find, findnext, gotooffset, toolbar, statusbar, summary,
// map, source, disassemble, bitmaps, about, new, print, preview. 0 / "" when
// unknown.
int CommandByName(const std::string& name);
std::string CommandName(int id);

class CMainFrame : public wxFrame {
 public:
  CMainFrame();
  ~CMainFrame() override;
  CMainFrame(const CMainFrame&) = delete;
  CMainFrame& operator=(const CMainFrame&) = delete;

  // Reads and analyses a file named outside the Open dialog (command line,
  // recent-file list, a dropped file).
  void OpenFile(const std::string& path);

  // Test hook: answers for the dialogs instead of the dialogs.
  void SetDialogAnswers(DialogAnswers* answers) { host_.SetAnswers(answers); }
  // Whether a command is enabled now, as its menu item or key would find it.
  bool IsCommandEnabled(int id);
  // Writes the window's state: title, menus with their enabled and checked
  // states, toolbar, status bar, scroll sizes and the rows.
  void DumpState(std::ostream& out);
  CSkarnView& view() { return *view_; }
  CMapView& mapView() { return *map_; }
  CSourceView& sourceView() { return *source_; }
  bool busy() const { return busy_; }

 private:
  void CreateMenus();
  void CreateBars();
  void BindCommands();
  void UpdateTitle();
  void LoadRecent();
  void SaveRecent();
  void RebuildRecentMenu();
  void OpenPath(const std::string& path, bool fromRecentList);
  void ReadFile(const std::string& path, bool fromRecentList);
  void Progress(uint64_t bytes);
  template <typename Command>
  CommandResult RunCommand(const wxString& activity, Command command);
  template <typename Command>
  void RunWriter(const wxString& activity, Command command);

  void OnOpen(wxCommandEvent& event);
  void OnSaveAs(wxCommandEvent& event);
  void OnRecent(wxCommandEvent& event);
  void OnExit(wxCommandEvent& event);
  void OnNew(wxCommandEvent& event);
  void OnPrint(wxCommandEvent& event);
  void OnPreview(wxCommandEvent& event);
  void OnToggleToolbar(wxCommandEvent& event);
  void OnToggleStatusBar(wxCommandEvent& event);
  void OnShowView(wxCommandEvent& event);
  void ShowView(wxWindow* shown);
  void MakeSource();
  void ShowSelectedBand();
  // The summary's selected band row highlighted on the map.
  void HighlightSelectedBand();
  bool SourceShown() const;
  void OnFind(wxCommandEvent& event);
  void OnGoToOffset(wxCommandEvent& event);
  void OnDisassemble(wxCommandEvent& event);
  void OnExtractBitmaps(wxCommandEvent& event);
  void OnAbout(wxCommandEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnIdle(wxIdleEvent& event);

  GuiHost host_;
  SkarnDocument doc_;
  CSkarnView* view_ = nullptr;
  CMapView* map_ = nullptr;
  CSourceView* source_ = nullptr;
  std::string findText_;
  wxMenu* fileMenu_ = nullptr;
  RecentFiles recent_;
  wxPrintDialogData printData_;
  wxString lockText_[3];
  wxString activity_;
  bool busy_ = false;
};

}  // namespace skarn::gui
