/* The video engine: camera capture with a local preview, VP8 coding through
 * the picodec codec driver, UDP datagrams to every registered party, one
 * receive thread per party that reassembles, decodes and draws its pictures,
 * and AVI recordings of the own and a party's video.
 *
 * Results are 1 for success and 0 for failure. Addresses are IPv4 in
 * network byte order, ports in host byte order, sockets are bound UDP
 * sockets that the caller owns. Windows are handles of the platform message
 * hub; rectangles are x, y, width, height in the window. */
#ifndef ZEMRA_VIDCORE_H
#define ZEMRA_VIDCORE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VIDCORE_API __attribute__((visibility("default")))

/* Posted to a party's display window for every video datagram accepted. */
#define WM_VIDEO_PACKET 2031
/* Posted to the preview window when a picture due to be sent failed. */
#define WM_VIDEO_SEND_FAILED 2246

/* Size modes: 1 176x144, 2 160x120, 3 320x240, 4 352x288, 8 640x480;
 * others keep the camera's size. */

/* Capture with conversion (RGB, else I420) from camera `device`. */
VIDCORE_API int Set00(uintptr_t window, int x, int y, int w, int h, int sizeMode, int device);
/* Second display of the local picture while flag is 1. */
VIDCORE_API void Set01(uintptr_t window, int x, int y, int w, int h, int flag);
VIDCORE_API void Set02(void);
/* Starts sending as `ownId`. */
VIDCORE_API void Set03(unsigned long ownId);
VIDCORE_API void Set04(unsigned long unused);
/* Preview off while nonzero. */
VIDCORE_API void Set05(int flag);
VIDCORE_API void Set06(uintptr_t window, int x, int y, int w, int h);
/* Resumes sending to a party, next frame a key frame. */
VIDCORE_API void Set07(unsigned long peerId);
/* Where a party's pictures are drawn, and whether. */
VIDCORE_API void Set08(unsigned long peerId, uintptr_t window, int x, int y, int w, int h,
                       int show);
/* Stops sending to a party. */
VIDCORE_API void Set09(unsigned long peerId);
/* Capture in the camera's own format from driver `driver`. */
VIDCORE_API int Set10(uintptr_t window, int x, int y, int w, int h, int sizeMode, int driver);
VIDCORE_API void Set11(uintptr_t window, int x, int y, int w, int h, int flag);
VIDCORE_API void Set12(void);
VIDCORE_API void Set13(unsigned long ownId);
VIDCORE_API void Set14(unsigned long unused);
VIDCORE_API void Set15(int flag);
VIDCORE_API void Set16(uintptr_t window, int x, int y, int w, int h);
/* Highest send frame rate (24 at start). */
VIDCORE_API void Set17(unsigned long framesPerSecond);
/* Adds a party; 0 when 16 are registered or it is already. */
VIDCORE_API int Set18(unsigned long peerId, unsigned int socket, long address, unsigned int port,
                      uintptr_t window, int x, int y, int w, int h, int show);
VIDCORE_API int Set19(unsigned long peerId);
VIDCORE_API void Set20(void);
VIDCORE_API void Set21(unsigned long unused, uintptr_t window, int a, int b, int c, int d, int e);
VIDCORE_API void Set22(uintptr_t window, int a, int b, int c, int d);
/* Records a party's received video. */
VIDCORE_API int OpenAvi(const char* path, unsigned long peerId);
VIDCORE_API void CloseAvi(unsigned long peerId);
/* Records the own sent video; the handle is what the audio engine's INPUT10
 * takes to add the sound, valid until CloseAviSelf or the next OpenAviSelf.
 * Null on failure. An existing file that cannot be continued is left as it
 * is and refused (OpenAvi too). */
VIDCORE_API void* OpenAviSelf(const char* path);
VIDCORE_API void CloseAviSelf(void);

#ifdef __cplusplus
}
#endif

#endif
