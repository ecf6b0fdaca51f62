# Authenticode signing of the programs that ship (setup.exe and the demo's
# Vale.exe, config.exe and Sweeper.exe), with osslsigncode. Included by the
# top-level CMakeLists.txt for the Windows presets.
#
# Nothing is signed unless a certificate and its key are given, as cache
# variables or as environment variables of the same names at configure time
# (an environment variable that is set and not empty replaces the cached
# value, so a signing job never builds with an older setting):
#   UMBERLAY_SIGN_CERT           certificate file (PEM or DER), with the
#                                intermediate certificates after it if any
#   UMBERLAY_SIGN_KEY            its private key (PEM or DER)
#   UMBERLAY_SIGN_PASS_FILE      optional: file whose first line is the key's password
#   UMBERLAY_SIGN_TIMESTAMP_URL  optional: RFC 3161 time-stamp server
# Relative paths are taken from the top of the source tree. Half a setting
# (a key without a certificate, a password file or time-stamp server without
# both) stops the configuration instead of building unsigned programs.
#
# umberlay_sign_after_link(target) signs a program right after it is linked
# (cmake/sign_pe.cmake). The settings are written to
# <build>/signing/settings.cmake, rewritten only when they change; every
# signed program's link depends on that file and on the certificate, key and
# password files, so changing any of them (or switching signing on or off)
# links and signs the programs again, and the payload that holds the demo's
# programs is packed again from the newly signed ones.

set(UMBERLAY_SIGN_DESCRIPTION "Umberlay Vale (Demo)")
set(UMBERLAY_SIGN_SETTINGS ${CMAKE_BINARY_DIR}/signing/settings.cmake)

# Cache variable NAME of TYPE with DOC; its environment variable, when set
# and not empty, replaces the cached value.
function(umberlay_signing_setting name type doc)
  if(NOT "$ENV{${name}}" STREQUAL "")
    set(${name} "$ENV{${name}}" CACHE ${type} "${doc}" FORCE)
  else()
    set(${name} "" CACHE ${type} "${doc}")
  endif()
endfunction()

umberlay_signing_setting(UMBERLAY_SIGN_CERT FILEPATH
  "Code-signing certificate (PEM or DER); with UMBERLAY_SIGN_KEY, setup.exe and the demo's programs are signed")
umberlay_signing_setting(UMBERLAY_SIGN_KEY FILEPATH "Private key of UMBERLAY_SIGN_CERT (PEM or DER)")
umberlay_signing_setting(UMBERLAY_SIGN_PASS_FILE FILEPATH
  "Optional file whose first line is the password of UMBERLAY_SIGN_KEY")
umberlay_signing_setting(UMBERLAY_SIGN_TIMESTAMP_URL STRING
  "Optional RFC 3161 time-stamp server for the signatures")

# The absolute path of the file named by setting NAME, in ${out}; stops the
# configuration when the file does not exist.
function(umberlay_signing_file name out)
  get_filename_component(path "${${name}}" ABSOLUTE BASE_DIR "${PROJECT_SOURCE_DIR}")
  if(NOT EXISTS "${path}" OR IS_DIRECTORY "${path}")
    message(FATAL_ERROR "Signing: ${name} names '${${name}}', which is not a file.")
  endif()
  set(${out} "${path}" PARENT_SCOPE)
endfunction()

if(UMBERLAY_SIGN_CERT OR UMBERLAY_SIGN_KEY)
  if(NOT UMBERLAY_SIGN_CERT OR NOT UMBERLAY_SIGN_KEY)
    message(FATAL_ERROR "Signing needs both UMBERLAY_SIGN_CERT and UMBERLAY_SIGN_KEY; "
                        "only one of them is set.")
  endif()
  set(UMBERLAY_SIGNING ON)
  umberlay_signing_file(UMBERLAY_SIGN_CERT sign_cert)
  umberlay_signing_file(UMBERLAY_SIGN_KEY sign_key)
  set(sign_pass "")
  if(UMBERLAY_SIGN_PASS_FILE)
    umberlay_signing_file(UMBERLAY_SIGN_PASS_FILE sign_pass)
  endif()
  find_program(UMBERLAY_OSSLSIGNCODE osslsigncode)
  if(NOT UMBERLAY_OSSLSIGNCODE)
    message(FATAL_ERROR "Signing was asked for, but osslsigncode is not installed "
                        "(Debian package osslsigncode; scripts/bootstrap installs it).")
  endif()
  # osslsigncode runs in a session of its own, without a terminal to prompt on.
  find_program(UMBERLAY_SETSID setsid)
  if(NOT UMBERLAY_SETSID)
    message(FATAL_ERROR "Signing was asked for, but setsid (util-linux) is not installed.")
  endif()
  set(UMBERLAY_SIGN_INPUTS ${sign_cert} ${sign_key} ${sign_pass})
  message(STATUS "Signing setup.exe and the demo's programs with ${sign_cert}")
else()
  set(UMBERLAY_SIGNING OFF)
  if(UMBERLAY_SIGN_PASS_FILE OR UMBERLAY_SIGN_TIMESTAMP_URL)
    message(FATAL_ERROR "UMBERLAY_SIGN_PASS_FILE or UMBERLAY_SIGN_TIMESTAMP_URL is set, but "
                        "signing needs UMBERLAY_SIGN_CERT and UMBERLAY_SIGN_KEY as well.")
  endif()
  set(sign_cert "")
  set(sign_key "")
  set(sign_pass "")
  set(UMBERLAY_SIGN_INPUTS "")
endif()

file(CONFIGURE OUTPUT ${UMBERLAY_SIGN_SETTINGS} CONTENT [==[
# Written by cmake/signing.cmake: what cmake/sign_pe.cmake signs with.
set(SIGNING [=[@UMBERLAY_SIGNING@]=])
set(OSSLSIGNCODE [=[@UMBERLAY_OSSLSIGNCODE@]=])
set(SETSID [=[@UMBERLAY_SETSID@]=])
set(CERT [=[@sign_cert@]=])
set(KEY [=[@sign_key@]=])
set(PASS_FILE [=[@sign_pass@]=])
set(TIMESTAMP_URL [=[@UMBERLAY_SIGN_TIMESTAMP_URL@]=])
set(DESCRIPTION [=[@UMBERLAY_SIGN_DESCRIPTION@]=])
]==] @ONLY)

# Signs target's program right after every link of it when signing is on;
# either way its link depends on the signing settings (see above).
function(umberlay_sign_after_link target)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
               ${UMBERLAY_SIGN_SETTINGS} ${UMBERLAY_SIGN_INPUTS})
  if(UMBERLAY_SIGNING)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:${target}> -DSETTINGS=${UMBERLAY_SIGN_SETTINGS}
              -P ${PROJECT_SOURCE_DIR}/cmake/sign_pe.cmake
      COMMENT "Signing the program of ${target}"
      VERBATIM)
  endif()
endfunction()
