#pragma once
// The three pictures of the parameter table's header, drawn at start-up: "TOPC" (controller
// values into the base), "TOPLC" (base values into the controller) and "REFRESH".
#include <QPixmap>

namespace quillon {

struct HeaderPictures {
  QPixmap toPC;
  QPixmap toPLC;
  QPixmap refresh;
};

HeaderPictures DrawHeaderPictures();

}  // namespace quillon
