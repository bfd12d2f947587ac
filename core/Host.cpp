#include "core/Host.h"

#include <cerrno>
#include <cstdlib>

#include "core/Format.h"

namespace skarn {

void Host::ShowFileMessage(const std::string& text, const std::string& path, const std::string& reason) {
  ShowMessage(text + "\n" + path + ": " + reason);
}

std::unique_ptr<ByteSink> Host::OpenOutput(const std::string& path, std::string* error) {
  return OpenOutputFile(path, temporaryFiles(), error);
}

std::string CTimeText(std::time_t t) {
  // The C library's asctime layout, built here because ctime's static buffer
  // is shared by every thread.
  static const char kDays[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char kMonths[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm tm{};
#if defined(_WIN32)
  localtime_s(&tm, &t);
#else
  localtime_r(&t, &tm);
#endif
  const int wday = tm.tm_wday >= 0 && tm.tm_wday < 7 ? tm.tm_wday : 0;
  const int mon = tm.tm_mon >= 0 && tm.tm_mon < 12 ? tm.tm_mon : 0;
  return Format("%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", kDays[wday], kMonths[mon], tm.tm_mday, tm.tm_hour,
                tm.tm_min, tm.tm_sec, 1900 + tm.tm_year);
}

std::optional<std::time_t> ParseSourceDateEpoch(const char* text, std::string* why) {
  errno = 0;
  char* end = nullptr;
  const long long v = text == nullptr ? -1 : std::strtoll(text, &end, 10);
  if (text == nullptr || *text == '\0' || errno != 0 || end == nullptr || *end != '\0' || v < 0) {
    if (why != nullptr) *why = "is not a number of seconds";
    return std::nullopt;
  }
  // A time whose year does not fit the C library's date would give a
  // meaningless date text.
  const auto t = static_cast<std::time_t>(v);
  std::tm tm{};
#if defined(_WIN32)
  const bool shown = static_cast<long long>(t) == v && localtime_s(&tm, &t) == 0;
#else
  const bool shown = static_cast<long long>(t) == v && localtime_r(&t, &tm) != nullptr;
#endif
  if (!shown) {
    if (why != nullptr) *why = "is beyond the dates the C library can show";
    return std::nullopt;
  }
  return t;
}

}  // namespace skarn
