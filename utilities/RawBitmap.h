#pragma once

#include <stdint.h>

// The pixels of an image file for C callers outside the Qt object world.

#ifdef __cplusplus
extern "C" {
#endif

typedef struct RVBitmap {
    int32_t pixelsWide;
    int32_t pixelsHigh;
    int32_t bitsPerPixel;
    int32_t bitsPerSample;
    int32_t bytesPerRow;
    unsigned char* pixels; // first byte of the first row; rows run top to bottom
    void* owner;           // what holds the pixel memory; given back by releaseBitmap
    uint8_t hasAlpha;
} RVBitmap;

// Loads the image file (a UTF-8 path) and fills the record with packed 8-bit samples:
// RGBA when the image has alpha, grey for a grey image, RGB otherwise. Answers 1; answers
// 0, leaves the record empty and prints "cannot read from file" when the file gives no image.
int getBitmap(const char* path, RVBitmap* bitmap);

// Frees the pixels of a record filled by getBitmap and empties it; an empty record is
// left alone. The pixels stay valid until this call.
void releaseBitmap(RVBitmap* bitmap);

#ifdef __cplusplus
}
#endif
