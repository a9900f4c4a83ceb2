/*
 * vkt32.h - the public interface of libVKT32.so.
 *
 * Seven functions. Every one returns a signed 32-bit status code: 0 is success; network
 * failures read 110022 .. 111004 (1 followed by the socket error number), cryptographic
 * failures 2102 .. 2608, everything else 40001 .. 49999. VKTError gives the Spanish text of
 * each failure recorded since the last operation began.
 *
 * Text encoding:
 *  - user names, passwords, server and service names, and every text in the records below are
 *    single-byte Latin-1 (ISO-8859-1), zero-terminated; "at most 253 characters" means bytes.
 *    Key files hash the password's Latin-1 bytes, so convert typed passwords with Latin-1,
 *    never UTF-8.
 *  - file and directory names are in the file-system encoding (UTF-8 on Linux); "/" is the
 *    path separator.
 *
 * Records are packed, little-endian, with the sizes and offsets checked below.
 */
#ifndef VKT32_H
#define VKT32_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define VKT_EXPORT __attribute__((visibility("default")))
#else
#define VKT_EXPORT
#endif

#pragma pack(push, 1)

/* One recorded failure (VKTError writes up to 10 of them). 276 bytes. */
typedef struct ErrorRecord {
    int32_t code;          /* status code */
    uint32_t timeLength;   /* length of timeOfDay: 8 */
    uint32_t textLength;   /* length of text */
    char text[255];        /* Latin-1 message, zero-terminated */
    char timeOfDay[9];     /* "HH:MM:SS", zero-terminated */
} ErrorRecord;

/* The state of the operation under way or last run (VKTEstado). 540 bytes. */
typedef struct StatusRecord {
    uint32_t sessionId;
    char function[256];    /* "VKTConectar", ... or "No hay funcion activa" */
    uint32_t functionLength;
    uint32_t step;
    char fileName[256];
    uint32_t fileNameLength;
    uint32_t bytesDone;
    uint32_t bytesTotal;
    uint32_t activity;     /* 0 ended well (or idle), 2 running, 1 failed */
} StatusRecord;

#pragma pack(pop)

#if defined(__cplusplus)
#define VKT_STATIC_ASSERT static_assert
#else
#define VKT_STATIC_ASSERT _Static_assert
#endif
VKT_STATIC_ASSERT(sizeof(ErrorRecord) == 276, "ErrorRecord is 276 bytes");
VKT_STATIC_ASSERT(offsetof(ErrorRecord, timeLength) == 4, "ErrorRecord.timeLength");
VKT_STATIC_ASSERT(offsetof(ErrorRecord, textLength) == 8, "ErrorRecord.textLength");
VKT_STATIC_ASSERT(offsetof(ErrorRecord, text) == 12, "ErrorRecord.text");
VKT_STATIC_ASSERT(offsetof(ErrorRecord, timeOfDay) == 267, "ErrorRecord.timeOfDay");
VKT_STATIC_ASSERT(sizeof(StatusRecord) == 540, "StatusRecord is 540 bytes");
VKT_STATIC_ASSERT(offsetof(StatusRecord, function) == 4, "StatusRecord.function");
VKT_STATIC_ASSERT(offsetof(StatusRecord, functionLength) == 260, "StatusRecord.functionLength");
VKT_STATIC_ASSERT(offsetof(StatusRecord, step) == 264, "StatusRecord.step");
VKT_STATIC_ASSERT(offsetof(StatusRecord, fileName) == 268, "StatusRecord.fileName");
VKT_STATIC_ASSERT(offsetof(StatusRecord, fileNameLength) == 524, "StatusRecord.fileNameLength");
VKT_STATIC_ASSERT(offsetof(StatusRecord, bytesDone) == 528, "StatusRecord.bytesDone");
VKT_STATIC_ASSERT(offsetof(StatusRecord, bytesTotal) == 532, "StatusRecord.bytesTotal");
VKT_STATIC_ASSERT(offsetof(StatusRecord, activity) == 536, "StatusRecord.activity");
#undef VKT_STATIC_ASSERT

/* Opens a session. Texts 1..253 bytes; timeout in seconds (negative counts as 0); *sesion
 * receives the session id. 0: the request is on its way; the outcome shows in VKTEstado. */
VKT_EXPORT int32_t VKTConectar(const char* servidor, const char* servicio, const char* usuario,
                               const char* password, const char* path, int32_t timeout,
                               int32_t* sesion);

/* Checks a file and asks the server which additional information it needs. respuesta must
 * hold 2,048 bytes; *largo receives the answer's length. Waits up to 60 seconds. */
VKT_EXPORT int32_t VKTVerificar(int32_t sesion, const char* archivo, int32_t tipo,
                                char* respuesta, int32_t* largo);

/* Sends a file, signed and sealed. tipo 1: formatted record file; otherwise plain. adicional:
 * largo bytes of additional text (0 or less: none; at most 2,048). */
VKT_EXPORT int32_t VKTEnviar(int32_t sesion, const char* password, const char* archivo,
                             int32_t tipo, const char* adicional, int32_t largo);

/* Requests a file into directorio (no final "/"), checked against the server's digest. */
VKT_EXPORT int32_t VKTSolicitar(int32_t sesion, const char* password, const char* archivo,
                                const char* directorio);

/* Ends the session. */
VKT_EXPORT int32_t VKTDesconectar(int32_t sesion);

/* Copies the recorded failures, oldest first, into records (room for 10) and empties the
 * list; returns how many were written. */
VKT_EXPORT int32_t VKTError(ErrorRecord* records);

/* Copies the status into *status; 0, or 1 when status is null. */
VKT_EXPORT int32_t VKTEstado(StatusRecord* status);

#ifdef __cplusplus
}
#endif

#endif /* VKT32_H */
