#include "app/gui/MainFrame.h"

#include <algorithm>
#include <exception>
#include <new>
#include <utility>

#include "app/gui/AboutBox.h"
#include "core/Bitmaps.h"
#include "core/Commands.h"

namespace skarn::gui {

namespace {

const char* const kReady = "Ready";
const char* const kRecentGroup = "/Recent File List";

// Sets a flag for the length of a command, so that nothing that the toolkit
// delivers while the command repaints the window starts another one.
class BusyScope {
 public:
  explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~BusyScope() { flag_ = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& flag_;
};

// Files dropped on the view are opened like the Open command's choice (the
// first one, as the window shows one file at a time).
class FileDropTarget : public wxFileDropTarget {
 public:
  explicit FileDropTarget(CMainFrame& frame) : frame_(frame) {}
  bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& files) override {
    if (files.empty() || frame_.busy()) return false;
    // Opened after the drop has finished: reading a large file must not hold
    // up the drag source.
    const std::string path = PathToBytes(files[0]);
    CMainFrame* frame = &frame_;
    frame_.CallAfter([frame, path] { frame->OpenFile(path); });
    return true;
  }

 private:
  CMainFrame& frame_;
};

wxString RecentLabel(size_t index, const std::string& path) {
  wxString name = PathFromBytes(path);
  constexpr size_t kMax = 60;
  if (name.length() > kMax) name = name.Left(24) + "..." + name.Right(kMax - 27);
  name.Replace("&", "&&");
  return wxString::Format("&%zu %s", index + 1, name);
}

struct NamedCommand {
  const char* name;
  int id;
};

constexpr NamedCommand kCommandNames[] = {
    {"open", wxID_OPEN},
    {"saveas", wxID_SAVEAS},
    {"recent", kIdRecentFile},
    {"recent1", wxID_FILE1},
    {"recent2", wxID_FILE2},
    {"recent3", wxID_FILE3},
    {"recent4", wxID_FILE4},
    {"exit", kIdExit},
    {"undo", wxID_UNDO},
    {"cut", wxID_CUT},
    {"copy", wxID_COPY},
    {"paste", wxID_PASTE},
    {"find", kIdFind},
    {"findnext", kIdFindNext},
    {"gotooffset", kIdGoToOffset},
    {"toolbar", kIdViewToolbar},
    {"statusbar", kIdViewStatusBar},
    {"summary", kIdViewSummary},
    {"map", kIdViewMap},
    {"source", kIdViewSource},
    {"disassemble", kIdDisassemble},
    {"bitmaps", kIdExtractBitmaps},
    {"about", wxID_ABOUT},
    {"new", wxID_NEW},
    {"print", wxID_PRINT},
    {"preview", wxID_PREVIEW},
};

}  // namespace

int CommandByName(const std::string& name) {
  for (const NamedCommand& c : kCommandNames) {
    if (name == c.name) return c.id;
  }
  return 0;
}

std::string CommandName(int id) {
  for (const NamedCommand& c : kCommandNames) {
    if (id == c.id) return c.name;
  }
  return std::to_string(id);
}

CMainFrame::CMainFrame()
    : wxFrame(nullptr, wxID_ANY, "Untitled - Skarn", wxDefaultPosition, wxSize(820, 560)), doc_(host_), recent_(4) {
  SetIcons(MakeAppIcons());
  host_.SetParent(this);
  host_.SetProgress([this](uint64_t bytes) { Progress(bytes); });
  CreateMenus();
  CreateBars();
  view_ = new CSkarnView(this, doc_);
  view_->SetDropTarget(new FileDropTarget(*this));
  view_->OnSelect([this] { HighlightSelectedBand(); });
  // The map shares the client area and is shown instead of the summary.
  map_ = new CMapView(this, doc_);
  map_->SetDropTarget(new FileDropTarget(*this));
  map_->Hide();
  source_ = new CSourceView(this, doc_);
  source_->SetDropTarget(new FileDropTarget(*this));
  source_->Hide();
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(view_, 1, wxEXPAND);
  sizer->Add(map_, 1, wxEXPAND);
  sizer->Add(source_, 1, wxEXPAND);
  SetSizer(sizer);

  // Keys without a menu item: New, Print, and Print Preview.
  wxAcceleratorEntry keys[] = {
      wxAcceleratorEntry(wxACCEL_CTRL, 'N', wxID_NEW),
      wxAcceleratorEntry(wxACCEL_CTRL, 'P', wxID_PRINT),
      wxAcceleratorEntry(wxACCEL_CTRL | wxACCEL_SHIFT, 'P', wxID_PREVIEW),
  };
  SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(WXSIZEOF(keys)), keys));

  BindCommands();
  LoadRecent();
  RebuildRecentMenu();
  UpdateTitle();
  view_->SetFocus();
}

CMainFrame::~CMainFrame() { host_.SetParent(nullptr); }

void CMainFrame::CreateMenus() {
  fileMenu_ = new wxMenu;
  fileMenu_->Append(wxID_OPEN, "&Open...\tCtrl+O", "Open an existing document");
  fileMenu_->Append(wxID_SAVEAS, "Save &As...", "Save the active document with a new name");
  fileMenu_->AppendSeparator();
  // The recent-file entries are inserted here (RebuildRecentMenu).
  fileMenu_->AppendSeparator();
  fileMenu_->Append(kIdExit, "E&xit", "Quit the application; prompts to save documents");

  auto* edit = new wxMenu;
  edit->Append(wxID_UNDO, "&Undo\tCtrl+Z", "Undo the last action");
  edit->AppendSeparator();
  edit->Append(wxID_CUT, "Cu&t\tCtrl+X", "Cut the selection and put it on the Clipboard");
  edit->Append(wxID_COPY, "&Copy\tCtrl+C", "Copy the selection and put it on the Clipboard");
  edit->Append(wxID_PASTE, "&Paste\tCtrl+V", "Insert Clipboard contents");
  edit->AppendSeparator();
  edit->Append(kIdFind, "&Find...\tCtrl+F", "Find a text in the source");
  edit->Append(kIdFindNext, "Find &Next\tF3", "Find the next line with the same text");
  edit->Append(kIdGoToOffset, "&Go to Offset...\tCtrl+G", "Show the object at a file offset in the source");

  auto* view = new wxMenu;
  view->AppendCheckItem(kIdViewToolbar, "&Toolbar", "Show or hide the toolbar");
  view->AppendCheckItem(kIdViewStatusBar, "&Status Bar", "Show or hide the status bar");
  view->AppendSeparator();
  view->AppendRadioItem(kIdViewSummary, "S&ummary\tCtrl+1", "Show the summary of the file");
  view->AppendRadioItem(kIdViewMap, "&Map\tCtrl+2", "Show where the file's stations, airports, objects and areas lie");
  view->AppendRadioItem(kIdViewSource, "&Source\tCtrl+3", "Show the file's disassembly without saving it");

  auto* disassemble = new wxMenu;
  disassemble->Append(kIdDisassemble, "&BGL", "Disassemble FS98 .bgl files to SCASM source code ");
  auto* extract = new wxMenu;
  extract->Append(kIdExtractBitmaps, "&Bitmaps", "List the bitmap files used");
  auto* help = new wxMenu;
  help->Append(wxID_ABOUT, "&About Skarn...", "Display program information, version number and copyright");

  auto* bar = new wxMenuBar;
  bar->Append(fileMenu_, "&File");
  bar->Append(edit, "&Edit");
  bar->Append(view, "&View");
  bar->Append(disassemble, "&Disassemble");
  bar->Append(extract, "&Extract");
  bar->Append(help, "&Help");
  SetMenuBar(bar);

  // The states before the first menu opens (their keys work from the start).
  for (const int id : {int{wxID_UNDO}, int{wxID_CUT}, int{wxID_COPY}, int{wxID_PASTE}, int{wxID_SAVEAS},
                       int{kIdDisassemble}, int{kIdExtractBitmaps}, int{kIdFind}, int{kIdFindNext},
                       int{kIdGoToOffset}}) {
    bar->Enable(id, false);
  }
  bar->Check(kIdViewToolbar, true);
  bar->Check(kIdViewStatusBar, true);
}

void CMainFrame::CreateBars() {
  wxToolBar* tools = CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT);
  const wxSize iconSize = wxArtProvider::GetSizeHint(wxART_TOOLBAR);
  tools->SetToolBitmapSize(iconSize);
  tools->AddTool(wxID_OPEN, "Open", wxArtProvider::GetBitmapBundle(wxART_FILE_OPEN, wxART_TOOLBAR, iconSize), "Open",
                 wxITEM_NORMAL);
  tools->SetToolLongHelp(wxID_OPEN, "Open an existing document");
  tools->AddTool(wxID_SAVEAS, "Save As", wxArtProvider::GetBitmapBundle(wxART_FILE_SAVE_AS, wxART_TOOLBAR, iconSize),
                 "Save As", wxITEM_NORMAL);
  tools->SetToolLongHelp(wxID_SAVEAS, "Save the active document with a new name");
  tools->AddCheckTool(kIdViewMap, "Map", wxArtProvider::GetBitmapBundle(wxART_FIND, wxART_TOOLBAR, iconSize),
                      wxBitmapBundle(), "Map");
  tools->SetToolLongHelp(kIdViewMap, "Show the map of the file (again: the summary)");
  tools->AddSeparator();
  tools->AddTool(wxID_ABOUT, "About", wxArtProvider::GetBitmapBundle(wxART_HELP, wxART_TOOLBAR, iconSize), "About",
                 wxITEM_NORMAL);
  tools->SetToolLongHelp(wxID_ABOUT, "Display program information, version number and copyright");
  tools->EnableTool(wxID_SAVEAS, false);
  tools->Realize();

  // A message pane and the key indicators.
  wxStatusBar* status = CreateStatusBar(4);
  const int indicator = status->GetTextExtent("SCRL").x + 16;
  const int widths[] = {-1, indicator, indicator, indicator};
  status->SetStatusWidths(4, widths);
  SetStatusBarPane(0);
  SetStatusText(kReady, 0);
}

void CMainFrame::BindCommands() {
  Bind(wxEVT_MENU, &CMainFrame::OnOpen, this, wxID_OPEN);
  Bind(wxEVT_MENU, &CMainFrame::OnSaveAs, this, wxID_SAVEAS);
  Bind(wxEVT_MENU, &CMainFrame::OnRecent, this, wxID_FILE1, wxID_FILE4);
  Bind(wxEVT_MENU, &CMainFrame::OnExit, this, kIdExit);
  Bind(wxEVT_MENU, &CMainFrame::OnNew, this, wxID_NEW);
  Bind(wxEVT_MENU, &CMainFrame::OnPrint, this, wxID_PRINT);
  Bind(wxEVT_MENU, &CMainFrame::OnPreview, this, wxID_PREVIEW);
  Bind(wxEVT_MENU, &CMainFrame::OnToggleToolbar, this, kIdViewToolbar);
  Bind(wxEVT_MENU, &CMainFrame::OnToggleStatusBar, this, kIdViewStatusBar);
  Bind(wxEVT_MENU, &CMainFrame::OnShowView, this, kIdViewSummary);
  Bind(wxEVT_MENU, &CMainFrame::OnShowView, this, kIdViewMap);
  Bind(wxEVT_MENU, &CMainFrame::OnShowView, this, kIdViewSource);
  Bind(wxEVT_MENU, &CMainFrame::OnFind, this, kIdFind);
  Bind(wxEVT_MENU, &CMainFrame::OnFind, this, kIdFindNext);
  Bind(wxEVT_MENU, &CMainFrame::OnGoToOffset, this, kIdGoToOffset);
  Bind(wxEVT_MENU, &CMainFrame::OnDisassemble, this, kIdDisassemble);
  Bind(wxEVT_MENU, &CMainFrame::OnExtractBitmaps, this, kIdExtractBitmaps);
  Bind(wxEVT_MENU, &CMainFrame::OnAbout, this, wxID_ABOUT);
  Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnClose, this);
  Bind(wxEVT_IDLE, &CMainFrame::OnIdle, this);

  // Save As, Disassemble and Extract Bitmaps need an analysed file.
  const auto needsFile = [this](wxUpdateUIEvent& e) { e.Enable(doc_.analysed() && !busy_); };
  for (const int id : {int{wxID_SAVEAS}, int{kIdDisassemble}, int{kIdExtractBitmaps}}) {
    Bind(wxEVT_UPDATE_UI, needsFile, id);
  }
  // The Edit menu is there but has nothing to act on.
  const auto never = [](wxUpdateUIEvent& e) { e.Enable(false); };
  for (const int id : {int{wxID_UNDO}, int{wxID_CUT}, int{wxID_COPY}, int{wxID_PASTE}, int{kIdRecentFile}}) {
    Bind(wxEVT_UPDATE_UI, never, id);
  }
  Bind(
      wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& e) { e.Check(GetToolBar() != nullptr && GetToolBar()->IsShown()); },
      kIdViewToolbar);
  Bind(
      wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& e) { e.Check(GetStatusBar() != nullptr && GetStatusBar()->IsShown()); },
      kIdViewStatusBar);
  Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& e) { e.Check(view_->IsShown()); }, kIdViewSummary);
  Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& e) { e.Check(map_->IsShown()); }, kIdViewMap);
  Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& e) { e.Check(source_->IsShown()); }, kIdViewSource);
  // Find and Go to Offset act on the source in view.
  const auto needsSource = [this](wxUpdateUIEvent& e) { e.Enable(SourceShown() && !busy_); };
  for (const int id : {int{kIdFind}, int{kIdFindNext}, int{kIdGoToOffset}}) Bind(wxEVT_UPDATE_UI, needsSource, id);
}

bool CMainFrame::SourceShown() const { return source_->IsShown() && source_->RowCount() > 0; }

void CMainFrame::OnShowView(wxCommandEvent& event) {
  // The toolbar's button toggles between the map and the summary; the menu's
  // items choose.
  if (busy_) return;
  if (event.GetId() == kIdViewMap) {
    ShowView(event.GetEventObject() != GetToolBar() || event.IsChecked() ? static_cast<wxWindow*>(map_) : view_);
  } else if (event.GetId() == kIdViewSource) {
    ShowView(source_);
  } else {
    ShowView(view_);
  }
}

void CMainFrame::ShowView(wxWindow* shown) {
  if (!shown->IsShown()) {
    wxBusyCursor cursor;
    for (wxWindow* w : {static_cast<wxWindow*>(view_), static_cast<wxWindow*>(map_), static_cast<wxWindow*>(source_)}) {
      if (w != shown) w->Hide();
    }
    shown->Show();
    Layout();
    if (shown == map_) {
      map_->Prepare();
      HighlightSelectedBand();
    }
    shown->SetFocus();
  }
  if (shown == source_) {
    if (!source_->made()) MakeSource();
    ShowSelectedBand();
  }
  if (wxToolBar* tools = GetToolBar()) tools->ToggleTool(kIdViewMap, shown == map_);
}

void CMainFrame::MakeSource() {
  if (!doc_.analysed() || busy_) return;
  // The Disassemble command's own output, kept in memory: the document's
  // output path stays the one the last saved file went to.
  const std::string outputPath = doc_.core().outputPath;
  std::string text;
  host_.CaptureOutput(&text);
  const CommandResult result = RunCommand("Disassembling", Disassemble);
  host_.CaptureOutput(nullptr);
  doc_.core().outputPath = outputPath;
  if (result != CommandResult::kWritten) text.clear();
  try {
    source_->SetText(SourceText(std::move(text)));
  } catch (const std::bad_alloc&) {
    source_->SetText(SourceText());
    host_.ShowMessage("Error: not enough memory to show the source of " + doc_.core().fileName());
  }
  SetStatusText(kReady, 0);
}

void CMainFrame::ShowSelectedBand() {
  // A latitude band chosen in the summary: its comment in the source.
  const std::optional<size_t> row = view_->selection();
  if (!row) return;
  if (const std::optional<size_t> line = FindBandLine(source_->text(), doc_.lines(), *row)) source_->ShowRow(*line);
}

void CMainFrame::HighlightSelectedBand() {
  if (!map_->IsShown()) return;
  const std::optional<size_t> row = view_->selection();
  map_->HighlightBand(row ? FindBandRow(doc_.lines(), *row) : std::nullopt);
}

void CMainFrame::OnFind(wxCommandEvent& event) {
  if (busy_ || !SourceShown()) return;
  if (event.GetId() == kIdFind || findText_.empty()) {
    BusyScope scope(busy_);
    const std::optional<std::string> text = host_.AskText("Find", "Find what:", findText_);
    if (!text || text->empty()) return;
    findText_ = *text;
  }
  // From the line after the highlighted one, else from the first in view.
  const std::optional<size_t> selected = source_->selection();
  const size_t from = selected ? *selected + 1 : source_->FirstVisibleRow();
  // Names stand in the source in the file's own characters, which the view
  // shows as Windows' Western code page: the text typed is sought that way too.
  const wxCharBuffer western = wxString::FromUTF8(findText_).mb_str(wxCSConv(wxFONTENCODING_CP1252));
  const std::string other = western.data() != nullptr ? std::string(western.data()) : std::string();
  if (const std::optional<size_t> line =
          FindLine(source_->text(), findText_, from, other != findText_ ? std::string_view(other) : std::string_view())) {
    source_->ShowRow(*line);
    SetStatusText(kReady, 0);
  } else {
    SetStatusText(DisplayText("\"" + findText_ + "\" not found"), 0);
  }
}

void CMainFrame::OnGoToOffset(wxCommandEvent&) {
  if (busy_ || !SourceShown()) return;
  std::optional<std::string> text;
  {
    BusyScope scope(busy_);
    text = host_.AskText("Go to Offset", "File offset (0x1A2B or 1A2Bh hexadecimal, else decimal):", "");
  }
  if (!text) return;
  const std::optional<uint64_t> offset = ParseOffset(*text);
  if (!offset) {
    SetStatusText(DisplayText("Not an offset: " + *text), 0);
    return;
  }
  SectionStarts starts;
  if (const BglSection* s = doc_.core().section(9)) starts.procedural = s->start();
  if (const BglSection* s = doc_.core().section(15)) starts.dynamic = s->start();
  if (const std::optional<size_t> line = FindObjectLine(source_->text(), starts, *offset)) {
    source_->ShowRow(*line);
    SetStatusText(kReady, 0);
  } else {
    SetStatusText(wxString::Format("No object starts at or before offset 0x%llX",
                                   static_cast<unsigned long long>(*offset)), 0);
  }
}

void CMainFrame::UpdateTitle() { SetTitle(doc_.title() + " - Skarn"); }

void CMainFrame::LoadRecent() {
  wxConfigBase* config = wxConfigBase::Get();
  if (config == nullptr) return;
  std::vector<std::string> paths;
  for (size_t i = 1; i <= recent_.capacity(); ++i) {
    wxString path;
    if (config->Read(wxString::Format("%s/File%zu", kRecentGroup, i), &path) && !path.empty()) {
      paths.push_back(PathToBytes(path));
    }
  }
  // Added oldest first, so that the newest ends on top.
  for (auto it = paths.rbegin(); it != paths.rend(); ++it) recent_.Add(*it);
}

void CMainFrame::SaveRecent() {
  wxConfigBase* config = wxConfigBase::Get();
  if (config == nullptr) return;
  // The list is a convenience: a settings folder that cannot be written
  // loses it without troubling the user.
  wxLogNull quiet;
  const wxString folder = wxStandardPaths::Get().GetUserConfigDir();
  if (!folder.empty() && !wxFileName::DirExists(folder)) {
    wxFileName::Mkdir(folder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
  }
  config->DeleteGroup(kRecentGroup);
  size_t i = 1;
  for (const std::string& path : recent_.entries()) {
    config->Write(wxString::Format("%s/File%zu", kRecentGroup, i++), PathFromBytes(path));
  }
  config->Flush();
}

void CMainFrame::RebuildRecentMenu() {
  for (int id = wxID_FILE1; id <= wxID_FILE4; ++id) {
    if (wxMenuItem* item = fileMenu_->FindChildItem(id)) fileMenu_->Destroy(item);
  }
  if (wxMenuItem* item = fileMenu_->FindChildItem(kIdRecentFile)) fileMenu_->Destroy(item);

  // The entries stand between the separator after Save As and the one
  // before Exit.
  size_t pos = 0;
  if (fileMenu_->FindChildItem(wxID_SAVEAS, &pos) == nullptr) return;
  pos += 2;
  const std::vector<std::string>& entries = recent_.entries();
  if (entries.empty()) {
    fileMenu_->Insert(pos, kIdRecentFile, "Recent File");
    fileMenu_->Enable(kIdRecentFile, false);
    return;
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    fileMenu_->Insert(pos + i, wxID_FILE1 + static_cast<int>(i), RecentLabel(i, entries[i]), "Open this document");
  }
}

void CMainFrame::OpenFile(const std::string& path) {
  if (busy_) return;
  OpenPath(path, false);
}

void CMainFrame::OpenPath(const std::string& path, bool fromRecentList) {
  ReadFile(path, fromRecentList);
  // The source in view is made for the new file at once.
  if (source_->IsShown()) MakeSource();
}

void CMainFrame::ReadFile(const std::string& path, bool fromRecentList) {
  BusyScope scope(busy_);
  wxBusyCursor cursor;
  SetStatusText(wxString::Format("Reading %s", PathFromBytes(path)), 0);
  RepaintNow();
  bool ok = false;
  try {
    ok = doc_.Open(path);
  } catch (const std::bad_alloc&) {
    doc_.New();
    host_.ShowMessage("Error: not enough memory to open " + path);
  } catch (const std::exception& e) {
    // Whatever the analysis left half built goes: the window shows an empty
    // document rather than ending.
    doc_.New();
    host_.ShowMessage(std::string("Error: ") + e.what());
  }
  if (ok) {
    recent_.Add(path);
  } else if (fromRecentList) {
    // An entry that no longer opens leaves the list.
    recent_.Remove(path);
  }
  SaveRecent();
  RebuildRecentMenu();
  UpdateTitle();
  SetStatusText(kReady, 0);
}

void CMainFrame::Progress(uint64_t bytes) {
  if (activity_.empty()) return;
  SetStatusText(wxString::Format("%s: %s written", activity_, wxFileName::GetHumanReadableSize(wxULongLong(bytes))), 0);
  RepaintNow();
}

template <typename Command>
CommandResult CMainFrame::RunCommand(const wxString& activity, Command command) {
  if (busy_ || !doc_.analysed()) return CommandResult::kCancelled;
  BusyScope scope(busy_);
  wxBusyCursor cursor;
  activity_ = activity;
  CommandResult result = CommandResult::kFailed;
  try {
    result = command(doc_.core());
  } catch (const std::bad_alloc&) {
    host_.ShowMessage("Error: not enough memory while " + activity.Lower().ToStdString() + " " +
                      doc_.core().fileName());
  } catch (const std::exception& e) {
    host_.ShowMessage(std::string("Error: ") + e.what());
  }
  activity_.clear();
  return result;
}

template <typename Command>
void CMainFrame::RunWriter(const wxString& activity, Command command) {
  if (busy_ || !doc_.analysed()) return;
  const CommandResult result = RunCommand(activity, command);
  if (result == CommandResult::kWritten) {
    SetStatusText("Wrote " + PathFromBytes(doc_.core().outputPath), 0);
  } else {
    SetStatusText(kReady, 0);
  }
}

void CMainFrame::OnOpen(wxCommandEvent&) {
  if (busy_) return;
  std::optional<std::string> path;
  {
    BusyScope scope(busy_);
    path = host_.ChooseInputPath();
  }
  if (path) OpenPath(*path, false);
}

void CMainFrame::OnSaveAs(wxCommandEvent&) { RunWriter("Saving", SaveSummary); }

void CMainFrame::OnDisassemble(wxCommandEvent&) { RunWriter("Disassembling", Disassemble); }

void CMainFrame::OnExtractBitmaps(wxCommandEvent&) { RunWriter("Listing bitmaps", ExtractBitmaps); }

void CMainFrame::OnRecent(wxCommandEvent& event) {
  if (busy_) return;
  const auto index = static_cast<size_t>(event.GetId() - wxID_FILE1);
  if (index >= recent_.entries().size()) return;
  const std::string path = recent_.entries()[index];
  OpenPath(path, true);
}

void CMainFrame::OnExit(wxCommandEvent&) { Close(); }

void CMainFrame::OnNew(wxCommandEvent&) {
  if (busy_) return;
  doc_.New();
  UpdateTitle();
  SetStatusText(kReady, 0);
}

void CMainFrame::OnPrint(wxCommandEvent&) {
  if (busy_) return;
  BusyScope scope(busy_);
  CSkarnPrintout printout(*view_, doc_);
  wxPrinter printer(&printData_);
  if (printer.Print(this, &printout, true)) {
    printData_ = printer.GetPrintDialogData();
  } else if (wxPrinter::GetLastError() == wxPRINTER_ERROR) {
    host_.ShowMessage("Error: the document could not be printed");
  }
}

void CMainFrame::OnPreview(wxCommandEvent&) {
  if (busy_) return;
  auto* preview = new wxPrintPreview(new CSkarnPrintout(*view_, doc_), new CSkarnPrintout(*view_, doc_), &printData_);
  if (!preview->IsOk()) {
    delete preview;
    host_.ShowMessage("Error: the print preview could not be shown");
    return;
  }
  auto* frame = new wxPreviewFrame(preview, this, "Skarn - Print Preview", wxDefaultPosition, GetSize());
  frame->Initialize();
  frame->Show();
}

void CMainFrame::OnToggleToolbar(wxCommandEvent&) {
  if (wxToolBar* tools = GetToolBar()) {
    tools->Show(!tools->IsShown());
    SendSizeEvent();
  }
}

void CMainFrame::OnToggleStatusBar(wxCommandEvent&) {
  if (wxStatusBar* status = GetStatusBar()) {
    status->Show(!status->IsShown());
    SendSizeEvent();
  }
}

void CMainFrame::OnAbout(wxCommandEvent&) {
  CAboutDlg about(this);
  about.ShowModal();
}

void CMainFrame::OnClose(wxCloseEvent& event) {
  // A running command finishes first; it holds the document's sections.
  if (busy_ && event.CanVeto()) {
    event.Veto();
    return;
  }
  SaveRecent();
  doc_.RemoveView(view_);
  doc_.RemoveView(map_);
  doc_.RemoveView(source_);
  Destroy();
}

void CMainFrame::OnIdle(wxIdleEvent& event) {
  event.Skip();
  wxStatusBar* status = GetStatusBar();
  if (status == nullptr) return;
#if defined(__WXGTK__)
  // Only the X server tells the state of the lock keys.
  if (wxGetDisplayInfo().type != wxDisplayX11) return;
#endif
  const wxKeyCode keys[3] = {WXK_CAPITAL, WXK_NUMLOCK, WXK_SCROLL};
  const char* const names[3] = {"CAP", "NUM", "SCRL"};
  for (int i = 0; i < 3; ++i) {
    const wxString text = wxGetKeyState(keys[i]) ? names[i] : "";
    if (text != lockText_[i]) {
      lockText_[i] = text;
      status->SetStatusText(text, i + 1);
    }
  }
}

bool CMainFrame::IsCommandEnabled(int id) {
  wxUpdateUIEvent event(id);
  event.SetEventObject(this);
  ProcessWindowEvent(event);
  if (event.GetSetEnabled()) return event.GetEnabled();
  return true;
}

void CMainFrame::DumpState(std::ostream& out) {
  const auto utf8 = [](const wxString& s) { return std::string(s.utf8_str()); };
  out << "title\t" << utf8(GetTitle()) << "\n";
  wxMenuBar* bar = GetMenuBar();
  bar->UpdateMenus();
  for (size_t m = 0; m < bar->GetMenuCount(); ++m) {
    const wxString menuLabel = bar->GetMenuLabel(m);
    for (const wxMenuItem* item : bar->GetMenu(m)->GetMenuItems()) {
      if (item->IsSeparator()) continue;
      out << "item\t" << CommandName(item->GetId()) << "\t" << (item->IsEnabled() ? "enabled" : "disabled") << "\t"
          << (item->IsCheckable() ? (item->IsChecked() ? "checked" : "unchecked") : "-") << "\t" << utf8(menuLabel)
          << "\t" << utf8(item->GetItemLabel()) << "\t" << utf8(item->GetHelp()) << "\n";
    }
  }
  for (const int id : {int{wxID_NEW}, int{wxID_PRINT}, int{wxID_PREVIEW}}) {
    out << "command\t" << CommandName(id) << "\t" << (IsCommandEnabled(id) ? "enabled" : "disabled") << "\n";
  }
  if (wxToolBar* tools = GetToolBar()) {
    tools->UpdateWindowUI();
    out << "toolbar\t" << (tools->IsShown() ? "shown" : "hidden") << "\n";
    for (size_t i = 0; i < tools->GetToolsCount(); ++i) {
      const wxToolBarToolBase* tool = tools->GetToolByPos(static_cast<int>(i));
      if (tool->IsSeparator()) {
        out << "tool\tseparator\n";
        continue;
      }
      out << "tool\t" << CommandName(tool->GetId()) << "\t"
          << (tools->GetToolEnabled(tool->GetId()) ? "enabled" : "disabled") << "\t" << utf8(tool->GetShortHelp())
          << "\t" << utf8(tool->GetLongHelp()) << "\t" << (tool->GetNormalBitmap().IsOk() ? "icon" : "no-icon") << "\n";
    }
  }
  if (wxStatusBar* status = GetStatusBar()) {
    out << "statusbar\t" << (status->IsShown() ? "shown" : "hidden") << "\t" << status->GetFieldsCount() << "\n";
    out << "status\t" << utf8(status->GetStatusText(0)) << "\n";
  }
  for (size_t i = 0; i < recent_.entries().size(); ++i) {
    out << "recent\t" << (i + 1) << "\t" << recent_.entries()[i] << "\n";
  }
  const DocSize size = doc_.docSize();
  const ScrollSizes& s = view_->sizes();
  int xUnit = 0;
  int yUnit = 0;
  view_->GetScrollPixelsPerUnit(&xUnit, &yUnit);
  const wxSize virtualSize = view_->GetVirtualSize();
  out << "docsize\t" << size.columns << "\t" << size.rows << "\n";
  out << "lineheight\t" << s.lineHeight << "\n";
  out << "total\t" << s.totalWidth << "\t" << s.totalHeight << "\n";
  out << "page\t" << s.pageWidth << "\t" << s.pageHeight << "\n";
  out << "line\t" << s.lineWidth << "\t" << s.lineHeight << "\n";
  out << "virtual\t" << virtualSize.x << "\t" << virtualSize.y << "\n";
  out << "rate\t" << xUnit << "\t" << yUnit << "\n";
  const wxPoint start = view_->GetViewStart();
  out << "viewstart\t" << start.x << "\t" << start.y << "\n";
  out << "drawn\t" << view_->lastDrawn().first << "\t" << view_->lastDrawn().last << "\n";
  const std::vector<std::string>& lines = doc_.lines();
  out << "rows\t" << lines.size() << "\n";
  for (size_t i = 0; i < lines.size(); ++i) out << "row\t" << i << "\t" << lines[i] << "\n";
  const auto row = [](std::optional<size_t> r) { return r ? std::to_string(*r) : std::string("-"); };
  out << "selected\t" << row(view_->selection()) << "\n";
  // The map's highlighted band: its index among the scene's bands and its
  // hover text, lines joined by tabs.
  out << "mapband";
  const map::Scene& scene = map_->scene();
  const auto chosen = std::find_if(scene.bands.begin(), scene.bands.end(),
                                   [&](const map::PlacedBand& b) { return static_cast<int>(b.item) == map_->highlighted(); });
  if (chosen == scene.bands.end()) {
    out << "\t-";
  } else {
    out << "\t" << (chosen - scene.bands.begin());
    std::string hover = scene.items[chosen->item].hover;
    std::replace(hover.begin(), hover.end(), '\n', '\t');
    out << "\t" << hover;
  }
  out << "\n";
  // The source view: shown or not, its rows, the first in view and the
  // highlighted one, then its lines.
  out << "source\t" << (source_->IsShown() ? "shown" : "hidden") << "\t" << source_->RowCount() << "\t"
      << source_->FirstVisibleRow() << "\t" << row(source_->selection()) << "\n";
  for (size_t i = 0; i < source_->RowCount(); ++i) out << "srcrow\t" << source_->Row(i) << "\n";
}

}  // namespace skarn::gui
