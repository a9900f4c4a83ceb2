// The client's form of the library's records and back. The packed forms are those of vkt32.h:
//
//   ErrorRecord (276 bytes): code @0, timeLength @4, textLength @8, text[255] @12,
//                            timeOfDay[9] @267; texts Latin-1.
//   StatusRecord (540 bytes): the client keeps the packed form itself (General().Estado).
#pragma once

#include <QString>
#include <cstdint>

#include "binding/lib_vkt32.h"

namespace vkt::client::LibVKT32 {

// Fixed texts are written as Latin-1, cut or filled with NUL to the field's size.
ErrorRecord ToLibraryRecord(const ClientErrorRecord& record);
// Fixed texts are read whole (255 and 9 characters), as the library left them.
ClientErrorRecord FromLibraryRecord(const ErrorRecord& record);

// The first length characters of a fixed text read from a record, never past its end nor past
// a NUL: a length the library got wrong cannot reach beyond the text it wrote.
QString LeadingText(const QString& field, std::int32_t length);

}  // namespace vkt::client::LibVKT32
