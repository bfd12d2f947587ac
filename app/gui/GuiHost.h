// What the core asks of the desktop: message boxes, a Yes/No box, the native
// file choosers, the time, and output files that keep the window painted
// while a long command writes them.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/gui/WxInclude.h"
#include "core/Host.h"

namespace skarn::gui {

// Answers given ahead of time instead of the dialogs (the program's test
// hook, --script). Without it the real dialogs are shown.
class DialogAnswers {
 public:
  virtual ~DialogAnswers() = default;
  // A path for the next open or save chooser; nothing means Cancel.
  virtual std::optional<std::string> NextOpenPath() = 0;
  virtual std::optional<std::string> NextSavePath(const std::string& proposedName, const std::string& filter) = 0;
  virtual bool NextYesNo(const std::string& question) = 0;
  // The text for the next text dialog; nothing means Cancel.
  virtual std::optional<std::string> NextText(const std::string& prompt) = 0;
  // A message that a box would have shown.
  virtual void Message(const std::string& text) = 0;
};

class GuiHost : public Host {
 public:
  GuiHost() = default;

  // The window the dialogs belong to.
  void SetParent(wxWindow* parent) { parent_ = parent; }
  void SetAnswers(DialogAnswers* answers) { answers_ = answers; }
  // The open BGL file: output is proposed in its folder and never written
  // over it, and the message about a file cut shorter while it is read
  // names it.
  void SetInputPath(const std::string& path);
  // Called every so often while an output file is written, with the bytes
  // written so far.
  void SetProgress(std::function<void(uint64_t)> progress) { progress_ = std::move(progress); }

  // The Open command's chooser: an existing file, filter of BGL files.
  std::optional<std::string> ChooseInputPath();
  // A dialog that asks for one line of text; nothing when cancelled.
  std::optional<std::string> AskText(const std::string& caption, const std::string& prompt,
                                     const std::string& initial);
  // While text is set, a command's output goes there instead of a file: its
  // path is answered without a dialog (the proposed name, which only
  // messages show) and nothing is written to disk.
  void CaptureOutput(std::string* text) { capture_ = text; }

  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& question) override;
  std::optional<std::string> ChooseOutputPath(const std::string& proposedName, const std::string& filter,
                                              bool overwritePrompt) override;
  std::time_t Now() override;
  std::unique_ptr<ByteSink> OpenOutput(const std::string& path, std::string* error) override;
  // The program's signal cleanup (installed by the first call).
  TempFileRegistry* temporaryFiles() override;

 private:
  bool IsInputFile(const std::string& path) const;

  wxWindow* parent_ = nullptr;
  DialogAnswers* answers_ = nullptr;
  std::string inputPath_;
  wxString lastDir_;
  std::function<void(uint64_t)> progress_;
  std::string* capture_ = nullptr;
};

// The open chooser's filter.
extern const char* const kBglFilter;

// Conversions between the core's byte strings and the toolkit's text. Paths
// use the file system's encoding; display text is UTF-8 where it is valid and
// otherwise the Windows Western character set of the scenery files' names.
std::string PathToBytes(const wxString& path);
wxString PathFromBytes(const std::string& path);
wxString DisplayText(const std::string& text);

// Lets the windows repaint what a closed dialog uncovered, or what a long
// command left stale, without handling any input: a command runs to its end
// before the next one starts.
void RepaintNow();

// The core's "text|pattern||" filter as the toolkit's wildcard for this
// platform.
wxString Wildcard(const std::string& filter);

}  // namespace skarn::gui
