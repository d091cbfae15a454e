#include "report/ReportLines.h"

#include <algorithm>

#include "config/Cp1251.h"
#include "config/PlayingTime.h"

namespace tesra {
namespace {

constexpr char kBlankCell[] = "       |";
constexpr char kPlusCell[] = "   +   |";
constexpr char kMinusCell[] = "   -   |";
constexpr char kStageRule[] =
    "----------------------------|-------|-------|-------|-------|-------|-------|-------|-------|";
constexpr char kTotalRule[] =
    "----------------------------|---------------------------------------------------------------|";

const char* Mark(bool checked) { return checked ? "+" : "-"; }

const char* StateCell(const ReportBox& b) {
  if (!b.enabled) return kBlankCell;
  return b.checked ? kPlusCell : kMinusCell;
}

template <typename TextOf>
std::string ValueRow(const char* label, const ReportInputValues& v, TextOf textOf) {
  std::string row = label;
  for (const ReportStageValues& s : v.stages) row += s.on ? ReportCell(textOf(s)) : kBlankCell;
  return row;
}

}  // namespace

std::string ReportCell(std::string_view text) {
  const long n = static_cast<long>(Utf8CharacterCount(text));
  const long left = (7 - n) / 2;
  const long right = (8 - n) / 2;
  std::string cell;
  cell.reserve(text.size() + 9);
  cell.append(static_cast<std::size_t>(std::max(left, 0L)), ' ');
  cell.append(text);
  cell.append(static_cast<std::size_t>(std::max(right, 0L)), ' ');
  cell += '|';
  return cell;
}

bool IsListedPlayingTime(std::string_view text) { return ReadSeconds(text).value_or(0) > 0; }

std::vector<std::string> ReportSystemLines(const ReportSystemValues& v) {
  std::vector<std::string> l;
  l.push_back("\t\t\tСистема оповещения KESTA на базе ППУ KT-8CU2");
  l.push_back("");
  l.push_back("\tСерийный номер:                       " + v.serialNumber);
  l.push_back("\tДата:                                 " + v.date[0] + "/" + v.date[1] + "/" + v.date[2]);
  l.push_back("\tВерсия:                               " + v.version);
  l.push_back("");
  l.push_back(v.compositionTitle);
  l.push_back(std::string(29, '-'));
  l.push_back("");
  l.push_back("");
  l.push_back(std::string("\tУсилитель мощности KT-400AM           ") + (v.amplifier ? "1" : "0"));
  l.push_back("\tРазветвитель KT-SP                    " + std::to_string(v.splitters));
  l.push_back("\tМодуль контроля и управления KT-CM3   " + std::to_string(v.modules));
  l.push_back("\tПожарный пульт микрофонный KT-FP8     " + std::to_string(v.fireConsoles));
  l.push_back("\tПульт диктора микрофонный KT-AN       " + std::to_string(v.announcerConsoles));
  l.push_back(std::string("\tРавный приоритет для входов IN1-IN8   ") + Mark(v.equalPriority));
  l.push_back(std::string("\tСигнал привлечения внимания (ГОНГ)    ") + Mark(v.gong));
  l.push_back(std::string("\tПриоритет входа AUX над авт. режимом  ") + Mark(v.auxPriority));
  l.push_back("\tЗоны для трансляции фоновой музыки:   ");
  for (int preset = 0; preset < 2; ++preset) {
    l.push_back("\t\tПресет " + std::to_string(preset + 1));
    for (int z = 1; z <= 8; ++z) {
      const ReportBox& box = v.musicZones[static_cast<std::size_t>(8 * preset + z - 1)];
      if (box.enabled)
        l.push_back("\t                                      Зона " + std::to_string(z) + (box.checked ? "  +" : "  -"));
    }
  }
  l.push_back("");
  l.push_back("\tЗоны в которые будет транслироваться");
  l.push_back("\tаудио сигнал при активации входов:  ");
  l.push_back("\t                                     N зоны   AUX   RING    TEL");
  l.push_back("\t                                      -----  -----  -----  -----");
  for (std::size_t z = 0; z < 8; ++z) {
    if (!v.inputZones[0][z].enabled) continue;  // RING and TEL follow the AUX box
    std::string line = "\t                                        " + std::to_string(z + 1);
    for (const auto& input : v.inputZones) line += input[z].checked ? "      +" : "      -";
    l.push_back(std::move(line));
  }
  l.push_back("");
  l.push_back("");
  l.push_back("\tАктивация выхода 'ALM OUT'           ");
  l.push_back(std::string("\t                    МIC+PULT1+PULT2: ") + Mark(v.almOutMic));
  l.push_back(std::string("\t                                AUX: ") + Mark(v.almOutAux));
  l.push_back("");
  l.push_back("");
  l.push_back("\tДлительность воспроизведения сообщений:");
  l.push_back("\t                                      Номер    Время (сек)");
  l.push_back("\t                                      -----    -----------");
  for (std::size_t i = 0; i < v.messageTimes.size(); ++i) {
    if (IsListedPlayingTime(v.messageTimes[i]))
      l.push_back("\t                                        " + std::to_string(i + 1) + "          " +
                  v.messageTimes[i]);
  }
  l.push_back("");
  l.push_back("");
  l.push_back(v.algorithmsTitle);
  l.push_back(std::string(28, '-'));
  l.push_back("");
  return l;
}

std::vector<std::string> ReportInputLines(const ReportInputValues& v) {
  std::vector<std::string> l;
  if (!v.stages[0].on) return l;
  l.push_back("");
  l.push_back(" Вход активации N" + std::to_string(v.input) +
              "          | Этап1 | Этап2 | Этап3 | Этап4 | Этап5 | Этап6 | Этап7 | Этап8 |");
  l.push_back(kStageRule);
  l.push_back(ValueRow("Номер сообщения             |", v, [](const ReportStageValues& s) { return s.message; }));
  l.push_back(ValueRow("Количество повторов         |", v, [](const ReportStageValues& s) { return s.repeats; }));
  l.push_back(ValueRow("Пауза между повторами (сек) |", v, [](const ReportStageValues& s) { return s.pause; }));
  l.push_back(ValueRow("Время этапа (сек)           |", v, [](const ReportStageValues& s) { return s.time; }));
  l.push_back(kTotalRule);
  l.push_back("Общее время эвакуации (сек) | " + v.totalTime);
  l.push_back(kTotalRule);
  std::string alm = "Активация выхода 'ALM OUT': |";
  for (const ReportStageValues& s : v.stages) alm += StateCell(s.almOut);
  l.push_back(std::move(alm));
  l.push_back(kStageRule);
  if (v.splitters >= 1) {
    l.push_back("Зоны трансляции сообщений:  |       |       |       |       |       |       |       |       |");
    const int zones = v.splitters >= 2 ? 8 : 4;
    for (int z = 1; z <= zones; ++z) {
      std::string row = "                     Зона " + std::to_string(z) + " |";
      for (const ReportStageValues& s : v.stages) row += StateCell(s.zones[static_cast<std::size_t>(z - 1)]);
      l.push_back(std::move(row));
    }
  }
  l.push_back(kStageRule);
  if (v.modules >= 1) {
    l.push_back("Исполнительные реле KT-CM3: | K1 K2 | K1 K2 | K1 K2 | K1 K2 | K1 K2 | K1 K2 | K1 K2 | K1 K2 |");
    const int modules = std::min(v.modules, 8);  // eight modules are all the relay boxes there are
    for (int m = 1; m <= modules; ++m) {
      std::string row = "                   Модуль " + std::to_string(m) + " |";
      for (const ReportStageValues& s : v.stages) {
        const ReportBox& k1 = s.relays[static_cast<std::size_t>(2 * (m - 1))];
        const ReportBox& k2 = s.relays[static_cast<std::size_t>(2 * (m - 1) + 1)];
        if (!k1.enabled) {
          row += kBlankCell;
        } else {
          row += k1.checked ? "  + " : "  - ";
          row += k2.checked ? " + |" : " - |";
        }
      }
      l.push_back(std::move(row));
    }
  }
  l.push_back(std::string(93, '-') + "\r\n");
  return l;
}

std::vector<std::string> ReportLines(const ReportSystemValues& system, const std::vector<ReportInputValues>& inputs) {
  std::vector<std::string> l = ReportSystemLines(system);
  for (const ReportInputValues& input : inputs) {
    std::vector<std::string> block = ReportInputLines(input);
    l.insert(l.end(), std::make_move_iterator(block.begin()), std::make_move_iterator(block.end()));
  }
  return l;
}

std::string ReportFileBytes(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) {
    out += Cp1251FromUtf8(line);
    out += "\r\n";
  }
  return out;
}

}  // namespace tesra
