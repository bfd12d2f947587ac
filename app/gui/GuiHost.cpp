#include "app/gui/GuiHost.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/common/SignalCleanup.h"
#include "app/gui/GuiLogic.h"
#include "core/PlatformFile.h"

namespace skarn::gui {

const char* const kBglFilter = "BGL Files (*.bgl)|*.bgl|All Files (*.*)|*.*||";

namespace {

const char* const kCaption = "Skarn";

// Passes the bytes on and reports progress a few times a second.
class ProgressSink : public ByteSink {
 public:
  ProgressSink(std::unique_ptr<ByteSink> inner, std::function<void(uint64_t)> progress)
      : inner_(std::move(inner)), progress_(std::move(progress)), last_(std::chrono::steady_clock::now()) {}

  void Write(const char* data, size_t size) override {
    inner_->Write(data, size);
    bytes_ += size;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ >= std::chrono::milliseconds(150)) {
      last_ = now;
      progress_(bytes_);
    }
  }
  void Commit() override { inner_->Commit(); }
  void Abort() noexcept override { inner_->Abort(); }

 private:
  std::unique_ptr<ByteSink> inner_;
  std::function<void(uint64_t)> progress_;
  std::chrono::steady_clock::time_point last_;
  uint64_t bytes_ = 0;
};

// The arrow cursor while a dialog waits for the user, the busy one again
// afterwards (however deep the busy cursors are nested).
class NormalCursor {
 public:
  NormalCursor() {
    for (; wxIsBusy(); ++depth_) wxEndBusyCursor();
  }
  ~NormalCursor() {
    for (; depth_ > 0; --depth_) wxBeginBusyCursor();
  }
  NormalCursor(const NormalCursor&) = delete;
  NormalCursor& operator=(const NormalCursor&) = delete;

 private:
  int depth_ = 0;
};

bool CaseSensitiveChooser() {
#if defined(__WXMSW__) || defined(__WXOSX__)
  return false;
#else
  return true;
#endif
}

}  // namespace

void RepaintNow() {
  if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) loop->YieldFor(wxEVT_CATEGORY_UI);
}

std::string PathToBytes(const wxString& path) {
#if defined(__WXMSW__)
  // The program runs with UTF-8 as its code page: every name is reachable.
  return path.utf8_string();
#else
  const wxCharBuffer bytes = path.fn_str();
  return bytes.data() == nullptr ? std::string() : std::string(bytes.data());
#endif
}

wxString PathFromBytes(const std::string& path) {
#if defined(__WXMSW__)
  wxString text = wxString::FromUTF8(path.data(), path.size());
#else
  wxString text(path.c_str(), *wxConvFileName);
#endif
  if (text.empty() && !path.empty()) text = DisplayText(path);
  return text;
}

wxString DisplayText(const std::string& text) {
  if (text.empty()) return wxString();
  wxString s = wxString::FromUTF8(text.data(), text.size());
  if (!s.empty()) return s;
  s = wxString(text.data(), wxCSConv(wxFONTENCODING_CP1252), text.size());
  if (s.empty()) s = wxString(text.data(), wxConvISO8859_1, text.size());
  return s;
}

wxString Wildcard(const std::string& filter) {
  return wxString::FromUTF8(JoinFilter(ParseFilter(filter, CaseSensitiveChooser())));
}

std::optional<std::string> GuiHost::ChooseInputPath() {
  if (answers_ != nullptr) return answers_->NextOpenPath();
  NormalCursor normalCursor;
  // The folder last chosen, or else the open file's.
  wxString dir = lastDir_;
  if (dir.empty() && !inputPath_.empty()) dir = wxFileName(PathFromBytes(inputPath_)).GetPath();
  wxFileDialog dialog(parent_, "Open", dir, wxEmptyString, Wildcard(kBglFilter), wxFD_OPEN | wxFD_FILE_MUST_EXIST);
  const int answer = dialog.ShowModal();
  const wxString path = dialog.GetPath();
  const wxString chosenDir = dialog.GetDirectory();
  dialog.Hide();
  RepaintNow();
  if (answer != wxID_OK || path.empty()) return std::nullopt;
  lastDir_ = chosenDir;
  return PathToBytes(path);
}

std::optional<std::string> GuiHost::AskText(const std::string& caption, const std::string& prompt,
                                            const std::string& initial) {
  if (answers_ != nullptr) return answers_->NextText(prompt);
  NormalCursor normalCursor;
  wxTextEntryDialog dialog(parent_, DisplayText(prompt), DisplayText(caption), DisplayText(initial));
  const int answer = dialog.ShowModal();
  const wxString text = dialog.GetValue();
  dialog.Hide();
  RepaintNow();
  if (answer != wxID_OK) return std::nullopt;
  return std::string(text.utf8_str());
}

void GuiHost::ShowMessage(const std::string& text) {
  if (answers_ != nullptr) {
    answers_->Message(text);
    return;
  }
  long icon = wxICON_INFORMATION;
  if (text.rfind("Error", 0) == 0) {
    icon = wxICON_ERROR;
  } else if (text.rfind("Warning", 0) == 0) {
    icon = wxICON_WARNING;
  }
  NormalCursor normalCursor;
  wxMessageBox(DisplayText(text), kCaption, wxOK | icon, parent_);
  RepaintNow();
}

bool GuiHost::AskYesNo(const std::string& question) {
  if (answers_ != nullptr) return answers_->NextYesNo(question);
  NormalCursor normalCursor;
  const int answer = wxMessageBox(DisplayText(question), kCaption, wxYES_NO | wxICON_QUESTION, parent_);
  RepaintNow();
  return answer == wxYES;
}

bool GuiHost::IsInputFile(const std::string& path) const {
  if (inputPath_.empty()) return false;
  std::error_code ec;
  return std::filesystem::equivalent(platform::PathOf(path), platform::PathOf(inputPath_), ec);
}

std::optional<std::string> GuiHost::ChooseOutputPath(const std::string& proposedName, const std::string& filter,
                                                     bool overwritePrompt) {
  if (capture_ != nullptr) return proposedName;
  // Output is proposed beside the input file.
  wxString dir = lastDir_;
  if (!inputPath_.empty()) {
    const wxString inputDir = wxFileName(PathFromBytes(inputPath_)).GetPath();
    if (!inputDir.empty()) dir = inputDir;
  }
  for (;;) {
    std::optional<std::string> path;
    if (answers_ != nullptr) {
      path = answers_->NextSavePath(proposedName, filter);
    } else {
      NormalCursor normalCursor;
      long style = wxFD_SAVE;
      if (overwritePrompt) style |= wxFD_OVERWRITE_PROMPT;
      wxFileDialog dialog(parent_, "Save As", dir, PathFromBytes(proposedName), Wildcard(filter), style);
      const int answer = dialog.ShowModal();
      const wxString chosen = dialog.GetPath();
      dir = dialog.GetDirectory();
      dialog.Hide();
      RepaintNow();
      if (answer == wxID_OK && !chosen.empty()) path = PathToBytes(chosen);
    }
    if (!path) return std::nullopt;
    // The BGL file is only ever read: writing the output over it would lose it.
    if (IsInputFile(*path)) {
      ShowMessage("Error: the output file would replace the BGL file it is made from; choose another name");
      if (answers_ != nullptr) return std::nullopt;
      continue;
    }
    if (answers_ == nullptr) lastDir_ = dir;
    return path;
  }
}

std::time_t GuiHost::Now() {
  // Reproducible output: the time can be fixed from outside, as for the
  // command line.
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch != nullptr && *epoch != '\0') {
    std::string why;
    if (const std::optional<std::time_t> t = skarn::ParseSourceDateEpoch(epoch, &why)) return *t;
    std::fputs(("skarn-gui: SOURCE_DATE_EPOCH " + why + "; using the clock\n").c_str(), stderr);
  }
  return std::time(nullptr);
}

TempFileRegistry* GuiHost::temporaryFiles() { return &shell::SignalCleanup::Install(); }

void GuiHost::SetInputPath(const std::string& path) {
  inputPath_ = path;
  if (!path.empty()) shell::SignalCleanup::NoteInput(path);
}

std::unique_ptr<ByteSink> GuiHost::OpenOutput(const std::string& path, std::string* error) {
  std::unique_ptr<ByteSink> sink;
  if (capture_ != nullptr) {
    capture_->clear();
    sink = std::make_unique<StringSink>(capture_);
  } else {
    sink = Host::OpenOutput(path, error);
  }
  if (sink == nullptr || !progress_) return sink;
  return std::make_unique<ProgressSink>(std::move(sink), progress_);
}

}  // namespace skarn::gui
