// The server's field list for the additional information, and the fixed-width answer text.
//
// Field list: records separated by ";" (the last needs none); a record is
//   name "," width [ "," flags ]
// name: the label, trimmed; width: the digits at the start of the trimmed text, the maximum
// length of the answer (0, or no digits: no limit); flags: each character on its own, "N"
// numeric, "0" alphanumeric again, "M" input shown as "*", anything else ignored.
//
// Answer text: every field's answer in field order with no separators; a numeric answer
// right-aligned with leading zeros to its width, any other answer trimmed and padded with
// blanks on the right to its width. A width of 0 passes the trimmed answer unchanged.
#pragma once

#include <QString>
#include <cstdint>

namespace vkt::client {

// One field of the list.
struct Campo {
    QString Nombre;
    std::int16_t Ancho = 0;
    bool Numerico = false;
    bool Oculto = false;
};

// Reads the record that starts at the 1-based position start of the list, which is the first
// szparam characters of param (what lies beyond is never read). True with the trimmed record
// in *registro and the number of characters it took (before trimming, without its ";") in
// *szregistro, so the next record starts at start + *szregistro + 1; false when start lies
// past the list.
bool ParsearRegistros(int start, const QString& param, int szparam, QString* registro,
                      int* szregistro);

// Builds *campo from one trimmed record; false when the record has no ",". A width beyond
// 32767 raises RunTimeError 6 (overflow).
bool ParsearCampo(const QString& registro, Campo* campo);

// One answer formatted to its field: see above.
QString FormatAnswer(const QString& answer, int ancho, bool numerico);

}  // namespace vkt::client
