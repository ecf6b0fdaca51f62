// What the driver reports: every check with its outcome, the texts it read,
// and the screenshots it asked for.
#pragma once

#include <string>

namespace e2e {

// Prints "ok   what" or "FAIL what (detail)"; counts the failures.
bool Check(bool condition, const std::string& what, const std::string& detail = "");
bool CheckEqual(const std::string& actual, const std::string& expected, const std::string& what);
void Note(const std::string& line);
int FailureCount();

// Screenshots are taken by the script that runs the driver: the driver drops
// a request file "<NN>-<name>.req" into the shots directory and waits until
// the script has replaced it by the picture. No directory: no pictures.
void SetShotDirectory(const std::string& windowsPath);
void Shot(const std::string& name);

std::string Quote(const std::string& text);  // for reports: \n shown as \n

}  // namespace e2e
