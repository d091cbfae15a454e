// The handlers the main window's controls are bound to. The editor implements
// them; the catalogue only connects the controls' signals to them.
#pragma once

class QObject;

class EditorHandlers {
 public:
  virtual ~EditorHandlers() = default;
  // System-section controls (check boxes, combo boxes, identity edits).
  virtual void ComboBox58Change(QObject* sender) = 0;
  // Algorithm-editor controls, told apart by Tag and HelpContext.
  virtual void CheckBox180Click(QObject* sender) = 0;
  // The typing in a message, repeat or pause box has ended (Enter, focus out).
  virtual void ComboBox43Exit(QObject* /*sender*/) {}
  // The eight input buttons.
  virtual void SpeedButton1Click(QObject* sender) = 0;
  // A value of the message-length list changed.
  virtual void Edit6Change() = 0;
};
