# Signs one Windows program in place with an Authenticode signature (SHA-256):
#   cmake -DFILE=program.exe -DSETTINGS=<build>/signing/settings.cmake -P sign_pe.cmake
# SETTINGS, written by cmake/signing.cmake, names osslsigncode, the
# certificate, the key, the optional password file and time-stamp server, and
# the description the signature carries.
#
# The signed program replaces FILE only when osslsigncode succeeded. Any
# failure ends the script with a message that names the program and gives
# osslsigncode's own explanation, and exit code 1: the build stops there, and
# make deletes the program it had just linked, so no unsigned program is
# left behind for the next build to take as done.
#
# osslsigncode runs in a session of its own (no terminal) with an empty
# input: a key whose password is missing or wrong makes it fail instead of
# waiting at a password prompt.
foreach(required FILE SETTINGS)
  if(NOT ${required})
    message(FATAL_ERROR "sign_pe.cmake: -D${required}=... is missing")
  endif()
endforeach()
if(NOT EXISTS "${SETTINGS}")
  message(FATAL_ERROR "sign_pe.cmake: no signing settings ${SETTINGS} (configure the build again)")
endif()
include("${SETTINGS}")
get_filename_component(name "${FILE}" NAME)
if(NOT SIGNING)
  message(FATAL_ERROR "Signing ${name}: the build folder's signing settings say signing is off")
endif()
if(NOT EXISTS "${FILE}")
  message(FATAL_ERROR "Signing ${name}: ${FILE} does not exist")
endif()

set(command ${SETSID} --wait ${OSSLSIGNCODE} sign -h sha256 -certs ${CERT} -key ${KEY})
if(PASS_FILE)
  list(APPEND command -readpass ${PASS_FILE})
endif()
if(TIMESTAMP_URL)
  list(APPEND command -ts ${TIMESTAMP_URL})
endif()
set(signed "${FILE}.signing")
file(REMOVE "${signed}")
list(APPEND command -n ${DESCRIPTION} -in ${FILE} -out ${signed})

execute_process(COMMAND ${command}
  INPUT_FILE /dev/null
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT EXISTS "${signed}")
  file(REMOVE "${signed}")
  # osslsigncode's explanation without OpenSSL's internal error stack and
  # the prompts it could not answer.
  string(REGEX REPLACE "[0-9A-F]+:error:[^\n]*\n?" "" output "${output}")
  string(REGEX REPLACE "Enter PEM pass phrase:\n?" "" output "${output}")
  string(STRIP "${output}" output)
  message(FATAL_ERROR "Signing ${name} failed (osslsigncode exit ${result}) with certificate "
                      "${CERT} and key ${KEY}:\n${output}")
endif()
file(RENAME "${signed}" "${FILE}")
