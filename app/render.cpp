#include "app/char_put.h"
#include "app/run.h"

void render_text_picture(const MonoBitmap* image, std::FILE* stream) {
  stream_lock(stream);
  for (std::int32_t y = 0; y < image->height; ++y) {
    for (std::int32_t x = 0; x < image->width; ++x) {
      put_char_unlocked(bitmap_get_pixel(image, x, y) != 0 ? '.' : '#', stream);
    }
    put_char_unlocked('\n', stream);
  }
  stream_unlock(stream);
}
