/* The audio engine: microphone capture, G.729 coding, UDP datagrams every
 * 40 ms to every registered party, one receive thread per party, the mix of
 * all parties into one playback stream, and the sound track of recordings.
 *
 * All results are 1 for success and 0 for failure. Addresses are IPv4 in
 * network byte order, ports in host byte order, sockets are bound UDP
 * sockets that the caller owns. Window handles are those of the platform
 * message hub; the engine posts WM_AUDIO_LEVEL to them. */
#ifndef ZEMRA_SNDCORE_H
#define ZEMRA_SNDCORE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define SNDCORE_API __attribute__((visibility("default")))

/* Posted with the mean absolute sample value of 40 ms of sound: lParam 0
 * for the microphone, the party's ID for a party. */
#define WM_AUDIO_LEVEL 1524

/* Microphone on a wave-in device; every packet carries ownId. */
SNDCORE_API int INPUT0(unsigned device, unsigned long ownId, uintptr_t window);
SNDCORE_API void INPUT1(void);
/* Microphone mute: nonzero sends header-only packets. */
SNDCORE_API void INPUT2(int flag);
/* Adds a party, its address and port, the socket its packets arrive on and
 * are sent through, and the window for its level messages. */
SNDCORE_API int INPUT3(unsigned long peerId, long address, unsigned int port, unsigned int socket,
                       uintptr_t window);
SNDCORE_API int INPUT4(unsigned long peerId);
SNDCORE_API void INPUT5(void);
/* Send mute towards one party. */
SNDCORE_API void INPUT6(unsigned long peerId, int flag);
/* Receive mute from one party. */
SNDCORE_API void INPUT7(unsigned long peerId, int flag);
SNDCORE_API void INPUT8(unsigned long unused, int unused2);
SNDCORE_API void INPUT9(unsigned long unused, long unused2, unsigned int unused3,
                        unsigned int unused4);
/* Records the conversation into an audio stream of an open AVI file (the
 * handle from the video engine's OpenAviSelf). The engine holds the file
 * until INPUT11, even if the video engine closes its side first; the file
 * is completed when both have let go. 0 for a handle that finds no file. */
SNDCORE_API int INPUT10(void* aviFile);
SNDCORE_API void INPUT11(void);
/* Automatic gain of the microphone. */
SNDCORE_API void INPUT12(int flag);
SNDCORE_API int INPUT13(void);
/* Speaker on a wave-out device. */
SNDCORE_API int INPUT14(unsigned device);
SNDCORE_API void INPUT15(void);
/* Speaker mute. */
SNDCORE_API void INPUT16(int flag);

#ifdef __cplusplus
}
#endif

#endif
