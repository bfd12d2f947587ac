#include "app/gui/ScriptRunner.h"

#include <cctype>
#include <cstdlib>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <utility>

#include "app/gui/MainFrame.h"

namespace skarn::gui {

namespace {

// Whatever is still to be painted reaches the screen first: the toolkit
// paints on its own frame clock, a little after the window is invalidated.
void Settle(wxWindow* window) {
  window->Raise();
  window->Update();
  for (int i = 0; i < 12; ++i) {
    RepaintNow();
    wxMilliSleep(25);
  }
}

std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  const size_t last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

// Splits "verb rest of line".
std::pair<std::string, std::string> SplitStep(const std::string& line) {
  const std::string t = Trim(line);
  const size_t blank = t.find_first_of(" \t");
  if (blank == std::string::npos) return {t, std::string()};
  return {t.substr(0, blank), Trim(t.substr(blank + 1))};
}

}  // namespace

ScriptRunner::ScriptRunner(CMainFrame& frame, std::string path) : frame_(&frame), path_(std::move(path)), timer_(this) {
  Bind(wxEVT_TIMER, &ScriptRunner::OnTimer, this);
}

ScriptRunner::~ScriptRunner() { timer_.Stop(); }

bool ScriptRunner::Load() {
  std::ifstream in(path_);
  if (!in) {
    std::fprintf(stderr, "skarn-gui: cannot read the script %s\n", path_.c_str());
    return false;
  }
  std::string line;
  while (std::getline(in, line)) {
    const std::string t = Trim(line);
    if (t.empty() || t[0] == '#') continue;
    lines_.push_back(t);
  }
  return true;
}

void ScriptRunner::Start() { timer_.Start(100); }

void ScriptRunner::Fail(const std::string& why) {
  std::fprintf(stderr, "skarn-gui script: %s\n", why.c_str());
  log_.push_back("error\t" + why);
  failed_ = true;
}

void ScriptRunner::Finish() {
  if (finished_) return;
  finished_ = true;
  timer_.Stop();
  if (frame_) frame_->Close(true);
}

bool ScriptRunner::RunsInsideDialog(const std::string& line) const {
  const std::string verb = SplitStep(line).first;
  return verb == "screenshot-other" || verb == "text-other" || verb == "close-other" || verb == "wait";
}

void ScriptRunner::OnTimer(wxTimerEvent&) {
  if (finished_) return;
  if (!frame_) {
    // The window was closed by a step (Exit).
    finished_ = true;
    timer_.Stop();
    return;
  }
  if (resumeAt_ != 0 && wxGetLocalTimeMillis() < resumeAt_) return;
  resumeAt_ = 0;
  if (title_) {
    if (frame_->GetTitle() != *title_) {
      if (wxGetLocalTimeMillis() < titleDeadline_) return;
      Fail("the title did not become " + std::string(title_->utf8_str()));
    }
    title_.reset();
  }
  if (next_ >= lines_.size()) {
    Finish();
    return;
  }
  // While a step waits in a modal dialog only the steps that deal with the
  // dialog may run.
  if (depth_ > 0 && !RunsInsideDialog(lines_[next_])) return;
  const std::string line = lines_[next_++];
  ++depth_;
  Run(line);
  --depth_;
}

void ScriptRunner::Run(const std::string& line) {
  const auto [verb, arg] = SplitStep(line);
  if (verb == "open-answer") {
    openAnswers_.emplace_back(arg);
  } else if (verb == "open-cancel") {
    openAnswers_.emplace_back(std::nullopt);
  } else if (verb == "save-answer") {
    saveAnswers_.emplace_back(arg);
  } else if (verb == "save-cancel") {
    saveAnswers_.emplace_back(std::nullopt);
  } else if (verb == "text-answer") {
    textAnswers_.emplace_back(arg);
  } else if (verb == "text-cancel") {
    textAnswers_.emplace_back(std::nullopt);
  } else if (verb == "select") {
    frame_->view().Select(static_cast<size_t>(std::strtoull(arg.c_str(), nullptr, 10)));
  } else if (verb == "yesno") {
    yesNoAnswers_.push_back(arg == "yes");
  } else if (verb == "command") {
    const int id = CommandByName(arg);
    if (id == 0) return Fail("unknown command " + arg);
    // A recent-file command exists only while its menu entry does.
    const bool isRecent = id >= wxID_FILE1 && id <= wxID_FILE4;
    wxMenuBar* bar = frame_->GetMenuBar();
    if ((isRecent && bar->FindItem(id) == nullptr) || !frame_->IsCommandEnabled(id)) {
      log_.push_back("refused\t" + arg);
      return;
    }
    // Sent from the event loop rather than from this timer's callback: a
    // timer does not fire again while its callback runs, and the steps that
    // close a modal dialog need it to.
    ++depth_;
    CallAfter([this, id] {
      if (frame_) {
        wxCommandEvent event(wxEVT_MENU, id);
        event.SetEventObject(frame_.get());
        frame_->ProcessWindowEvent(event);
      }
      --depth_;
    });
  } else if (verb == "key") {
    Key(arg);
  } else if (verb == "drop") {
    wxDropTarget* target = frame_->view().GetDropTarget();
    auto* files = dynamic_cast<wxFileDropTarget*>(target);
    if (files == nullptr) return Fail("the view takes no dropped files");
    wxArrayString names;
    names.Add(PathFromBytes(arg));
    if (!files->OnDropFiles(10, 10, names)) log_.push_back("refused\tdrop");
  } else if (verb == "scroll") {
    frame_->view().ScrollToRow(static_cast<size_t>(std::strtoull(arg.c_str(), nullptr, 10)));
    frame_->view().Update();
  } else if (verb == "map-hover") {
    // Each placed feature: its kind, the first line of the hover text found
    // where it lands in the window, and whether that lies in the window.
    CMapView& map = frame_->mapView();
    if (!map.IsShown()) return Fail("the map is not shown");
    std::ofstream out(arg, std::ios::binary);
    const wxSize size = map.GetClientSize();
    for (const map::PlacedFeature& f : map.scene().features) {
      const wxPoint at = map.WindowPoint(f.at);
      const std::string hover = map.HoverAt(at);
      const bool inside = at.x >= 0 && at.y >= 0 && at.x < size.x && at.y < size.y;
      out << f.kind << "\t" << hover.substr(0, hover.find('\n')) << "\t" << (inside ? "inside" : "outside") << "\n";
    }
    if (!out) Fail("cannot write " + arg);
  } else if (verb == "map-pixels") {
    // Each placed feature: whether the screen shows its kind's colour where
    // it lands (kind, match|differ, the colour found, the one expected).
    CMapView& map = frame_->mapView();
    if (!map.IsShown()) return Fail("the map is not shown");
    Settle(frame_.get());
    const wxSize size = map.GetClientSize();
    wxBitmap shot(size.x, size.y, 24);
    {
      wxMemoryDC memory(shot);
      wxClientDC source(&map);
      memory.Blit(0, 0, size.x, size.y, &source, 0, 0);
    }
    const wxImage image = shot.ConvertToImage();
    std::ofstream out(arg, std::ios::binary);
    for (const map::PlacedFeature& f : map.scene().features) {
      const wxPoint at = map.WindowPoint(f.at);
      const map::Rgb want = map::KindColour(f.kind);
      if (at.x < 0 || at.y < 0 || at.x >= size.x || at.y >= size.y) {
        out << f.kind << "\toutside\n";
        continue;
      }
      const map::Rgb got{image.GetRed(at.x, at.y), image.GetGreen(at.x, at.y), image.GetBlue(at.x, at.y)};
      const bool match = std::abs(got.r - want.r) <= 12 && std::abs(got.g - want.g) <= 12 && std::abs(got.b - want.b) <= 12;
      out << f.kind << "\t" << (match ? "match" : "differ")
          << wxString::Format("\t#%02x%02x%02x\t#%02x%02x%02x\n", got.r, got.g, got.b, want.r, want.g, want.b).utf8_string();
    }
    if (!out) Fail("cannot write " + arg);
  } else if (verb == "map-zoom") {
    // Wheel steps about the window's middle (negative: out).
    CMapView& map = frame_->mapView();
    const wxSize size = map.GetClientSize();
    map.ZoomAt(std::pow(1.25, std::strtol(arg.c_str(), nullptr, 10)), wxPoint(size.x / 2, size.y / 2));
    map.Update();
  } else if (verb == "wait") {
    resumeAt_ = wxGetLocalTimeMillis() + std::strtol(arg.c_str(), nullptr, 10);
  } else if (verb == "wait-title") {
    title_ = wxString::FromUTF8(arg);
    titleDeadline_ = wxGetLocalTimeMillis() + 10000;
  } else if (verb == "dump") {
    Dump(arg);
  } else if (verb == "screenshot") {
    if (!Screenshot(frame_.get(), arg)) Fail("no screenshot " + arg);
  } else if (verb == "screenshot-other") {
    wxTopLevelWindow* other = OtherWindow();
    if (other == nullptr) return Fail("no other window for " + arg);
    if (!Screenshot(other, arg)) Fail("no screenshot " + arg);
  } else if (verb == "text-other") {
    // The labels of the other window's texts, a line each.
    wxTopLevelWindow* other = OtherWindow();
    if (other == nullptr) return Fail("no other window for " + arg);
    std::ofstream out(arg, std::ios::binary);
    for (const wxWindow* child : other->GetChildren()) {
      if (const auto* text = dynamic_cast<const wxStaticText*>(child)) out << text->GetLabel().utf8_string() << "\n";
    }
    if (!out) Fail("cannot write " + arg);
  } else if (verb == "close-other") {
    wxTopLevelWindow* other = OtherWindow();
    if (other == nullptr) return Fail("no other window to close");
    auto* dialog = dynamic_cast<wxDialog*>(other);
    if (dialog != nullptr && dialog->IsModal()) {
      dialog->EndModal(wxID_OK);
    } else {
      other->Close(true);
    }
  } else if (verb == "quit") {
    Finish();
  } else {
    Fail("unknown step: " + line);
  }
}

void ScriptRunner::Key(const std::string& keys) {
  int modifiers = wxMOD_NONE;
  std::string key;
  std::stringstream parts(keys);
  std::string part;
  while (std::getline(parts, part, '+')) {
    if (part == "ctrl") {
      modifiers |= wxMOD_CONTROL;
    } else if (part == "shift") {
      modifiers |= wxMOD_SHIFT;
    } else if (part == "alt") {
      modifiers |= wxMOD_ALT;
    } else {
      key = part;
    }
  }
  int code = 0;
  if (key.size() == 1) {
    code = std::toupper(static_cast<unsigned char>(key[0]));
    if ((modifiers & (wxMOD_CONTROL | wxMOD_ALT)) == 0) code = static_cast<unsigned char>(key[0]);
  } else if (key == "pagedown") {
    code = WXK_PAGEDOWN;
  } else if (key == "pageup") {
    code = WXK_PAGEUP;
  } else if (key == "down") {
    code = WXK_DOWN;
  } else if (key == "escape") {
    code = WXK_ESCAPE;
  } else if (key == "return") {
    code = WXK_RETURN;
  }
  if (code == 0) return Fail("unknown key " + keys);
  // The keys go where the pointer and the focus are: into the view.
  frame_->Raise();
  frame_->view().SetFocus();
  wxUIActionSimulator typist;
  typist.MouseMove(frame_->view().GetScreenRect().GetPosition() + wxPoint(40, 40));
  typist.Char(code, modifiers);
}

wxTopLevelWindow* ScriptRunner::OtherWindow() const {
  wxTopLevelWindow* found = nullptr;
  for (wxWindow* w : wxTopLevelWindows) {
    auto* top = dynamic_cast<wxTopLevelWindow*>(w);
    if (top != nullptr && top != frame_.get() && top->IsShown()) found = top;
  }
  return found;
}

bool ScriptRunner::Screenshot(wxWindow* window, const std::string& file) {
  Settle(window);
  // The window as the screen shows it: its client area, and for the main
  // window the menu bar, toolbar and status bar around it, each copied from
  // what the toolkit last painted.
  const wxSize size = window->GetSize();
  if (size.x <= 0 || size.y <= 0) return false;
  wxBitmap shot(size.x, size.y, 24);
  {
    wxMemoryDC memory(shot);
    memory.SetBackground(*wxBLACK_BRUSH);
    memory.Clear();
    const auto copy = [&memory](wxWindow* part, const wxPoint& at) {
      if (part == nullptr || !part->IsShown()) return;
      wxWindowDC source(part);
      const wxSize partSize = source.GetSize();
      memory.Blit(at.x, at.y, partSize.x, partSize.y, &source, 0, 0);
    };
#if defined(__WXMSW__)
    // A window's device context covers the whole window there, its frame
    // and menu bar included.
    copy(window, wxPoint(0, 0));
#else
    const wxPoint origin = window->GetScreenPosition();
    copy(window, window->ClientToScreen(wxPoint(0, 0)) - origin);
    if (auto* frame = dynamic_cast<wxFrame*>(window)) {
      for (wxWindow* bar : {static_cast<wxWindow*>(frame->GetMenuBar()), static_cast<wxWindow*>(frame->GetToolBar()),
                            static_cast<wxWindow*>(frame->GetStatusBar())}) {
        if (bar != nullptr) copy(bar, bar->GetScreenPosition() - origin);
      }
    }
#endif
  }
  return shot.SaveFile(PathFromBytes(file), wxBITMAP_TYPE_PNG);
}

void ScriptRunner::Dump(const std::string& file) {
  std::ofstream out(file, std::ios::binary);
  if (!out) return Fail("cannot write " + file);
  frame_->DumpState(out);
  for (const std::string& entry : log_) out << entry << "\n";
  if (!out) Fail("cannot write " + file);
}

std::optional<std::string> ScriptRunner::NextOpenPath() {
  log_.emplace_back("open-dialog");
  if (openAnswers_.empty()) {
    Fail("an Open dialog without an answer");
    return std::nullopt;
  }
  std::optional<std::string> answer = openAnswers_.front();
  openAnswers_.pop_front();
  return answer;
}

std::optional<std::string> ScriptRunner::NextSavePath(const std::string& proposedName, const std::string& filter) {
  log_.push_back("save-dialog\t" + proposedName + "\t" + filter + "\t" + std::string(Wildcard(filter).utf8_str()));
  if (saveAnswers_.empty()) {
    Fail("a save dialog without an answer");
    return std::nullopt;
  }
  std::optional<std::string> answer = saveAnswers_.front();
  saveAnswers_.pop_front();
  return answer;
}

bool ScriptRunner::NextYesNo(const std::string& question) {
  log_.push_back("question\t" + question);
  if (yesNoAnswers_.empty()) {
    Fail("a question without an answer: " + question);
    return true;
  }
  const bool answer = yesNoAnswers_.front();
  yesNoAnswers_.pop_front();
  return answer;
}

std::optional<std::string> ScriptRunner::NextText(const std::string& prompt) {
  log_.push_back("text-dialog\t" + prompt);
  if (textAnswers_.empty()) {
    Fail("a text dialog without an answer: " + prompt);
    return std::nullopt;
  }
  std::optional<std::string> answer = textAnswers_.front();
  textAnswers_.pop_front();
  return answer;
}

void ScriptRunner::Message(const std::string& text) {
  std::fprintf(stderr, "skarn-gui message: %s\n", text.c_str());
  log_.push_back("message\t" + text);
}

}  // namespace skarn::gui
