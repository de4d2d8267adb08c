#pragma once
// "Свойства окна": the scope window's settings dialog. It edits the settings record handed to
// it and the list of shown variables; the checks and the way the texts enter the record are
// the core's (scope/window_property.h).
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "app/variables/scale_editor.h"
#include "scope/base_property.h"
#include "scope/window_property.h"
#include "workspace/paths.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QToolButton;
class QWidget;

namespace quillon {

class PortComboBox;

class TWindowProperty : public QDialog {
  Q_OBJECT

 public:
  explicit TWindowProperty(WorkspacePaths paths, QWidget* parent = nullptr);

  // Points the dialog at a window's record and fills the controls from it and from the
  // window's variables (property.Vars, may be null).
  void Edit(TBaseProperty& property);

  // Points the dialog at a window's record without touching the controls (loading a file).
  void PointAt(TBaseProperty& property) { property_ = &property; }

  // Reads a .scp file into the record and builds the window's variables from it; false (after
  // telling the user) when the file is not a scope window file.
  bool OpenWinFile(const std::string& path);
  // The shown list from the `viewlist` of FilePath, then OpenDeviceFromList.
  void OpenDeviceFile();
  // Rebuilds the window's variables (property.Vars) from the device file and the shown list;
  // a device file that cannot be found may be looked for by hand.
  void OpenDeviceFromList();

  // Set by "Новый осциллограф": a scope file that does not exist yet may be created on apply.
  void SetNewWindow(bool newWindow) { newWindow_ = newWindow; }
  bool NewWindow() const { return newWindow_; }

  // The entries of "Просмотр", top to bottom; the first word of each is a variable's key.
  std::vector<std::string> ShownEntries() const;

  void ViewParamList(const std::string& area);

  // A name chosen with the scope file button: an existing file is taken, a new one is created
  // as a fresh window's file.
  void WinPathChosen(const std::string& path);

  // The port list as "/"-separated names, asked each time the list opens.
  std::function<std::string()> ListComPorts;
  // "Переменные" opens the scale editor on the window's variable list; its change goes through
  // this gate when set (the owning window may be polling that list).
  ScaleChangeGate ScaleGate;

 protected:
  void done(int result) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void cbBUSChange();
  void MemSelectChange();
  void ToViewButtonClick();
  void btUpClick();
  void btDownClick();
  void btDelClick();
  void btSetWinPathClick();
  void btSetDevPathClick();
  void ComPortDropDown();

  QWidget* BuildPaths();
  QWidget* BuildSettings();
  QWidget* BuildLists();
  WindowPropertyFields Fields() const;
  void ShowRefusal(const WindowPropertyRefusal& refusal);

  WorkspacePaths paths_;
  TBaseProperty* property_ = nullptr;
  bool newWindow_ = false;
  std::string listedArea_;

  QLineEdit* WinPath_ = nullptr;
  QLineEdit* DevPath_ = nullptr;
  QComboBox* cbBUS_ = nullptr;
  QWidget* portPair_ = nullptr;
  PortComboBox* ComPort_ = nullptr;
  QLabel* lbAddr_ = nullptr;
  QLineEdit* AddrEd_ = nullptr;
  QWidget* bpsPair_ = nullptr;
  QComboBox* cbBPS_ = nullptr;
  QWidget* ipPortPair_ = nullptr;
  QLineEdit* edPort_ = nullptr;
  QLabel* lbFrameEnd_ = nullptr;
  QLineEdit* FrameEndEd_ = nullptr;
  QLabel* lbMs_ = nullptr;
  QComboBox* MemSelect_ = nullptr;
  QPushButton* btVariables_ = nullptr;
  QListWidget* ListBox1_ = nullptr;
  QListWidget* ListBox2_ = nullptr;
};

}  // namespace quillon
