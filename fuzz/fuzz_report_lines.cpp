// The report's lines on any control texts and states: every line is built,
// every cell closes with its bar, and the file holds one CRLF per line.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "report/ReportLines.h"

namespace {

tesra::ReportBox Box(FuzzedDataProvider& in) { return {in.ConsumeBool(), in.ConsumeBool()}; }

std::string Text(FuzzedDataProvider& in) { return in.ConsumeRandomLengthString(12); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  tesra::ReportSystemValues sys;
  sys.serialNumber = Text(in);
  for (auto& d : sys.date) d = Text(in);
  sys.version = Text(in);
  sys.compositionTitle = Text(in);
  sys.amplifier = in.ConsumeBool();
  sys.splitters = in.ConsumeIntegralInRange(-3, 20);
  sys.modules = in.ConsumeIntegralInRange(-3, 20);
  sys.fireConsoles = in.ConsumeIntegralInRange(-3, 20);
  sys.announcerConsoles = in.ConsumeIntegralInRange(-3, 20);
  sys.equalPriority = in.ConsumeBool();
  sys.gong = in.ConsumeBool();
  sys.auxPriority = in.ConsumeBool();
  for (auto& b : sys.musicZones) b = Box(in);
  for (auto& row : sys.inputZones)
    for (auto& b : row) b = Box(in);
  sys.almOutMic = in.ConsumeBool();
  sys.almOutAux = in.ConsumeBool();
  for (auto& t : sys.messageTimes) t = in.ConsumeRandomLengthString(6);
  sys.algorithmsTitle = Text(in);

  std::vector<tesra::ReportInputValues> inputs(in.ConsumeIntegralInRange(0, 8));
  int k = 1;
  for (auto& v : inputs) {
    v.input = k++;
    v.splitters = in.ConsumeIntegralInRange(-3, 20);
    v.modules = in.ConsumeIntegralInRange(-3, 20);
    v.totalTime = Text(in);
    for (auto& st : v.stages) {
      st.on = in.ConsumeBool();
      st.message = Text(in);
      st.repeats = Text(in);
      st.pause = Text(in);
      st.time = Text(in);
      st.almOut = Box(in);
      for (auto& z : st.zones) z = Box(in);
      for (auto& r : st.relays) r = Box(in);
    }
  }

  const std::vector<std::string> lines = tesra::ReportLines(sys, inputs);
  const std::string bytes = tesra::ReportFileBytes(lines);
  std::size_t crlf = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
    if (bytes[i] == '\r' && bytes[i + 1] == '\n') ++crlf;
  if (crlf < lines.size()) std::abort();
  if (!tesra::ReportCell(Text(in)).ends_with("|")) std::abort();
  return 0;
}
