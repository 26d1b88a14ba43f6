// The pictures of the pages on Windows: the PNG resources of vantor.rc decoded with the
// system's imaging component, scaled or composed as the Qt wizard does, and made opaque
// bitmaps (over the window colour where the picture has transparent parts), which any
// static control shows as they are.
#include "wizard/pictures.h"

#include <wincodec.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "wizard/framework/win32/picture.h"

namespace vantor::wizard {

namespace {

// The resource ids of vantor.rc.
constexpr int kHeaderId = 101;
constexpr int kPanelTileId = 102;
constexpr int kEmblemId = 103;
// Space between the emblem and the panel's top and right edges.
constexpr int kEmblemMargin = 16;

// Premultiplied BGRA pixels, row by row from the top.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

template <class Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() {
    if (m_p != nullptr) m_p->Release();
  }
  Interface** operator&() { return &m_p; }
  Interface* operator->() const { return m_p; }
  Interface* get() const { return m_p; }

 private:
  Interface* m_p = nullptr;
};

// The PNG resource `id` decoded, scaled to `width` x `height` when both are given; an
// empty image when it cannot be had.
Image Decode(int id, int width = 0, int height = 0) {
  Image image;
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
  HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
  auto* bytes = static_cast<BYTE*>(loaded != nullptr ? LockResource(loaded) : nullptr);
  if (bytes == nullptr) return image;
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  ComPtr<IWICBitmapScaler> scaler;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) ||
      FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromMemory(bytes, SizeofResource(nullptr, found))) ||
      FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnLoad,
                                              &decoder)) ||
      FAILED(decoder->GetFrame(0, &frame)) || FAILED(factory->CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom))) {
    return image;
  }
  IWICBitmapSource* source = converter.get();
  if (width > 0 && height > 0) {
    if (FAILED(factory->CreateBitmapScaler(&scaler)) ||
        FAILED(
            scaler->Initialize(converter.get(), width, height, WICBitmapInterpolationModeFant))) {
      return image;
    }
    source = scaler.get();
  }
  UINT w = 0;
  UINT h = 0;
  if (FAILED(source->GetSize(&w, &h)) || w == 0 || h == 0) return image;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h);
  if (FAILED(source->CopyPixels(nullptr, w * 4, static_cast<UINT>(pixels.size() * 4),
                                reinterpret_cast<BYTE*>(pixels.data())))) {
    return image;
  }
  return Image{static_cast<int>(w), static_cast<int>(h), std::move(pixels)};
}

// `over` drawn on `under` at (x, y), premultiplied: under * (1 - alpha) + over.
void DrawOver(Image& under, const Image& over, int x, int y) {
  for (int row = 0; row < over.height; ++row) {
    for (int column = 0; column < over.width; ++column) {
      const int tx = x + column;
      const int ty = y + row;
      if (tx < 0 || ty < 0 || tx >= under.width || ty >= under.height) continue;
      const std::uint32_t source = over.pixels[static_cast<std::size_t>(row) * over.width + column];
      std::uint32_t& target = under.pixels[static_cast<std::size_t>(ty) * under.width + tx];
      const std::uint32_t keep = 255 - (source >> 24);
      std::uint32_t blended = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        const std::uint32_t channel =
            ((source >> shift) & 255) + (((target >> shift) & 255) * keep + 127) / 255;
        blended |= std::min<std::uint32_t>(channel, 255) << shift;
      }
      target = blended;
    }
  }
}

// An image of `width` x `height` in the window colour.
Image Filled(int width, int height, COLORREF colour) {
  const std::uint32_t pixel =
      0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
  return Image{width, height,
               std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, pixel)};
}

framework::Picture ToPicture(const Image& image) {
  if (image.pixels.empty()) return framework::Picture();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) return framework::Picture();
  std::copy(image.pixels.begin(), image.pixels.end(), static_cast<std::uint32_t*>(bits));
  return framework::win32::MakePicture(bitmap);
}

}  // namespace

framework::Picture HeaderPicture(framework::Size size) {
  const Image header = Decode(kHeaderId, size.width, size.height);
  if (header.pixels.empty()) return framework::Picture();
  Image shown = Filled(header.width, header.height, GetSysColor(COLOR_WINDOW));
  DrawOver(shown, header, 0, 0);
  return ToPicture(shown);
}

framework::Picture Watermark(framework::Size size) {
  const Image tile = Decode(kPanelTileId);
  if (tile.pixels.empty() || size.width <= 0 || size.height <= 0) return framework::Picture();
  Image panel = Filled(size.width, size.height, 0);
  for (int y = 0; y < size.height; y += tile.height) {
    for (int x = 0; x < size.width; x += tile.width) DrawOver(panel, tile, x, y);
  }
  const Image emblem = Decode(kEmblemId);
  if (!emblem.pixels.empty()) {
    DrawOver(panel, emblem, size.width - emblem.width - kEmblemMargin, kEmblemMargin);
  }
  return ToPicture(panel);
}

}  // namespace vantor::wizard
