// Command line (module uCmdArgs), applied once at the end of start-up, after
// the settings file, so its language, window mode and project win. Options
// act from any position and match any argument that begins with them, in any
// letter case. A project, the Run page and a connect are taken only when the
// first argument is not an option.
#pragma once

#include <string>
#include <vector>

namespace qx {

// What a command line asks for (the arguments without the program name).
struct TCmdPlan {
  std::string Language;  // "de", "en", "zh" or "" (none given)
  bool Maximize = false;
  bool Minimize = false;
  bool FullScreen = false;
  bool FullWindow = false;
  bool FirstIsOption = true;   // also with no arguments at all
  std::string Project;         // the first argument when it ends in ".qxproj"
  bool MinimizeToRun = false;  // "-windowminimized" after a non-option first argument
  bool RunMode = false;
  bool Connect = false;
};

class TCmdArgs {
 public:
  static bool HasOption(const std::vector<std::string>& args, const std::string& option);
  static TCmdPlan Plan(const std::vector<std::string>& args);
  // The process's own arguments.
  static void Proceed();
  static void Proceed(const std::vector<std::string>& args);
  // Project file and directory for a name given on the command line: a name
  // without directory is taken in currentDir.
  static void ProjectPlace(const std::string& name, const std::string& currentDir,
                           std::string& file, std::string& path);
};

}  // namespace qx
