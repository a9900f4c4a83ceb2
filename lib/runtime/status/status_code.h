// Status codes: how they are formed and which catalogue text belongs to each.
//
// A status code is a signed 32-bit number, 0 for success. Socket errors reach callers as the
// digit 1 followed by the socket error number (10054 -> 110054), cryptographic errors as the
// digit 2 followed by the absolute value of the layer's code (-604 -> 2604), everything else as
// 40001 .. 49999.
#pragma once

#include <cstdint>

#include "vkt32.h"

namespace vkt::runtime {

enum : std::int32_t {
    kSourceNetwork = 1,
    kSourceCrypto = 2,
    kSourceLibrary = 4,
};

// Codes the runtime and the protocol raise (texts in the catalogue). Those a caller acts on are
// the public VKT_STATUS_* values.
enum : std::int32_t {
    kStatusOk = VKT_STATUS_OK,
    kNotADigest = 2204,       // "Entrada inválida": a digest text that is no digest value
    kPasswordRefused = 2604,  // the key record's -604: wrong password or damaged record
    kBadFrame = 40001,        // "Estructura de mensaje inválida"
    kBadCharacteristic = 40002,
    kBadMessageType = 40003,
    kBadLength = 40004,
    kKeyUnavailable = VKT_STATUS_KEY_UNAVAILABLE,  // "Clave privada no disponible"
    kTooManySessions = VKT_STATUS_SESSION_HELD,
    kNoSessionToClose = VKT_STATUS_NO_SESSION_TO_CLOSE,
    kServerBusy = VKT_STATUS_SERVER_BUSY,  // the server answered the connect with its busy reply
    kNoSession = VKT_STATUS_NO_SESSION,
    kFileNotFound = VKT_STATUS_FILE_NOT_FOUND,
    kFileIoError = VKT_STATUS_FILE_IO,
    kKeyControlFailed = VKT_STATUS_KEY_CONTROL_FAILED,  // "Fallo de control de la clave privada"
    // "Parámetro no válido": an argument missing, empty or too long, a negative send length
    kInvalidParameter = VKT_STATUS_INVALID_PARAMETER,
    kTimeout = VKT_STATUS_TIMEOUT,
    kEventThreadFailed = VKT_STATUS_EVENT_THREAD_FAILED,  // no catalogue text
    kAlreadyConnected = VKT_STATUS_ALREADY_CONNECTED,
    kServerTextMalformed = VKT_STATUS_SERVER_TEXT_MALFORMED,
    kOperationRunning = VKT_STATUS_OPERATION_RUNNING,
    kServerClosed = VKT_STATUS_SERVER_CLOSED,
    kCancelled = VKT_STATUS_CANCELLED,
    kNoMemory = VKT_STATUS_NO_MEMORY,
    kServerSilent = VKT_STATUS_SERVER_SILENT,
    kServerKeepAlive = 49998,  // internal notice: never returned by an export nor recorded
    kNothingWaiting = 49999,   // internal notice: never returned by an export nor recorded
};

// source 4: raw unchanged; otherwise the digits of source followed by those of |raw|.
std::int32_t ComposeStatus(std::int32_t raw, std::int32_t source);
// The catalogue id of a code: |code| in decimal with a leading 1 replaced by 0.
std::int32_t MessageIdFor(std::int32_t code);

}  // namespace vkt::runtime
