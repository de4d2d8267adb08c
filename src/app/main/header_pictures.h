#pragma once
// The three pictures of the parameter table's header, drawn at start-up: "TOPC" (controller
// values into the base), "TOPLC" (base values into the controller) and "REFRESH", drawn for the
// header's button face and text colour.
#include <QColor>
#include <QPixmap>

namespace quillon {

struct HeaderPictures {
  QPixmap toPC;
  QPixmap toPLC;
  QPixmap refresh;
};

HeaderPictures DrawHeaderPictures(const QColor& face, const QColor& text);

}  // namespace quillon
