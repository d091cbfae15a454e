#include "report/ReportCommand.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QToolButton>

#include "controls/MainContext.h"
#include "controls/MainControls.h"
#include "controls/Prompter.h"
#include "editor/ComboIndex.h"
#include "editor/Editor.h"
#include "project/AtomicFile.h"
#include "report/TextEditorLauncher.h"

namespace {

const QString kEditorNotFound = QStringLiteral("Не найден файл!");
const QString kWriteFailed = QStringLiteral("Ошибка записи файла ");
const QString kPathEnd = QStringLiteral(" !");

// The hold of a transfer on the editor is no part of the configuration.
tesra::ReportBox BoxOf(const QCheckBox* box) { return {EnabledByRules(box), box->isChecked()}; }
tesra::ReportBox BoxOf(const QToolButton* button) { return {EnabledByRules(button), button->isChecked()}; }

}  // namespace

ReportCommand::ReportCommand(MainContext& ctx, Editor& editor, Prompter& prompter)
    : ctx_(ctx),
      editor_(editor),
      prompter_(prompter),
      systemLauncher_(std::make_unique<SystemTextEditorLauncher>(ctx.Controls ? ctx.Controls->Window : nullptr)),
      launcher_(systemLauncher_.get()) {}

ReportCommand::~ReportCommand() = default;

void ReportCommand::SetLauncher(TextEditorLauncher* launcher) {
  launcher_ = launcher ? launcher : systemLauncher_.get();
}

tesra::ReportSystemValues ReportCommand::ReadSystemValues() const {
  const MainControls& c = *ctx_.Controls;
  tesra::ReportSystemValues v;
  v.serialNumber = c.Edit1->text().toStdString();
  v.date = {c.Edit2->text().toStdString(), c.Edit3->text().toStdString(), c.Edit4->text().toStdString()};
  v.version = c.Edit5->text().toStdString();
  v.compositionTitle = c.StaticText269->text().toStdString();
  v.amplifier = c.CheckBox5->isChecked();
  v.splitters = ItemIndex(c.ComboBox57);
  v.modules = ItemIndex(c.ComboBox56);
  v.fireConsoles = ItemIndex(c.ComboBox55);
  v.announcerConsoles = ItemIndex(c.ComboBox54);
  v.equalPriority = c.CheckBox4->isChecked();
  v.gong = c.CheckBox316->isChecked();
  v.auxPriority = c.CheckBox325->isChecked();
  for (std::size_t i = 0; i < v.musicZones.size(); ++i) v.musicZones[i] = BoxOf(c.MusicZoneBoxes[i]);
  for (std::size_t row = 0; row < v.inputZones.size(); ++row)
    for (std::size_t z = 0; z < 8; ++z) v.inputZones[row][z] = BoxOf(c.InputZoneBoxes[row][z]);
  v.almOutMic = c.CheckBox41->isChecked();
  v.almOutAux = c.CheckBox42->isChecked();
  for (int row = 1; row <= MainControls::MessageCount; ++row)
    v.messageTimes[static_cast<std::size_t>(row - 1)] = c.LenMesValue(row).toStdString();
  v.algorithmsTitle = c.StaticText268->text().toStdString();
  return v;
}

tesra::ReportInputValues ReportCommand::ReadInputValues(int input) const {
  const MainControls& c = *ctx_.Controls;
  tesra::ReportInputValues v;
  v.input = input;
  for (std::size_t s = 0; s < 8; ++s) {
    tesra::ReportStageValues& st = v.stages[s];
    st.on = c.StageButtons[s]->isChecked();
    st.message = c.MessageCombos[s]->currentText().toStdString();
    st.repeats = c.RepeatCombos[s]->currentText().toStdString();
    st.pause = c.PauseCombos[s]->currentText().toStdString();
    st.time = c.StageTimeTexts[s]->text().toStdString();
    st.almOut = BoxOf(c.AlmOutBoxes[s]);
    for (std::size_t z = 0; z < 8; ++z) st.zones[z] = BoxOf(c.ZoneButtons[s][z]);
    for (std::size_t j = 0; j < 16; ++j) st.relays[j] = BoxOf(c.RelayBoxes[s][j]);
  }
  v.totalTime = c.StaticText23->text().toStdString();
  v.splitters = ItemIndex(c.ComboBox57);
  v.modules = ItemIndex(c.ComboBox56);
  return v;
}

std::string ReportCommand::ReportBytes() {
  MainControls& c = *ctx_.Controls;
  const tesra::ReportSystemValues system = ReadSystemValues();
  std::vector<tesra::ReportInputValues> inputs;
  for (int k = 1; k <= 8; ++k) {
    editor_.SpeedButton1Click(c.InputButtons[static_cast<std::size_t>(k - 1)]);
    inputs.push_back(ReadInputValues(k));
  }
  return tesra::ReportFileBytes(tesra::ReportLines(system, inputs));
}

void ReportCommand::TBReportClick() {
  MainControls& c = *ctx_.Controls;
  const QString fileName = QString::fromLatin1(tesra::kReportFileName);
  if (!tesra::WriteFileAtomically(std::filesystem::path(tesra::kReportFileName), ReportBytes())) {
    prompter_.Error(kWriteFailed + QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath()) + kPathEnd);
    return;
  }
  c.TBReport->setChecked(false);
  if (launcher_->Open(fileName) == TextEditorLauncher::kNotFound) prompter_.Error(kEditorNotFound);
  editor_.SpeedButton1Click(c.InputButtons[0]);
}
