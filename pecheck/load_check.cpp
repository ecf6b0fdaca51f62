#include "pecheck/load_check.h"

#include <cctype>
#include <sstream>

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool Above(PeVersion version, PeVersion highest) {
  return version.major != highest.major ? version.major > highest.major
                                        : version.minor > highest.minor;
}

std::string Text(PeVersion version) {
  return std::to_string(version.major) + "." + std::to_string(version.minor);
}

}  // namespace

bool ExportList::Parse(const std::string& text, std::string* error) {
  entries_.clear();
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    line = line.substr(0, line.find('#'));  // a note runs to the end of the line
    std::istringstream fields(line);
    std::string dll;
    std::string function;
    std::string extra;
    if (!(fields >> dll)) continue;
    if (!(fields >> function) || (fields >> extra)) {
      *error = "line " + std::to_string(number) + ": expected \"DLL FUNCTION\", got \"" + line + "\"";
      return false;
    }
    if (!entries_.emplace(Lower(dll), function).second) {
      *error = "line " + std::to_string(number) + ": " + dll + " " + function + " is listed twice";
      return false;
    }
  }
  return true;
}

bool ExportList::Has(const std::string& dll, const std::string& function) const {
  return entries_.count({Lower(dll), function}) != 0;
}

std::vector<std::string> LoadProblems(const PeImage& image, const ExportList& exports,
                                      PeVersion highest) {
  std::vector<std::string> problems;
  if (Above(image.osVersion, highest)) {
    problems.push_back("OS version " + Text(image.osVersion) + " is above " + Text(highest));
  }
  if (Above(image.subsystemVersion, highest)) {
    problems.push_back("subsystem version " + Text(image.subsystemVersion) + " is above " +
                       Text(highest));
  }
  for (const PeImport& import : image.imports) {
    if (import.byOrdinal) {
      problems.push_back("imports ordinal " + std::to_string(import.ordinal) + " of " +
                         import.dll + " (only imports by name can be checked)");
    } else if (!exports.Has(import.dll, import.function)) {
      problems.push_back("imports " + import.function + " from " + import.dll +
                         ", which is not in the list of exports");
    }
  }
  if (image.hasDelayImports) {
    problems.push_back("has delay-load imports, which are not checked");
  }
  return problems;
}
