// Program start-up: the five windows in their order, the message loop, and
// the standard error box for an exception that escapes a handler.
#pragma once

#include <functional>

#include <QApplication>

class Prompter;

class TesraApplication : public QApplication {
 public:
  TesraApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
  void SetErrorPrompter(Prompter* p) { errorPrompter_ = p; }
  // Shows the text of an escaped error; an unknown error shows an empty text.
  void ShowEscapedError(const QString& text);

 private:
  Prompter* errorPrompter_ = nullptr;
};

// Runs a delivery; an error that escapes it is shown in an error box with its
// text (an unknown error with an empty text) and the result is false.
bool DeliverShowingErrors(const std::function<bool()>& deliver, Prompter* prompter);

// Runs the whole program; returns 0 in every case.
int RunProgram(int argc, char** argv);
