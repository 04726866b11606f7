/*
 * Vantiro: a small playback library that plays one media file at a time.
 * It outputs the sound itself (SDL2 audio) and hands out the current picture
 * on request. There is exactly one player per process; every function acts
 * on it.
 *
 * Thread rules
 * ------------
 * - Call every function from one thread, the client's user-interface thread.
 *   The library is not reentrant across threads.
 * - The end callback may be called from a thread of the library's own. It is
 *   called once each time playback reaches the end of the file. It must only
 *   wake the client's event loop (post a message) and return: it must not
 *   call back into the library and must not wait for a thread that does.
 * - Every function tolerates being called with no file open (polls answer
 *   position 0, duration 0 and leave the picture buffer untouched).
 *
 * Results: 0 on success, -1 on failure, unless stated otherwise.
 */
#ifndef VANTIRO_H
#define VANTIRO_H

#include <stdint.h>
#ifndef __cplusplus
#include <uchar.h>
#endif

#if defined(VANTIRO_BUILDING_LIBRARY)
#define VANTIRO_API __attribute__((visibility("default")))
#else
#define VANTIRO_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Called when playback reaches the end of the file; see the thread rules. */
typedef void (*Vantiro_EndCallback)(void);
/* Reserved: the library never calls it. */
typedef void (*Vantiro_ValueCallback)(int32_t value);

/* Bytes of one picture row handed out by Vantiro_GetFrame: width * 3 rounded
 * up to a multiple of 4, the row layout of a 24-bit device-independent
 * bitmap. */
#define VANTIRO_FRAME_STRIDE(width) ((((width)*3) + 3) & ~3)

/* Makes the caller the library's client: its end callback replaces the
 * previous one. callerName is a terminated UTF-16 string, kept for nothing
 * but diagnostics (may be null). */
VANTIRO_API int Vantiro_Initialize(Vantiro_EndCallback onEnd, Vantiro_ValueCallback onValue,
                                   const char16_t* callerName);

/* The file for the next Vantiro_Open: a terminated UTF-16 path of any
 * length. */
VANTIRO_API int Vantiro_SetFileName(const char16_t* path);

/* Opens the file last named, closing any file still open. Playback starts
 * paused at the beginning; call Vantiro_Start. -1 when the file cannot be
 * played. */
VANTIRO_API int Vantiro_Open(void);

/* *hasPicture nonzero when the file has a picture; *reserved is set to 0. */
VANTIRO_API int Vantiro_GetMideaType(int* hasPicture, int* reserved);

/* The picture's size in pixels; 0 x 0 without a picture. */
VANTIRO_API int Vantiro_GetFrameSize(int* width, int* height);

/* Starts or resumes playback (after Vantiro_Stop: from the beginning). */
VANTIRO_API int Vantiro_Start(void);
/* Holds playback at its position. */
VANTIRO_API int Vantiro_Pause(void);
/* Ends playback and returns to the beginning; the file stays open. */
VANTIRO_API int Vantiro_Stop(void);
/* Stops and releases the file. */
VANTIRO_API int Vantiro_Close(void);

/* The play position as a fraction 0.0 to 1.0 of the duration: the position
 * of the sound the audio device has really consumed; where the sound stops
 * while the picture goes on, the position runs on in real time. Playback
 * ends (the end callback) when both the sound and the pictures are over. */
VANTIRO_API int Vantiro_GetPos(float* fraction);
/* Seeks to a fraction of the duration (clamped to 0.0 to 1.0); playback
 * holds until the next Vantiro_Start. */
VANTIRO_API int Vantiro_SetPos(float fraction);
/* The file's duration in seconds; 0 with no file open. */
VANTIRO_API int Vantiro_GetDuration(double* seconds);

/* Copies the picture that belongs to the play position into buffer:
 * height rows of VANTIRO_FRAME_STRIDE(width) bytes, blue-green-red pixels,
 * the bottom row first. width and height must be those of
 * Vantiro_GetFrameSize. -1, buffer untouched, when there is no picture yet. */
VANTIRO_API int Vantiro_GetFrame(unsigned char* buffer, int width, int height);

/* Volume from 0 (silent) to 65535 (full). */
VANTIRO_API int Vantiro_SetVolume(int32_t volume);
VANTIRO_API int Vantiro_GetVolume(int32_t* volume);

#ifdef __cplusplus
}
#endif

#endif /* VANTIRO_H */
