#pragma once
// The main window's help actions: the engineer's manual opened in the desktop's PDF viewer, and
// the about box.
#include <QDialog>
#include <QLabel>
#include <QPixmap>
#include <QPointF>
#include <QTimer>
#include <QUrl>
#include <functional>

#include "workspace/paths.h"

namespace quillon {

// Asks the desktop to open the manual and returns at once: the viewer runs as a process of its
// own. A failure is reported through the installed prompt, which parents its own box, so
// `parent` only names the window that asked.
void OpenHelpDocument(const WorkspacePaths& paths, QWidget* parent);

// The same with the desktop's open replaced, so that tests never start a real viewer.
using DesktopOpener = std::function<bool(const QUrl&)>;
void OpenHelpDocument(const WorkspacePaths& paths, const DesktopOpener& open);

// The about box: the product name over a picture that circles while the box is open, and the
// workspace the program works in (an installed program keeps it in the user's data folder, which
// an engineer otherwise has to guess when copying the device database to another laptop).
class TAboutQuillon : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kWidth = 373;
  static constexpr int kHeight = 276;
  static constexpr double kOrbitRadius = 40;

  explicit TAboutQuillon(QWidget* parent = nullptr, const std::string& workspace = {});

  // Created here, shown modally and freed on closing, so no timer ticks while it is not shown.
  static void Execute(QWidget* parent, const std::string& workspace);

  QPointF OrbitCentre() const;
  QPointF PictureCentre() const;
  const QTimer& AnimationTimer() const { return tmrAnimate_; }
  const QLabel& WorkspaceLabel() const { return *lbWorkspace_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void tmrAnimateTimer();

  QTimer tmrAnimate_;
  QLabel* lbWorkspace_ = nullptr;  // owned by the box
  QPixmap picture_;
  double angle_ = 0;
};

}  // namespace quillon
