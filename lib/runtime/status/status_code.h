// Status codes: how they are formed and which catalogue text belongs to each.
//
// A status code is a signed 32-bit number, 0 for success. Socket errors reach callers as the
// digit 1 followed by the socket error number (10054 -> 110054), cryptographic errors as the
// digit 2 followed by the absolute value of the layer's code (-604 -> 2604), everything else as
// 40001 .. 49999.
#pragma once

#include <cstdint>

namespace vkt::runtime {

enum : std::int32_t {
    kSourceNetwork = 1,
    kSourceCrypto = 2,
    kSourceLibrary = 4,
};

// Codes the runtime and the protocol raise (texts in the catalogue).
enum : std::int32_t {
    kStatusOk = 0,
    kBadFrame = 40001,  // "Estructura de mensaje inválida"
    kBadCharacteristic = 40002,
    kBadMessageType = 40003,
    kBadLength = 40004,
    kTooManySessions = 40033,
    kNoSessionToClose = 40034,
    kServerBusy = 40040,  // the server answered the connect with its busy reply
    kNoSession = 40039,
    kFileNotFound = 40050,
    kFileIoError = 40051,
    kNegativeSendLength = 40053,
    kInvalidParameter = 40053,  // "Parámetro no válido": an argument missing, empty or too long
    kTimeout = 40055,
    kEventThreadFailed = 40060,  // no catalogue text
    kServerTextMalformed = 40062,
    kOperationRunning = 40063,
    kServerClosed = 40064,
    kNoMemory = 40100,
    kServerSilent = 49997,
    kServerKeepAlive = 49998,  // internal notice: never returned by an export nor recorded
    kNothingWaiting = 49999,   // internal notice: never returned by an export nor recorded
};

// source 4: raw unchanged; otherwise the digits of source followed by those of |raw|.
std::int32_t ComposeStatus(std::int32_t raw, std::int32_t source);
// The catalogue id of a code: |code| in decimal with a leading 1 replaced by 0.
std::int32_t MessageIdFor(std::int32_t code);

}  // namespace vkt::runtime
