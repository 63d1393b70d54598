/*
 * vorkel: device library of the USB learning infrared remote.
 *
 * Every function is one self-contained transaction: find the remote among the
 * HID interfaces present, open it, exchange its reports, close it and return a
 * one-byte truth value (1 = success, 0 = failure). The library keeps no state
 * between calls and takes no lock: link_state may run beside any call, but no two
 * other calls may overlap. Device data crosses this interface as NUL-terminated
 * upper-case hex text, two digits per byte.
 */
#ifndef VORKEL_H
#define VORKEL_H

#if defined(_WIN32)
#define VORKEL_API __declspec(dllexport)
#else
#define VORKEL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#else
#include <stdbool.h>
#endif

/* True when a remote is present and can be opened for reading and writing. Sends nothing. */
VORKEL_API bool link_state(void);

/* Reads the 64-byte basic information block: 128 hex digits + NUL into out (>= 129 bytes).
 * A failed read in the middle gives true with an empty text. */
VORKEL_API bool RBasicInfo(char* out);

/* Reads 5632 bytes of the code table: 11264 hex digits + NUL into out (>= 11265 bytes).
 * A failed read in the middle gives true with an empty text. */
VORKEL_API bool RCodeTypeData(char* out);

/* Runs one capture: sample data cut at its trailing silence, twenty "7FFF" groups and the
 * six status digits, + NUL, into out (>= 3600 bytes). False when nothing was sampled. */
VORKEL_API bool RCollectCodeInfo(char* out);

/* Fixed 8-byte writes into the basic information block. */
VORKEL_API bool SetAddress(void);
VORKEL_API bool SetFlag(void);

/* Puts the remote into code collection (sent once before captures are polled). */
VORKEL_API bool SetCodeCarrierWave(void);

/* Writes a hex text (at most its first 8200 characters) into the code table from page 0xDA. */
VORKEL_API bool WCodeTypeData(const char* text);

/* Writes a hex text (at most 8200 characters) from page 0xED, then the closing command. */
VORKEL_API bool WCodeTypeDataut(const char* text);

/* Writes a hex text (at most 512 characters) at page 0xD9 in 8-byte blocks. */
VORKEL_API bool WINTPro_D900(const char* text);

#ifdef __cplusplus
}
#endif

#endif /* VORKEL_H */
