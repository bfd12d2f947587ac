// A host for fuzzing: no dialogs, output discarded, fixed answers.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "core/Host.h"
#include "core/OutputSink.h"

namespace skarn::fuzz {

class NullSink : public ByteSink {
 public:
  void Write(const char*, size_t size) override { bytes += size; }
  void Commit() override {}
  void Abort() noexcept override {}
  size_t bytes = 0;
};

class FuzzHost : public Host {
 public:
  explicit FuzzHost(bool answer) : answer_(answer) {}
  void ShowMessage(const std::string&) override {}
  bool AskYesNo(const std::string&) override { return answer_; }
  std::optional<std::string> ChooseOutputPath(const std::string& proposed, const std::string&, bool) override {
    return proposed;
  }
  std::time_t Now() override { return 0; }
  std::unique_ptr<ByteSink> OpenOutput(const std::string&, std::string*) override {
    return std::make_unique<NullSink>();
  }

 private:
  bool answer_;
};

}  // namespace skarn::fuzz
