# Byte-identical Windows programs: two builds of the same commit give the
# same setup.exe and demo programs, also in two different build folders
# (tests/suites/reproducible.sh checks it). Included by the top-level
# CMakeLists.txt for the Windows presets; it does not depend on the
# compiler's thread model.
#
# - Link time: the linker writes the time of the link into each program's
#   header (and with it a different header checksum), or, in Debian's
#   binutils, SOURCE_DATE_EPOCH when that is set in the build's environment.
#   --no-insert-timestamp writes 0 instead, whatever the environment: a time
#   fixed when the build folder is configured would go stale when that folder
#   is rebuilt after a later commit, and the Windows loader reads the value
#   only to check bound imports, which these programs do not have. The
#   resource compiler already writes 0 into the resource directory.
# - Paths: the source and build folders never reach an object file through
#   __FILE__, assertions or debug information: both are mapped to relative
#   names (the build folder last, because it can lie inside the source folder
#   and the last matching map wins).
add_link_options(-Wl,--no-insert-timestamp)
add_compile_options(
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>"
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>"
)
