// The lines of "vkt batch FILE": one send, get or verify command a line, with that command's
// operand and its own options, words split as a shell splits simple words.
#pragma once

#include <string>
#include <vector>

#include "cli/command_line.h"

namespace vkt::cli {

// Splits text into words at blanks (spaces, tabs). Double or single quotes keep blanks in a
// word and are removed; inside double quotes a backslash escapes " and \, outside quotes it
// escapes the next character; nothing is expanded. false, with message, on an unclosed quote
// or a backslash at the end.
bool SplitWords(const std::string& text, std::vector<std::string>* words, std::string* message);

struct BatchLine {
    bool skip = false;            // blank or a comment ("#")
    bool failureAllowed = false;  // written "-command ...": its failure does not stop the batch
    CommandLine command;          // the connection options of base, the operation of the line
};

// One line of a batch, over base (vkt's own command line). false, with message, for a line
// that cannot be used (failureAllowed is set even then).
bool ParseBatchLine(const std::string& text, const CommandLine& base, BatchLine* line,
                    std::string* message);

}  // namespace vkt::cli
