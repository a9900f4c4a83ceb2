// Run-time errors of the program: a number and a description, raised by the binding (missing
// library or function), the file procedures and the number conversions, and shown by the trap
// of the procedure that met them as "description (number)" in a box with only "Aceptar" and
// no title.
//
// Numbers follow the program's long-standing run-time numbering: 6 overflow, 7 out of memory,
// 13 type mismatch, 53 file not found, 57 device I/O error, 70 permission denied, 75 path or
// file access error, 76 path not found, 453 function not found in the library.
#pragma once

#include <QString>
#include <stdexcept>

namespace vkt::client {

enum RunTimeNumber : int {
    kErrOverflow = 6,
    kErrOutOfMemory = 7,
    kErrTypeMismatch = 13,
    kErrFileNotFound = 53,
    kErrDeviceIo = 57,
    kErrPermissionDenied = 70,
    kErrPathFileAccess = 75,
    kErrPathNotFound = 76,
    kErrEntryPointNotFound = 453,
};

class RunTimeError : public std::runtime_error {
  public:
    RunTimeError(int number, const QString& description);
    int number() const { return number_; }
    const QString& description() const { return description_; }

  private:
    int number_;
    QString description_;
};

// The error of a failed file operation on path, from errno's value.
RunTimeError FileError(int errnoValue, const QString& path);

// "description (number)", or "description(number)" when compact (the toolbar's procedure
// writes it so), in a box with only "Aceptar" and no title.
void ShowRunTimeError(const RunTimeError& error, bool compact = false);

// Runs body and shows a run-time error it raises; true when none was raised.
template <typename Body>
bool Trap(Body&& body) {
    try {
        body();
        return true;
    } catch (const RunTimeError& error) {
        ShowRunTimeError(error);
        return false;
    }
}

}  // namespace vkt::client
