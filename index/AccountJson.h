// The account of one file as JSON (one line, the schema in the README) and
// as readable text.
#pragma once

#include <string>

#include "core/FileAccount.h"

namespace skarn::index {

// The schema's version: it grows when a field changes meaning or goes away
// (new fields may be added without a change).
constexpr int kSchemaVersion = 1;

// "read" (no problem met), "warnings" (read, with problems) or "failed".
const char* AccountStatus(const FileAccount& account);
// What kind of file: "plain", "compressed", or "-" when it was not read.
const char* AccountKind(const FileAccount& account);

// The account as one JSON object on one line (no line end).
std::string AccountJson(const FileAccount& account);
// A feature's values as a JSON object ({"frequency":113.5,...}).
std::string FeatureValuesJson(const AccountFeature& feature);
// A section's counts as a JSON object ({"objects":2,...}).
std::string SectionCountsJson(const AccountSection& section);
// The account as readable lines, each ending in "\n".
std::string AccountText(const FileAccount& account);

}  // namespace skarn::index
