// The single way the setup reports a failure it cannot survive: one error box
// captioned "Install error" over the backdrop, then the end of the process.
// The message for a code is composed from a fixed table of detail texts.
#pragma once

#include <cstddef>
#include <cstdint>

// The codes of the fatal error table.
enum FatalErrorCode : int32_t {
  FatalNoGameDirectory = 1,     // the setup's own path cannot be obtained
  FatalNoControlFile = 3,
  FatalDamagedPayload = 4,      // payload missing pieces or damaged
  FatalCannotCopyFiles = 6,     // files of the payload could not be written
  FatalCannotCreateDirectory = 7,
  FatalNoConfigurationFile = 8,
  FatalRegistry = 9,            // the installation's registry keys cannot be written
  FatalFileCreation = 99,
  FatalNoSpecialDirectory = 102,  // the start menu's Programs folder cannot be located
};

// Size of the buffer the composed message is built in.
constexpr size_t FatalMessageSize = 1024;

// The detail text of a code ("" for a code outside the table). Each text
// begins and ends with a line break.
const char* FatalErrorDetail(int32_t code);

// Composes the box text of a code into out (at most size bytes, always
// terminated): "ERROR (code) OCCURED :\n<detail>\nUNABLE TO CONTINUE INSTALLATION."
void FormatFatalMessage(int32_t code, char* out, size_t size);

// Shows the message of code in a modal box owned by the backdrop, waits until
// the user closes it, then ends the setup through AbortSetup.
[[noreturn]] void ReportFatalError(int32_t code);

// Releases and closes the setup mutex, posts the quit message and ends the
// process at once with exit code -1; open windows go with the process.
[[noreturn]] void AbortSetup();
