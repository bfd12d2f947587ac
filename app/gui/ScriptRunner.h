// The program's test hook (--script FILE): answers for the dialogs and a list
// of steps, run one at a time from a timer so that the window paints between
// them. Commands go to the main window as menu command events, through the
// same handlers as a click, and only when the menu would let them through.
//
// Script lines (blank lines and lines starting with # are skipped):
//   open-answer PATH | open-cancel    answer for the next Open dialog
//   save-answer PATH | save-cancel    answer for the next save dialog
//   yesno yes|no                      answer for the next Yes/No question
//   text-answer TEXT | text-cancel    answer for the next text dialog (Find,
//                                     Go to Offset)
//   select ROW                        select a row of the summary, as a
//                                     click on it does
//   command NAME                      open saveas recent1..recent4 exit undo
//                                     cut copy paste toolbar statusbar
//                                     summary map source disassemble bitmaps
//                                     find findnext gotooffset about new print
//                                     preview
//   key KEYS                          a key typed into the window: ctrl+o,
//                                     ctrl+shift+p, ...
//   drop PATH                         a file dropped on the view
//   scroll ROW                        scroll the view to a row
//   map-hover FILE                    for each feature on the shown map: its
//                                     kind, the hover text's first line where
//                                     it lands, inside|outside the window
//   map-pixels FILE                   for each feature on the shown map:
//                                     whether the screen has its kind's
//                                     colour where it lands
//   map-zoom STEPS                    wheel steps about the map's middle
//   wait MS                           let the window run for a while
//   wait-title TITLE                  wait until the window title is TITLE
//                                     (after keys, which arrive later)
//   dump FILE                         write the window's state (see
//                                     CMainFrame::DumpState) and what the
//                                     dialogs were asked
//   screenshot FILE                   the main window as a PNG file
//   screenshot-other FILE             the newest other window (a dialog, the
//                                     print preview) as a PNG file
//   close-other                       close that window
//   quit                              close the main window (also at the end)
// The last three kinds, screenshot-other, close-other and wait, also run
// while a command shows a modal dialog.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/gui/GuiHost.h"
#include "app/gui/WxInclude.h"

namespace skarn::gui {

class CMainFrame;

class ScriptRunner : public wxEvtHandler, public DialogAnswers {
 public:
  ScriptRunner(CMainFrame& frame, std::string path);
  ~ScriptRunner() override;
  ScriptRunner(const ScriptRunner&) = delete;
  ScriptRunner& operator=(const ScriptRunner&) = delete;

  // Reads the script; false (with the reason on stderr) when it cannot.
  bool Load();
  void Start();
  bool failed() const { return failed_; }
  // Marks the run failed and tells why on stderr and in the next dump.
  void Fail(const std::string& why);

  std::optional<std::string> NextOpenPath() override;
  std::optional<std::string> NextSavePath(const std::string& proposedName, const std::string& filter) override;
  bool NextYesNo(const std::string& question) override;
  std::optional<std::string> NextText(const std::string& prompt) override;
  void Message(const std::string& text) override;

 private:
  void OnTimer(wxTimerEvent& event);
  void Run(const std::string& line);
  bool RunsInsideDialog(const std::string& line) const;
  void Finish();
  void Dump(const std::string& file);
  wxTopLevelWindow* OtherWindow() const;
  bool Screenshot(wxWindow* window, const std::string& file);
  void Key(const std::string& keys);

  wxWeakRef<CMainFrame> frame_;
  std::string path_;
  std::vector<std::string> lines_;
  size_t next_ = 0;
  // Steps under way: the running step, and a command until it returns.
  int depth_ = 0;
  wxTimer timer_;
  wxLongLong resumeAt_ = 0;
  // A title waited for (wait-title), and how long to wait.
  std::optional<wxString> title_;
  wxLongLong titleDeadline_ = 0;
  bool failed_ = false;
  bool finished_ = false;

  std::deque<std::optional<std::string>> openAnswers_;
  std::deque<std::optional<std::string>> saveAnswers_;
  std::deque<bool> yesNoAnswers_;
  std::deque<std::optional<std::string>> textAnswers_;
  // What the program said and asked, for the dump.
  std::vector<std::string> log_;
};

}  // namespace skarn::gui
