// The configuration report's text, built from the values the report command
// reads from the main window's controls, so it needs no window of its own.
//
// Texts are UTF-8 as the controls show them; the file bytes are Windows-1251.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tesra {

inline constexpr char kReportFileName[] = "TesraConfig.txt";

// A check box, or a tool button with `checked` standing for its down state.
struct ReportBox {
  bool enabled = false;
  bool checked = false;
};

// Section 1, read once. Counts are the selected indexes of their combo boxes,
// -1 for no selection.
struct ReportSystemValues {
  std::string serialNumber;                            // Edit1
  std::array<std::string, 3> date;                     // Edit2, Edit3, Edit4
  std::string version;                                 // Edit5
  std::string compositionTitle;                        // StaticText269
  bool amplifier = false;                              // CheckBox5
  int splitters = -1;                                  // ComboBox57
  int modules = -1;                                    // ComboBox56
  int fireConsoles = -1;                               // ComboBox55
  int announcerConsoles = -1;                          // ComboBox54
  bool equalPriority = false;                          // CheckBox4
  bool gong = false;                                   // CheckBox316
  bool auxPriority = false;                            // CheckBox325
  std::array<ReportBox, 16> musicZones;                // MusicZoneBoxes
  std::array<std::array<ReportBox, 8>, 3> inputZones;  // InputZoneBoxes [AUX, RING, TEL][zone]
  bool almOutMic = false;                              // CheckBox41
  bool almOutAux = false;                              // CheckBox42
  std::array<std::string, 72> messageTimes;            // LenMes value cells, rows 1..72
  std::string algorithmsTitle;                         // StaticText268
};

struct ReportStageValues {
  bool on = false;                      // StageButtons[s]
  std::string message;                  // MessageCombos[s] text
  std::string repeats;                  // RepeatCombos[s] text
  std::string pause;                    // PauseCombos[s] text
  std::string time;                     // StageTimeTexts[s]
  ReportBox almOut;                     // AlmOutBoxes[s]
  std::array<ReportBox, 8> zones;       // ZoneButtons[s][zone], checked = down
  std::array<ReportBox, 16> relays;     // RelayBoxes[s][2*(module-1) + relay]
};

// One input as the window shows it after it was selected.
struct ReportInputValues {
  int input = 1;                            // 1..8
  std::array<ReportStageValues, 8> stages;
  std::string totalTime;                    // StaticText23
  int splitters = -1;                       // ComboBox57
  int modules = -1;                         // ComboBox56
};

// L blanks, the text, R blanks and "|", with L = (7-n)/2 and R = (8-n)/2 for
// a text of n characters (code points), no blanks when a count is <= 0.
std::string ReportCell(std::string_view text);

// Whether a message playing time is listed: the text is a time longer than
// 0 by the rule the stage times use (config/PlayingTime.h), so a message the
// editor counts is listed, one too long to count as well, and text that is
// not a time (a negative number included) is not.
bool IsListedPlayingTime(std::string_view text);

std::vector<std::string> ReportSystemLines(const ReportSystemValues& v);
// Empty when stage 1 is off: such an input gets no block.
std::vector<std::string> ReportInputLines(const ReportInputValues& v);
// Section 1, then the blocks of the inputs in the order given.
std::vector<std::string> ReportLines(const ReportSystemValues& system, const std::vector<ReportInputValues>& inputs);

// The file: every line in Windows-1251 followed by CRLF.
std::string ReportFileBytes(const std::vector<std::string>& lines);

}  // namespace tesra
