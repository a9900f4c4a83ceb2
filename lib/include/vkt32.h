/*
 * vkt32.h - the public interface of libVKT32.so (Linux) and VKT32.dll (Windows).
 *
 * Seven functions. Every one returns a signed 32-bit status code: 0 is success; network
 * failures read 110022 .. 111004 (1 followed by the socket error number), cryptographic
 * failures 2102 .. 2608, everything else 40001 .. 49999. VKTError gives the Spanish text of
 * each failure recorded since the last operation began.
 *
 * Names: VKT_ACTIVITY_* are the values of StatusRecord.activity, VKT_STEP_* those of
 * StatusRecord.step, VKT_STATUS_* the status codes a caller acts on (returned by the functions
 * or found in ErrorRecord.code); any other code is shown with its VKTError text.
 *
 * Text encoding:
 *  - user names, passwords, server and service names, and every text in the records below are
 *    single-byte Latin-1 (ISO-8859-1), zero-terminated; "at most 253 characters" means bytes.
 *    Key files hash the password's Latin-1 bytes, so convert typed passwords with Latin-1,
 *    never UTF-8.
 *  - file and directory names are in the file-system encoding (UTF-8 on Linux, the ANSI code
 *    page on Windows); "/" is the path separator, and on Windows "\" too.
 *
 * Calling convention: on 32-bit Windows every function is __stdcall (VKT_CALL), exported under
 * its plain name (VKTConectar, not _VKTConectar@28), so a caller that declares the functions
 * itself, or finds them with GetProcAddress, uses WINAPI pointers.
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

#if defined(_WIN32)
#define VKT_EXPORT /* the DLL's exports are those its .def file names */
#elif defined(__GNUC__)
#define VKT_EXPORT __attribute__((visibility("default")))
#else
#define VKT_EXPORT
#endif

#if defined(_WIN32) && !defined(_WIN64)
#define VKT_CALL __stdcall
#else
#define VKT_CALL /* the platform's one convention */
#endif

/* StatusRecord.activity. */
enum VKTActivity {
    VKT_ACTIVITY_IDLE = 0,   /* after start-up or a reset, or the operation ended well */
    VKT_ACTIVITY_FAILED = 1, /* the operation failed, or the session was ended for it */
    VKT_ACTIVITY_RUNNING = 2 /* an operation (or a session shutdown) is under way */
};

/* StatusRecord.step: the stage of the operation under way or last run. */
enum VKTStep {
    VKT_STEP_NONE = 0,              /* before the first operation */
    VKT_STEP_CONNECTING = 1,        /* VKTConectar: connecting */
    VKT_STEP_OPENING_SESSION = 2,   /* VKTConectar: session key and line parameters */
    VKT_STEP_SENDING = 3,           /* VKTEnviar: file data; VKTSolicitar: the request */
    VKT_STEP_RECEIVING = 4,         /* VKTSolicitar: the file coming in */
    VKT_STEP_DISCONNECTING = 5,     /* VKTDesconectar */
    VKT_STEP_SIGNING = 6,           /* VKTEnviar: the signature made and sent */
    VKT_STEP_CHECKING_FILE = 7,     /* the local file checked (VKTVerificar, VKTEnviar) or the
                                       received one verified (VKTSolicitar) */
    VKT_STEP_SERVER_PROCESSING = 8, /* waiting for the server's processing */
    VKT_STEP_AUTHORISING = 9,       /* VKTEnviar: waiting for the server's authorisation */
    VKT_STEP_NO_OPERATION = 10      /* reset: no operation */
};

/* Status codes. */
enum VKTStatus {
    VKT_STATUS_OK = 0,
    VKT_STATUS_KEY_UNAVAILABLE = 40032,     /* the private key file cannot be read */
    VKT_STATUS_SESSION_HELD = 40033,        /* the machine's one session is in use */
    VKT_STATUS_NO_SESSION_TO_CLOSE = 40034, /* VKTDesconectar: the release failed */
    VKT_STATUS_NO_SESSION = 40039,          /* no such session, or not open yet */
    VKT_STATUS_SERVER_BUSY = 40040,         /* the server is busy: retry in 2 seconds */
    VKT_STATUS_FILE_NOT_FOUND = 40050,
    VKT_STATUS_FILE_IO = 40051,             /* a file cannot be read or written */
    VKT_STATUS_KEY_CONTROL_FAILED = 40052,  /* the private key file fails its checks */
    VKT_STATUS_INVALID_PARAMETER = 40053,   /* an argument missing, empty or too long */
    VKT_STATUS_TIMEOUT = 40055,             /* no answer within the wait */
    VKT_STATUS_EVENT_THREAD_FAILED = 40060, /* the library's thread cannot start (no text) */
    VKT_STATUS_ALREADY_CONNECTED = 40061,
    VKT_STATUS_SERVER_TEXT_MALFORMED = 40062,
    VKT_STATUS_OPERATION_RUNNING = 40063,     /* another operation of this process runs */
    VKT_STATUS_SERVER_CLOSED = 40064,         /* the server ended the connection */
    VKT_STATUS_CANCELLED = 40065,             /* the operation was cancelled after a failure */
    VKT_STATUS_NO_INFORMATION_NEEDED = 40068, /* VKTVerificar: the file can be sent without
                                                 additional text (not a failure) */
    VKT_STATUS_NO_MEMORY = 40100,
    VKT_STATUS_SERVER_SILENT = 49997 /* nothing heard from the server: session ended */
};

/* Network failures: the digit 1 followed by the socket error number (10054 -> 110054). */
#define VKT_IS_NETWORK_STATUS(code) ((code) >= 110000 && (code) <= 119999)
/* Cryptographic failures: the digit 2 followed by |layer code| (-604 -> 2604). */
#define VKT_IS_CRYPTO_STATUS(code) ((code) >= 2000 && (code) <= 2999)

#pragma pack(push, 1)

/* The records keep their column of comments. */
/* clang-format off */
/* One recorded failure (VKTError writes up to 10 of them). 276 bytes. */
typedef struct ErrorRecord {
    int32_t code;          /* status code: VKT_STATUS_* or another */
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
    uint32_t step;         /* VKT_STEP_* */
    char fileName[256];
    uint32_t fileNameLength;
    uint32_t bytesDone;
    uint32_t bytesTotal;
    uint32_t activity;     /* VKT_ACTIVITY_* */
} StatusRecord;

/* clang-format on */
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
VKT_EXPORT int32_t VKT_CALL VKTConectar(const char* servidor, const char* servicio,
                                        const char* usuario, const char* password, const char* path,
                                        int32_t timeout, int32_t* sesion);

/* Checks a file and asks the server which additional information it needs. respuesta must
 * hold 2,048 bytes; *largo receives the answer's length. Waits up to 60 seconds. */
VKT_EXPORT int32_t VKT_CALL VKTVerificar(int32_t sesion, const char* archivo, int32_t tipo,
                                         char* respuesta, int32_t* largo);

/* Sends a file, signed and sealed. tipo 1: formatted record file; otherwise plain. adicional:
 * largo bytes of additional text (0 or less: none; at most 2,048). */
VKT_EXPORT int32_t VKT_CALL VKTEnviar(int32_t sesion, const char* password, const char* archivo,
                                      int32_t tipo, const char* adicional, int32_t largo);

/* Requests a file into directorio (no final "/"), checked against the server's digest. */
VKT_EXPORT int32_t VKT_CALL VKTSolicitar(int32_t sesion, const char* password, const char* archivo,
                                         const char* directorio);

/* Ends the session. */
VKT_EXPORT int32_t VKT_CALL VKTDesconectar(int32_t sesion);

/* Copies the recorded failures, oldest first, into records (room for 10) and empties the
 * list; returns how many were written. */
VKT_EXPORT int32_t VKT_CALL VKTError(ErrorRecord* records);

/* Copies the status into *status; 0, or 1 when status is null. */
VKT_EXPORT int32_t VKT_CALL VKTEstado(StatusRecord* status);

#ifdef __cplusplus
}
#endif

#endif /* VKT32_H */
