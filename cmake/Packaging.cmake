# What a Windows user downloads: `cmake --install` puts this build's programs
# into the install prefix, the 32-bit ones under their own names and the
# 64-bit ones with "-x64" added, so both fit into one folder
# (scripts/package.sh makes the archive). WINDOWS_PE_KIND is what the
# programs of this build are: PE32 or PE32+.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(WINDOWS_PROGRAM_SUFFIX "-x64")
  set(WINDOWS_PE_KIND "PE32+")
else()
  set(WINDOWS_PROGRAM_SUFFIX "")
  set(WINDOWS_PE_KIND "PE32")
endif()

# Installs the executable of `target` as <name><suffix>.exe, stripped: the
# download needs no debug sections or symbols, while the build folder's copy
# keeps them for the debugger and for the program test's symbol checks (a
# compiler that keeps its debug information apart has no strip tool here).
# Strip writes the PE header anew with the time of day unless
# SOURCE_DATE_EPOCH says otherwise; 0 keeps the linker's time stamp, so that
# two installs of one build give the same bytes.
function(install_windows_program target name)
  set(installed ${name}${WINDOWS_PROGRAM_SUFFIX}.exe)
  install(PROGRAMS $<TARGET_FILE:${target}> DESTINATION . RENAME ${installed})
  if(CMAKE_STRIP)
    install(CODE "execute_process(COMMAND \"${CMAKE_COMMAND}\" -E env SOURCE_DATE_EPOCH=0
                                          \"${CMAKE_STRIP}\" \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${installed}\"
                                  COMMAND_ERROR_IS_FATAL ANY)")
  endif()
endfunction()
