/*
 * The contract between Quillon and its plug-ins: shared libraries found at
 * <program dir>/Plugins/<name>/<name>.so for every name listed in a device's "Plugins" value.
 *
 * A plug-in exports, with C linkage and the platform's standard calling convention:
 *
 *   void PluginGetMainIcon(QuillonCountedString *hint, QuillonBitmap *bitmap);
 *   void PluginCreateForm(void *registry, void *application, TBaseProperty *link, void *table);
 *
 * A library lacking either entry point is not used. The host calls both entries on its user
 * interface thread only. The library stays loaded while its device is open; it is unloaded when
 * another device is opened and at exit, so a plug-in must not leave threads or callbacks
 * running in its code beyond that (it should close its window from a library destructor).
 *
 * This header is plain C (C11 or later) and may be included from C++ as well.
 */
#ifndef QUILLON_PLUGIN_H
#define QUILLON_PLUGIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/*
 * A counted string of 256 bytes: the length byte, then up to 255 characters in Windows-1251.
 * Bytes past `length` are undefined and there is no terminating zero; always read exactly
 * `length` bytes of `chars`.
 */
typedef struct QuillonCountedString {
  unsigned char length;
  char chars[255];
} QuillonCountedString;

/*
 * The button picture. The host allocates `pixels` (height rows of `row_pixels` entries each,
 * row_pixels >= width), clears it to transparent and keeps ownership. Each pixel is 0xAARRGGBB,
 * not premultiplied; alpha 0 is transparent. The plug-in draws into, or copies its own picture
 * into, the width x height area and must not write outside it, nor keep the pointer after
 * returning.
 */
typedef struct QuillonBitmap {
  int32_t width;
  int32_t height;
  int32_t row_pixels;
  uint32_t *pixels;
} QuillonBitmap;

/*
 * The link settings record. Texts are counted strings in Windows-1251; a text the host does not
 * fill is empty (length 0). The record passed to PluginCreateForm belongs to the host and is
 * refilled before every call: a plug-in copies what it needs before returning and never writes
 * to it.
 */
typedef struct TBaseProperty {
  QuillonCountedString Caption;    /* file name of a scope window file, without directory */
  QuillonCountedString FilePath;   /* full path of that file */
  QuillonCountedString DevicePath; /* full path of the open device file */
  QuillonCountedString SlaveAddr;  /* device address, decimal text */
  QuillonCountedString IPAddress;  /* IPv4 address text (MODBUS TCP) */
  QuillonCountedString IPPort;     /* TCP port, decimal text (MODBUS TCP) */
  QuillonCountedString MemArea;    /* memory area name, e.g. "RAM", "FLASH" */
  QuillonCountedString Protocol;   /* protocol name as listed in the main window */
  QuillonCountedString Unused;     /* always empty; keeps the following texts in place */
  QuillonCountedString PortName;   /* serial port name, e.g. "COM1" */
  QuillonCountedString Baud;       /* bit rate, decimal text */
  QuillonCountedString FrameEnd;   /* frame-end pause in milliseconds, decimal text */
  /* Placement and options of a scope window; empty in the main window's record. */
  QuillonCountedString Left;
  QuillonCountedString Top;
  QuillonCountedString Width;
  QuillonCountedString Height;
  QuillonCountedString RefreshMode;
  QuillonCountedString Grid;
  QuillonCountedString ColWidths[4]; /* columns "name", "hex", "physical", "unit" */

  /*
   * Host-internal slots, opaque to plug-ins: they must not be dereferenced. The main window
   * passes NULL in all three.
   */
  const char *Reserved; /* a scope window option kept as zero-terminated text */
  void *Vars;           /* the host's variable list in use */
  uint8_t *Image;       /* a scope window's memory image */
} TBaseProperty;

/*
 * Fills `hint` with the button's hint text and draws the button picture into `bitmap`.
 * Both point to host storage that is valid only during the call.
 */
typedef void (*PluginGetMainIconFunction)(QuillonCountedString *hint, QuillonBitmap *bitmap);

/*
 * Creates and shows the plug-in's own window for the open device. `registry` (the host's serial
 * worker registry), `application` (the host's application object) and `table` (the host's
 * parameter table) are opaque handles owned by the host; `link` is the host's record, valid
 * only during the call (see TBaseProperty). Nothing is returned.
 */
typedef void (*PluginCreateFormFunction)(void *registry, void *application, TBaseProperty *link, void *table);

#define QUILLON_PLUGIN_GET_MAIN_ICON "PluginGetMainIcon"
#define QUILLON_PLUGIN_CREATE_FORM "PluginCreateForm"

#ifdef __cplusplus
#define QUILLON_PLUGIN_STATIC_ASSERT(condition, message) static_assert(condition, message)
#else
#define QUILLON_PLUGIN_STATIC_ASSERT(condition, message) _Static_assert(condition, message)
#endif

QUILLON_PLUGIN_STATIC_ASSERT(sizeof(QuillonCountedString) == 256, "a counted string is 256 bytes");
QUILLON_PLUGIN_STATIC_ASSERT(offsetof(TBaseProperty, Reserved) == 22 * 256, "22 texts precede the slots");
QUILLON_PLUGIN_STATIC_ASSERT(sizeof(TBaseProperty) == 22 * 256 + 3 * sizeof(void *),
                             "three pointer-sized slots follow the texts");

#undef QUILLON_PLUGIN_STATIC_ASSERT

#ifdef __cplusplus
}
#endif

#endif /* QUILLON_PLUGIN_H */
