# Packs the staged test payload with the host's archive tool:
#   cmake -DEXAR=... -DSTAGE=... -DOUT=... -P pack_payload.cmake
if(NOT EXISTS "${EXAR}")
  message(FATAL_ERROR "The archive tool ${EXAR} is missing: build the host preset first "
                      "(cmake --preset host && cmake --build --preset host), or set UMBERLAY_EXAR.")
endif()
execute_process(COMMAND "${EXAR}" pack "${STAGE}" "${OUT}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "exar pack ${STAGE} ${OUT} failed (${result})")
endif()
