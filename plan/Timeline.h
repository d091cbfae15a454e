// The evacuation timeline of one input as numbers: time along the axis in
// seconds, one row per zone 1..8, per relay output of the fitted modules and
// for ALM OUT; each stage that plays is a band in the rows it switches on.
// The window, the PDF and the PNG paint it (TimelinePainter).
#pragma once

#include <string>
#include <vector>

#include "config/ConfigImage.h"
#include "plan/MessageTimes.h"

namespace tesra {

enum class TimelineRowKind : unsigned char { Zone, Relay, AlmOut };

struct TimelineRow {
  TimelineRowKind kind;
  int zone = -1;     // 0..7 for a zone row
  int module = -1;   // 0..7 for a relay row
  int relay = -1;    // 0 = K1, 1 = K2
  bool served = true;  // a zone row: some fitted splitter serves it
  std::string name;  // "Зона 1", "KT-CM3 2 K1", "ALM OUT"
  friend bool operator==(const TimelineRow&, const TimelineRow&) = default;
};

// A stage that plays: stages that are on, in order, up to and with the first
// one without a limit (nothing after it plays). Start and end are places on
// the axis in seconds; they are times from the alarm only while every stage
// before is of known length: a stage whose message time is not a number
// takes a nominal span and is drawn as of unknown length.
struct TimelineStage {
  int stage;             // 0..7
  long long start;       // seconds from the alarm (when startKnown)
  long long end;         // start + the stage's time; = start when open-ended
  bool openEnded;        // repeats without limit (or too long to count)
  bool timeKnown;        // the message's playing time is a number
  bool startKnown;       // every stage before is of known length
  std::string label;     // "Сообщ. 5 × 2, пауза 10 с"
};

struct TimelineBand {
  int row;    // index into rows
  int stage;  // index into stages
  friend bool operator==(const TimelineBand&, const TimelineBand&) = default;
};

struct Timeline {
  int input = 0;  // 0..7
  std::vector<TimelineRow> rows;
  std::vector<TimelineStage> stages;
  std::vector<TimelineBand> bands;
  // The time until the last limited stage ends; with an open-ended stage,
  // the time it begins, after which the sequence plays on without end.
  long long total = 0;
  bool unlimited = false;
  // False when a stage before the end is of unknown length: the total is
  // then a place on the axis, not a time.
  bool totalKnown = true;
  // Seconds up to which the axis counts real time: the start of the first
  // stage of unknown length, else the total.
  long long knownUntil = 0;
  // Seconds the axis spans: the total, and room after it for an open end.
  long long axisEnd = 0;
};

Timeline BuildTimeline(const ConfigImage& image, const MessageTimes& times, int input);

// "Сообщ. 5 × 2, пауза 10 с"; "Не выбр" for no message, "без огр." for
// unlimited repeats; a pause only where the message repeats.
std::string StageLabel(unsigned message, unsigned repeats, unsigned pauseSeconds);

// "80 с", "Без ограничения" for an open-ended sequence, "неизвестно" when a
// stage's length is unknown.
std::string TotalText(const Timeline& t);

}  // namespace tesra
