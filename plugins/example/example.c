/*
 * The smallest useful plug-in: a button with a hint and a picture. It has no window of its own;
 * it remembers how often it was opened and for which device, which the loader's tests read back
 * through ExamplePluginOpenCount and ExamplePluginDevicePath.
 */
#include <quillon/plugin.h>
#include <string.h>

#define EXPORTED __attribute__((visibility("default")))

static int openCount;
static QuillonCountedString devicePath;

static void CopyText(QuillonCountedString *target, const char *cp1251) {
  size_t length = strlen(cp1251);
  if (length > sizeof target->chars) length = sizeof target->chars;
  memcpy(target->chars, cp1251, length);
  target->length = (unsigned char)length;
}

EXPORTED void PluginGetMainIcon(QuillonCountedString *hint, QuillonBitmap *bitmap) {
  /* "Пример модуля" in Windows-1251. */
  CopyText(hint, "\xCF\xF0\xE8\xEC\xE5\xF0 \xEC\xEE\xE4\xF3\xEB\xFF");

  /* A dark blue frame around a light square. */
  for (int32_t y = 0; y < bitmap->height; ++y) {
    uint32_t *row = bitmap->pixels + (size_t)y * (size_t)bitmap->row_pixels;
    for (int32_t x = 0; x < bitmap->width; ++x) {
      int edge = x == 0 || y == 0 || x == bitmap->width - 1 || y == bitmap->height - 1;
      row[x] = edge ? 0xFF203080u : 0xFFE0E8F8u;
    }
  }
}

EXPORTED void PluginCreateForm(void *registry, void *application, TBaseProperty *link, void *table) {
  (void)registry;
  (void)application;
  (void)table;
  ++openCount;
  devicePath = link->DevicePath;
}

EXPORTED int ExamplePluginOpenCount(void) { return openCount; }

EXPORTED const QuillonCountedString *ExamplePluginDevicePath(void) { return &devicePath; }
