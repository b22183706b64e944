# Settings of every Windows build, cross-built or native.
# Windows 7 API level: CancelIoEx, CM_Get_Device_Interface_List*. Wide Windows calls.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 UNICODE _UNICODE)
if(MINGW)
  # C99 printf family (%zu, %lld), as the core's format strings expect.
  add_compile_definitions(__USE_MINGW_ANSI_STDIO=1)
endif()
