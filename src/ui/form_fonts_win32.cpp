// The named fonts of the designs, and the system's GUI font scaled to a DPI.
#include "ui/form_fonts_win32.h"

namespace rdc {

HFONT FormFonts::For(ControlFont font) {
  HFONT guiFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  // The stock font is made for the system's DPI; a window at another DPI gets a copy
  // of it with its height scaled.
  const int systemDpi = SystemDpi();
  if (font == ControlFont::Default && dpi_ == systemDpi) return guiFont;
  for (auto& [kind, handle] : made_)
    if (kind == font) return handle.get();
  HFONT handle = nullptr;
  if (font == ControlFont::Default) {
    LOGFONTW scaled{};
    GetObjectW(guiFont, sizeof(scaled), &scaled);
    scaled.lfHeight = MulDiv(scaled.lfHeight, dpi_, systemDpi);
    handle = CreateFontIndirectW(&scaled);
  } else {
    const bool bold = font == ControlFont::SongBold12 || font == ControlFont::SongBold16;
    const int height = ScaleToDpi(font == ControlFont::SongBold16 ? 16 : 12, dpi_);
    const wchar_t* face = font == ControlFont::NSimSun12 ? L"新宋体" : L"宋体";
    handle = CreateFontW(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                         GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, face);
  }
  made_.emplace_back(font, UniqueFont(handle));
  return handle;
}

}  // namespace rdc
