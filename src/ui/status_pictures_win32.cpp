// The status pictures drawn at three sizes, and the status texts.
#include "ui/status_pictures_win32.h"

#include <array>

#include "os/owners_win32.h"
#include "ui/dpi_win32.h"
#include "ui/resources/resource_ids.h"

namespace rdc {
namespace {

// The state pictures at 96 DPI, and the sizes they are drawn at besides
// (150% and 200%) so that they stay sharp there.
constexpr int kStatePictureWidth = 12;
constexpr int kStatePictureHeight = 13;
struct DrawnStatePictures {
  int dpi;
  int resource;
};
constexpr std::array<DrawnStatePictures, 3> kDrawnStatePictures{{
    {96, IDB_STATUS},
    {144, IDB_STATUS_150},
    {192, IDB_STATUS_200},
}};

}  // namespace

// From the smallest drawing at least as large (the largest beyond 200%); a
// drawing of another size is stretched.
HIMAGELIST LoadStatePictures(int dpi) {
  const int width = ScaleToDpi(kStatePictureWidth, dpi);
  const int height = ScaleToDpi(kStatePictureHeight, dpi);
  int resource = kDrawnStatePictures.back().resource;
  for (const DrawnStatePictures& drawn : kDrawnStatePictures) {
    if (drawn.dpi >= dpi) {
      resource = drawn.resource;
      break;
    }
  }
  HIMAGELIST pictures = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 3, 0);
  const UniqueBitmap strip(
      static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource),
                                      IMAGE_BITMAP, 3 * width, height, LR_CREATEDIBSECTION)));
  ImageList_Add(pictures, strip.get(), nullptr);
  return pictures;
}

// The state pictures in their strip: 0 online, 1 offline, 2 pending. The list
// view's state-image bits hold the picture index + 1.
UINT StateImageOf(ServerStatus status) {
  int index = 2;
  if (status == ServerStatus::Online) index = 0;
  if (status == ServerStatus::Offline) index = 1;
  return INDEXTOSTATEIMAGEMASK(index + 1);
}

const wchar_t* StatusText(ServerStatus status) {
  switch (status) {
    case ServerStatus::Online: return L"在线";
    case ServerStatus::Offline: return L"离线";
    case ServerStatus::Pending: break;
  }
  return L"...";
}

}  // namespace rdc
