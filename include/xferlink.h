/* xferlink: moves the bytes of a file transfer that the client negotiated
 * with the server. Both sides connect to the server's relay port; the
 * sender streams the file through it and the receiver writes it to the
 * given path. Progress and completion are posted to the given window:
 *   WM_USER + 1101  wParam = bytes done so far (as often as it likes)
 *   WM_USER + 1103  once, when the file is complete on both sides
 * Results are plain success flags.
 *
 * A receiver keeps the file under a hidden name of its own next to the final
 * one (".NAME.XXXXXX.part") and renames it when it is whole, so an abort never
 * leaves a file under the final name. Calls for one peer take turns: a
 * StartSend that replaces a running transfer returns only after that
 * transfer has ended, clean-up included. ZEMRA_XFER_RATE (bytes per second)
 * holds a sender to that rate. */
#ifndef ZEMRA_XFERLINK_H
#define ZEMRA_XFERLINK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define XFERLINK_WM_PROGRESS (0x0400 + 1101)
#define XFERLINK_WM_COMPLETE (0x0400 + 1103)

/* Remembers who we are and where the relay is; call after each accepted login. */
int InitPort(long ownUserId, long relayPort, const char* serverAddress);

/* Starts one transfer on its own thread. `transferToken` and `peerUserId` are
 * the two values of the server's "partner accepted" notice; `peerAddress`
 * and `name` are accepted for the caller's sake and not needed by the relay.
 * The sender reads `path`; the receiver writes `path`, and the file appears
 * there only once it has arrived whole. */
int StartSend(long transferToken, const char* peerAddress, long peerUserId, const char* name,
              const char* path, const char* fileName, long fileSize, int isSender,
              uintptr_t window);

/* Ends whatever is still running for that peer; a partial file is removed. */
int TermialSend(long peerUserId);

/* Ends every transfer; call once at exit. */
void QuitSend(void);

#ifdef __cplusplus
}
#endif

#endif
