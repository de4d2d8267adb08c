// The scope window's pointer and keyboard: selecting rows, zoom, cursor, rulers, the command
// line, double clicks and deleting a row.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolButton>
#include <utility>

#include "app/scope/link_window.h"
#include "app/scope/scope_icons.h"
#include "app/support/current_prompt.h"
#include "app/support/window_thread.h"
#include "app/widgets/scope_panel.h"
#include "app/widgets/widget_helpers.h"
#include "link/link_tasks.h"
#include "scope/scope_write.h"
#include "variables/special/prm_list_type.h"
#include "variables/special/time_mark.h"

namespace quillon {
namespace {

TView* SelectedVariable(TViewList& list) {
  for (auto& variable : list.Variables) {
    if (variable->Selected && !variable->IsTimeMark()) return variable.get();
  }
  return nullptr;
}

char HexDigit(int value) { return "0123456789ABCDEF"[value & 0xF]; }

std::string TwoHexDigits(std::uint8_t value) { return {HexDigit(value >> 4), HexDigit(value)}; }

}  // namespace

void TLinkWindowFm::btZoomControlClick() {
  pointerTools_.Set(PointerTool::Zoom, btZoomControl_->isChecked());
  Scope_->setCursor(pointerTools_.On(PointerTool::Zoom) ? MagnifyCursor() : QCursor(Qt::ArrowCursor));
}

void TLinkWindowFm::btTimeRulersClick() {
  pointerTools_.Set(PointerTool::Rulers, btTimeRulers_->isChecked());
  // Taking the rulers up starts them afresh; putting them down leaves them on the trend.
  if (pointerTools_.On(PointerTool::Rulers)) {
    rulers_.Reset(TimeMark());
    Panel(StatusPanel::Interval)->clear();
  }
  guideX_.reset();
  dirty_ = true;
}

void TLinkWindowFm::btAmpMeterClick() {
  pointerTools_.Set(PointerTool::Cursor, btAmpMeter_->isChecked());
  // The cursor goes with its tool.
  if (!pointerTools_.On(PointerTool::Cursor)) {
    cursor_.Clear(List());
    Panel(StatusPanel::CursorTime)->clear();
  }
  dirty_ = true;
}

void TLinkWindowFm::ScopeMouseDown(QMouseEvent* event) {
  const int x = event->position().toPoint().x();
  const int y = event->position().toPoint().y();
  TViewList& list = List();
  if (pointerTools_.On(PointerTool::Zoom)) {
    const bool left = event->button() == Qt::LeftButton;
    if (!left && event->button() != Qt::RightButton) return;
    list.SetStep(ZoomStep(list.Step, left));
    Panel(StatusPanel::Zoom)->setText(Text(ZoomPercentText(list.Step)));
    dirty_ = true;
    return;
  }
  if (pointerTools_.On(PointerTool::Rulers) && event->button() == Qt::LeftButton) {
    if (rulers_.Count() < 2) {
      rulers_.Place(TimeMark(), SampleIndexAt(list, x));
      if (const auto interval = rulers_.IntervalText(TimeMark()))
        Panel(StatusPanel::Interval)->setText(Text(*interval));
      dirty_ = true;
      return;
    }
    if (const auto near = rulers_.RulerNear(list, x)) {
      rulers_.Grab(*near);
      guideX_ = x;
      dirty_ = true;
      return;
    }
  }
  if (pointerTools_.On(PointerTool::Cursor) && event->button() == Qt::LeftButton) {
    cursor_.Place(list, SampleIndexAt(list, x));
    Panel(StatusPanel::CursorTime)->setText(Text(cursor_.TimeText(list)));
    dirty_ = true;
  }
  // Selecting: the row under the pointer, its name ready for a value in the command line.
  if (TView* row = list.HitTest(y, list.TopIndex)) {
    if (!RecordView()) CmdLine_->setEditText(Text(row->Definition().Name + "="));
  }
  dirty_ = true;
}

void TLinkWindowFm::ScopeMouseMove(QMouseEvent* event) {
  const int x = event->position().toPoint().x();
  if (rulers_.Grabbed()) {
    guideX_ = x;
    dirty_ = true;
    return;
  }
  if (pointerTools_.On(PointerTool::Zoom)) return;
  const bool overRuler =
      pointerTools_.On(PointerTool::Rulers) && rulers_.Count() == 2 && rulers_.RulerNear(List(), x).has_value();
  Scope_->setCursor(overRuler ? QCursor(Qt::SizeHorCursor) : QCursor(Qt::ArrowCursor));
}

void TLinkWindowFm::ScopeMouseUp(QMouseEvent* event) {
  if (!rulers_.Grabbed()) return;
  rulers_.Release(TimeMark(), SampleIndexAt(List(), event->position().toPoint().x()));
  guideX_.reset();
  if (const auto interval = rulers_.IntervalText(TimeMark())) Panel(StatusPanel::Interval)->setText(Text(*interval));
  dirty_ = true;
}

void TLinkWindowFm::ScopeDblClick(QMouseEvent* event) {
  if (pointerTools_.On(PointerTool::Zoom) || RecordView()) return;
  TViewList& list = List();
  TView* selected = list.HitTest(event->position().toPoint().y(), list.TopIndex);
  if (selected == nullptr) return;
  const int shown = list.ShownSample(*selected);
  if (selected->Kind() == ViewKind::Bit) {
    const std::string value = selected->ValueTextAt(shown, true, 0);
    RunCommand(Text(selected->Definition().Name + "=" + (value == "1" ? "0" : "1")));
    return;
  }
  auto* list_ = dynamic_cast<TPrmList*>(selected);
  if (list_ == nullptr) return;
  const auto current = static_cast<std::uint8_t>(selected->SampleAt(shown) & 0xFF);
  QMenu popup(this);
  popup.setObjectName(QStringLiteral("pmPrmList"));
  for (const NamedValue& entry : list_->Entries) {
    const std::string hex = TwoHexDigits(entry.Value);
    QAction* item = popup.addAction(Text("x" + hex + "   " + selected->Definition().Units + " " + entry.Text));
    item->setCheckable(true);
    if (entry.Value == current) {
      item->setChecked(true);
      popup.setDefaultAction(item);
    }
    connect(item, &QAction::triggered, this,
            [this, command = selected->Definition().Name + "=x" + hex] { RunCommand(Text(command)); });
  }
  popup.exec(event->globalPosition().toPoint());
}

void TLinkWindowFm::ScopeContextMenu(const QPoint& position) {
  // In zoom mode the right button zooms out.
  if (pointerTools_.On(PointerTool::Zoom)) return;
  if (SelectedVariable(List()) == nullptr) List().HitTest(position.y(), List().TopIndex);
  if (SelectedVariable(List()) == nullptr) return;
  dirty_ = true;
  pmRow_->popup(Scope_->mapToGlobal(position));
}

void TLinkWindowFm::RunCommand(const QString& text) {
  CmdLine_->setEditText(text);
  CmdLineKeyPress();
}

void TLinkWindowFm::CmdLineKeyPress() {
  if (RecordView()) return;
  const QString text = CmdLine_->currentText();
  const std::optional<CommandLineValue> value = ParseCommandLine(List(), text.toStdString(), CurrentPrompt());
  if (!value) return;
  if (CmdLine_->findText(text) < 0) CmdLine_->insertItem(0, text);
  CmdLine_->setEditText(text);
  SendParamToDevice(*value->variable, value->raw);
}

void TLinkWindowFm::mnDeleteClick() {
  TView* selected = SelectedVariable(List());
  if (selected == nullptr) return;
  pendingDelete_ = selected;
  // The worker may be sampling the row: it goes once the poll is withdrawn.
  WithPollWithdrawn([this] { DeletePending(); });
}

void TLinkWindowFm::DeletePending() {
  if (pendingDelete_ == nullptr) return;
  auto& variables = List().Variables;
  for (auto it = variables.begin(); it != variables.end(); ++it) {
    if (it->get() == pendingDelete_) {
      variables.erase(it);
      break;
    }
  }
  pendingDelete_ = nullptr;
  for (auto& variable : variables) variable->Selected = false;
  ResetVerticalRange();
  ApplyColumnWidths();
  dirty_ = true;
}

}  // namespace quillon
