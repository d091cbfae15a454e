// Where the port component's message boxes go; the program wires its Prompter.
#pragma once

#include <string>

namespace tesra {

class MessageSink {
 public:
  enum class Kind { Error, Warning };
  virtual ~MessageSink() = default;
  // Modal, with an OK button; Error shows the stop icon, Warning the warning icon.
  virtual void ShowMessage(Kind kind, const std::string& caption, const std::string& text) = 0;
};

// Used while nothing else is wired: writes the message to standard error.
MessageSink& StderrMessageSink();

}  // namespace tesra
