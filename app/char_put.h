// The one place where the platforms differ in how a single character is
// put: the stream's lock is taken once per picture, not once per pixel.
#ifndef PIXQUILL_APP_CHAR_PUT_H
#define PIXQUILL_APP_CHAR_PUT_H

#include <cstdio>

#if defined(_WIN32)
inline void stream_lock(std::FILE* stream) { _lock_file(stream); }
inline void stream_unlock(std::FILE* stream) { _unlock_file(stream); }
inline void put_char_unlocked(int c, std::FILE* stream) { _putc_nolock(c, stream); }
#else
inline void stream_lock(std::FILE* stream) { flockfile(stream); }
inline void stream_unlock(std::FILE* stream) { funlockfile(stream); }
inline void put_char_unlocked(int c, std::FILE* stream) { putc_unlocked(c, stream); }
#endif

#endif  // PIXQUILL_APP_CHAR_PUT_H
