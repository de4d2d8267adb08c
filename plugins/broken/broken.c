/* Exports only one of the two entry points, so the host must refuse it. */
#include <quillon/plugin.h>

__attribute__((visibility("default"))) void PluginGetMainIcon(QuillonCountedString *hint, QuillonBitmap *bitmap) {
  (void)bitmap;
  hint->length = 0;
}
