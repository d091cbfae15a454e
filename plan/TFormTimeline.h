// The evacuation timeline of the input the editor shows. It follows the
// editor live (another input, a stage edited, a message time changed);
// "Сохранить" writes all eight inputs as a PDF, one page each, or the shown
// one as a PNG, for the commissioning file.
#pragma once

#include <QWidget>

#include "plan/Timeline.h"

class QPushButton;
struct MainContext;

class TFormTimeline : public QWidget {
  Q_OBJECT

 public:
  TFormTimeline(MainContext& ctx, QWidget* parent = nullptr);
  ~TFormTimeline() override;

  // The timeline of the shown input, as the editor holds it now.
  tesra::Timeline Shown() const;
  tesra::Timeline OfInput(int input) const;
  // What the view's last repaint drew.
  const tesra::Timeline& Drawn() const;

  // Asks for a file and its type: PNG writes the shown input, PDF all eight.
  void ButtonSaveClick();
  bool SavePdf(const QString& path);
  bool SavePng(const QString& path);

  QWidget* View = nullptr;
  QPushButton* ButtonSave = nullptr;

 private:
  MainContext& ctx_;
  int followKey_ = 0;
};
