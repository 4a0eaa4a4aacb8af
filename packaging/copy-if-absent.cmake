# cmake -DSOURCE=... -DTARGET=... -P copy-if-absent.cmake: copies SOURCE to TARGET unless
# TARGET exists, so that a settings file the program has changed is never overwritten.
if(NOT EXISTS "${TARGET}")
  file(COPY_FILE "${SOURCE}" "${TARGET}")
endif()
