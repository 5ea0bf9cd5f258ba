// The fonts of one form at one DPI, each made when first asked for and freed
// with the set.
#pragma once

#include <windows.h>

#include <utility>
#include <vector>

#include "os/owners_win32.h"
#include "ui/dpi_win32.h"

namespace rdc {

// Fonts named by the designs; everything else uses the system's default GUI font.
enum class ControlFont { Default, SongBold12, Song12, NSimSun12, SongBold16 };

class FormFonts {
 public:
  explicit FormFonts(int dpi = kDesignDpi) : dpi_(dpi) {}

  // The font for `font` at this set's DPI.
  HFONT For(ControlFont font);

 private:
  int dpi_;
  std::vector<std::pair<ControlFont, UniqueFont>> made_;
};

}  // namespace rdc
