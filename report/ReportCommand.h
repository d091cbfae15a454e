// The report command: reads the main window's controls, input by input as
// the input buttons select them, writes "TesraConfig.txt" into the current
// working directory and opens it in the text editor.
#pragma once

#include <memory>
#include <string>

#include "report/ReportLines.h"

struct MainContext;
class Editor;
class Prompter;
class TextEditorLauncher;

class ReportCommand {
 public:
  ReportCommand(MainContext& ctx, Editor& editor, Prompter& prompter);
  ~ReportCommand();

  // nullptr returns to the system's text editor.
  void SetLauncher(TextEditorLauncher* launcher);

  void TBReportClick();
  // The file's bytes: each input selected in turn and read from the controls,
  // as TBReportClick writes them. The command line's report is these bytes.
  std::string ReportBytes();

  // The values of the report as the controls show them now.
  tesra::ReportSystemValues ReadSystemValues() const;
  tesra::ReportInputValues ReadInputValues(int input) const;

 private:
  MainContext& ctx_;
  Editor& editor_;
  Prompter& prompter_;
  std::unique_ptr<TextEditorLauncher> systemLauncher_;
  TextEditorLauncher* launcher_;
};
