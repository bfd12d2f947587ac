// A host that records what the core asks of the platform.
#pragma once

#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Host.h"
#include "core/OutputSink.h"

namespace skarn::test {

class FakeHost : public Host {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  // The message as the others; its "PATH: REASON" is kept apart.
  void ShowFileMessage(const std::string& text, const std::string& path, const std::string& reason) override {
    messages.push_back(text);
    fileReasons.push_back(path + ": " + reason);
  }
  bool AskYesNo(const std::string& question) override {
    questions.push_back(question);
    return answer;
  }
  std::optional<std::string> ChooseOutputPath(const std::string& proposedName, const std::string& filter,
                                              bool overwritePrompt) override {
    proposed.push_back(proposedName);
    filters.push_back(filter);
    prompted = overwritePrompt;
    if (cancel) return std::nullopt;
    return chosen.empty() ? proposedName : chosen;
  }
  std::time_t Now() override { return now; }
  // Output goes to memory unless toDisk is set.
  std::unique_ptr<ByteSink> OpenOutput(const std::string& path, std::string* error) override {
    if (toDisk) return Host::OpenOutput(path, error);
    if (failOpen) {
      *error = "refused";
      return nullptr;
    }
    auto sink = std::make_unique<RecordingSink>(this);
    return sink;
  }

  // The committed output text (with its CR LF line ends).
  std::string output;
  std::vector<std::string> messages;
  std::vector<std::string> fileReasons;
  std::vector<std::string> questions;
  std::vector<std::string> proposed;
  std::vector<std::string> filters;
  std::string chosen;
  bool answer = true;
  bool cancel = false;
  bool prompted = false;
  bool toDisk = false;
  bool failOpen = false;
  std::time_t now = 0;  // Thu Jan  1 00:00:00 1970 in UTC

 private:
  class RecordingSink : public ByteSink {
   public:
    explicit RecordingSink(FakeHost* host) : host_(host) {}
    void Write(const char* data, size_t size) override { text_.append(data, size); }
    void Commit() override { host_->output = text_; }
    void Abort() noexcept override {}

   private:
    FakeHost* host_;
    std::string text_;
  };
};

// A sink whose file cannot be written; it tells its host when it is
// discarded.
class BrokenSink : public ByteSink {
 public:
  explicit BrokenSink(bool* aborted) : aborted_(aborted) {}
  void Write(const char*, size_t) override { throw OutputError("disk full"); }
  void Commit() override {}
  void Abort() noexcept override { *aborted_ = true; }

 private:
  bool* aborted_;
};

// A host whose every output file fails on its first write.
class BrokenHost : public FakeHost {
 public:
  std::unique_ptr<ByteSink> OpenOutput(const std::string&, std::string*) override {
    ++opened;
    return std::make_unique<BrokenSink>(&aborted);
  }
  int opened = 0;
  bool aborted = false;
};

}  // namespace skarn::test
